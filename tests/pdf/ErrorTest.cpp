// pdf::Error's one-line message made from its fields, an error seen from a catcher's place, and
// the MuPDF boundary every call of the layer goes through: a MuPDF failure becomes a pdf::Error
// with MuPDF's words, what a failing body made is still freed, and a stopped reading keeps its
// code.
#include <gtest/gtest.h>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"

namespace {

TEST(ErrorMessage, NamesFilePageOperationObjectAndReasonInOrder) {
    EXPECT_STREQ(
        "report.pdf: cannot open document: no objects found",
        pdf::Error(pdf::Error::Place{"report.pdf"}, "cannot open document", "no objects found")
            .what());
    EXPECT_STREQ(
        "report.pdf: page 3: cannot render: out of memory",
        pdf::Error(pdf::Error::Place{"report.pdf", 3}, "cannot render", "out of memory").what());
    EXPECT_STREQ("cannot read /First (object 12): no such object",
                 pdf::Error("cannot read /First", "no such object", 12).what());
    // Parts that are absent leave no empty separators behind.
    EXPECT_STREQ(
        "a.pdf: page 5: no such page (the document has 4)",
        pdf::Error(pdf::Error::Place{"a.pdf", 5}, "no such page (the document has 4)").what());
    EXPECT_STREQ("JPEG: cannot write", pdf::Error("JPEG: cannot write", "").what());
}

TEST(ErrorMessage, FieldsAreKeptApartFromTheMessage) {
    pdf::Error e({"a.pdf", 2}, "cannot read text", "broken stream", 7);
    EXPECT_EQ("a.pdf", e.file());
    EXPECT_EQ(2, e.page());
    EXPECT_EQ(7, e.object());
    EXPECT_EQ("cannot read text", e.operation());
    EXPECT_EQ("broken stream", e.reason());
}

TEST(ErrorWithin, CatcherAddsItsPlaceAndOperationOnce) {
    pdf::Error inner("cannot read /First", "no such object", 12);
    pdf::Error outer = inner.within(pdf::Error::Place{"a.pdf"}, "outline");
    EXPECT_STREQ("a.pdf: outline: cannot read /First (object 12): no such object", outer.what());
    EXPECT_EQ("a.pdf", outer.file());
    EXPECT_EQ(12, outer.object());
    // An error that already knows its place keeps it: no file or page is named twice.
    pdf::Error rendered({"a.pdf", 3}, "cannot render", "out of memory");
    EXPECT_STREQ(rendered.what(), rendered.within(pdf::Error::Place{"a.pdf", 3}).what());
    EXPECT_STREQ(
        "a.pdf: page 3: JPEG: cannot write: disk full",
        pdf::Error("JPEG: cannot write", "disk full").within(pdf::Error::Place{"a.pdf", 3}).what());
}

TEST(MupdfBoundary, FailureBecomesErrorWithMupdfsWords) {
    pdf::Library library;
    fz_context* ctx = pdf::Library::context();
    try {
        pdf::guarded(ctx, pdf::Error::Place{"a.pdf", 2}, "cannot render",
                     [&] { fz_throw(ctx, FZ_ERROR_GENERIC, "broken band"); });
        FAIL() << "no error";
    } catch (const pdf::Error& e) {
        EXPECT_STREQ("a.pdf: page 2: cannot render: broken band", e.what());
        EXPECT_EQ("broken band", e.reason());
    }
}

TEST(MupdfBoundary, WhatAFailingBodyMadeIsFreedByItsHandle) {
    pdf::Library library;
    fz_context* ctx = pdf::Library::context();
    // Run under the sanitizers, a pixmap left behind here is reported as a leak.
    pdf::PixmapHandle pixmap(ctx);
    int code = pdf::tryMupdf(ctx, [&] {
        pixmap.out() = fz_new_pixmap(ctx, fz_device_rgb(ctx), 16, 16, nullptr, 0);
        fz_throw(ctx, FZ_ERROR_GENERIC, "after the pixmap");
    });
    EXPECT_NE(0, code);
    EXPECT_NE(nullptr, pixmap.get());
    EXPECT_EQ(0, pdf::tryMupdf(ctx, [&] { fz_clear_pixmap(ctx, pixmap.get()); }));
}

TEST(MupdfBoundary, StoppedReadingKeepsItsCode) {
    pdf::Library library;
    fz_context* ctx = pdf::Library::context();
    EXPECT_EQ(FZ_ERROR_ABORT,
              pdf::tryMupdf(ctx, [&] { fz_throw(ctx, FZ_ERROR_ABORT, "stopped"); }));
    EXPECT_EQ(0, pdf::tryMupdf(ctx, [] {}));
}

}  // namespace
