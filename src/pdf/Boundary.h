// The PDF layer's one way to call MuPDF (for the layer's own units; not for callers outside
// src/pdf/).
//
// MuPDF reports a failure by longjmp to the innermost fz_try of the context. A C++ frame that
// such a jump crosses is left without its destructors, so every MuPDF call runs in a body
// given to tryMupdf() or guarded(), which holds the one setjmp in a small frame of its own:
//
//     PixmapHandle pixmap(ctx);                       // owns what the body makes
//     guarded(ctx, page.place(), "cannot render", [&] {
//         pixmap.out() = fz_new_pixmap_with_bbox(ctx, rgb, area, nullptr, 0);
//         fz_clear_pixmap_with_value(ctx, pixmap.get(), 255);
//     });                                             // pdf::Error on failure; handle frees
//
// REQUIRES of every body: it makes nothing with a destructor (std::string, containers,
// unique_ptr, ...) and throws no C++ exception; it uses MuPDF calls, raw pointers and plain
// values, and stores what it makes into Handles or variables declared outside it (those keep
// their values: they live in the caller's frame, not the setjmp frame). It may return early.
//
// Handle<T, Drop> owns one MuPDF reference and drops it with the context it was made with;
// dropping null is a no-op, as for every MuPDF drop function.
#pragma once

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <string>
#include <utility>

#include "pdf/Error.h"
#include "pdf/PageClock.h"

namespace pdf {

// Runs body inside fz_try on ctx. Returns 0, or the MuPDF error code (FZ_ERROR_GENERIC,
// FZ_ERROR_ABORT, ...) of the failure, whose message fz_caught_message(ctx) gives until the
// next MuPDF call. Never throws.
template <typename Body>
int tryMupdf(fz_context* ctx, const Body& body) noexcept {
    int code = 0;
    fz_try(ctx) {
        body();
    }
    fz_catch(ctx) {
        code = fz_caught(ctx);
        // FZ_ERROR_NONE is 0: keep "no failure" and "failure" apart whatever the code.
        if (code == 0) code = -1;
    }
    return code;
}

// Runs body inside fz_try on ctx. Throws Error(place, operation, MuPDF's message) when MuPDF
// fails, or the memory budget's reason when an allocation failed for it (PageClock.h).
template <typename Body>
void guarded(fz_context* ctx, const Error::Place& place, const std::string& operation,
             const Body& body) {
    if (tryMupdf(ctx, body) != 0) {
        std::string reason = takeMemoryBudgetReason();
        throw Error(place, operation, reason.empty() ? fz_caught_message(ctx) : reason);
    }
}

// As guarded, for failures whose place the caller adds (Error::within) or that has none.
template <typename Body>
void guarded(fz_context* ctx, const std::string& operation, const Body& body) {
    guarded(ctx, Error::Place{}, operation, body);
}

template <typename T, void (*Drop)(fz_context*, T*)>
class Handle {
  public:
    explicit Handle(fz_context* ctx, T* owned = nullptr) : ctx_(ctx), ptr_(owned) {}
    ~Handle() { Drop(ctx_, ptr_); }
    Handle(Handle&& other) noexcept : ctx_(other.ctx_), ptr_(std::exchange(other.ptr_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        std::swap(ctx_, other.ctx_);
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    T* get() const { return ptr_; }
    // The slot a body stores a newly made object into; it is owned from that moment, so a
    // later failure in the same body still frees it.
    T*& out() { return ptr_; }
    // Gives up ownership.
    T* release() { return std::exchange(ptr_, nullptr); }

  private:
    fz_context* ctx_;
    T* ptr_;
};

inline void dropPdfPage(fz_context* ctx, pdf_page* page) {
    fz_drop_page(ctx, page != nullptr ? &page->super : nullptr);
}

using DocumentHandle = Handle<pdf_document, pdf_drop_document>;
using PdfPageHandle = Handle<pdf_page, dropPdfPage>;
using ObjectHandle = Handle<pdf_obj, pdf_drop_obj>;
using PixmapHandle = Handle<fz_pixmap, fz_drop_pixmap>;
using DeviceHandle = Handle<fz_device, fz_drop_device>;
using DisplayListHandle = Handle<fz_display_list, fz_drop_display_list>;
using ProcessorHandle = Handle<pdf_processor, pdf_drop_processor>;
using FontDescHandle = Handle<pdf_font_desc, pdf_drop_font>;
using StreamHandle = Handle<fz_stream, fz_drop_stream>;
using BufferHandle = Handle<fz_buffer, fz_drop_buffer>;

}  // namespace pdf
