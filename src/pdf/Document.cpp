#include "pdf/Document.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
#include <sys/stat.h>

#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Objects.h"

namespace pdf {
namespace {

std::string baseName(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Document::Document(const std::string& path) : path_(path) {
    // A device or a pipe would be read without end, or block.
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw Error(baseName(path) + ": cannot open document: it is not a regular file");
    fz_context* ctx = Library::context();
    pdf_document* doc = nullptr;
    int failed = 0;
    int locked = 0;
    fz_var(doc);
    fz_var(locked);
    fz_var(failed);
    fz_try(ctx) {
        doc = pdf_open_document(ctx, path.c_str());
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) Library::throwCaught(baseName(path) + ": cannot open document");
    doc_ = doc;

    // An empty user password is tried by MuPDF on opening; what still needs
    // a password cannot be read by an unattended job.
    fz_try(ctx) {
        if (pdf_needs_password(ctx, doc_) && !pdf_authenticate_password(ctx, doc_, "")) locked = 1;
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed || locked) {
        pdf_drop_document(ctx, doc_);
        doc_ = nullptr;
        if (failed) Library::throwCaught(baseName(path) + ": cannot open document");
        throw Error(baseName(path) + ": cannot open document: a password is required");
    }

    // MuPDF's repair opens a file whose page tree is lost as a document of
    // no pages; a publication of it would be empty, so it is refused, as is
    // a document that has no pages at all.
    const char* missing = nullptr;
    try {
        if (!objects::isDictionary(objects::get(objects::catalog(doc_), "Pages")))
            missing = "its page tree is missing";
        else if (pageCount() == 0)
            missing = "it has no pages";
    } catch (const Error& e) {
        pdf_drop_document(ctx, doc_);
        doc_ = nullptr;
        throw Error(baseName(path) + ": cannot open document: " + e.what());
    }
    if (missing != nullptr) {
        pdf_drop_document(ctx, doc_);
        doc_ = nullptr;
        throw Error(baseName(path) + ": cannot open document: " + missing);
    }
}

Document::~Document() {
    pdf_drop_document(Library::context(), doc_);
}

int Document::pageCount() const {
    fz_context* ctx = Library::context();
    int count = 0;
    int failed = 0;
    fz_try(ctx) {
        count = pdf_count_pages(ctx, doc_);
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) Library::throwCaught(baseName(path_) + ": cannot count pages");
    return count;
}

Page Document::page(int number) const {
    fz_context* ctx = Library::context();
    int count = pageCount();
    if (number < 1 || number > count) {
        throw Error(baseName(path_) + ": page " + std::to_string(number) +
                    ": no such page (the document has " + std::to_string(count) + ")");
    }
    pdf_page* page = nullptr;
    int failed = 0;
    fz_var(page);
    fz_try(ctx) {
        page = pdf_load_page(ctx, doc_, number - 1);
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) {
        Library::throwCaught(baseName(path_) + ": page " + std::to_string(number) +
                             ": cannot load page");
    }
    return Page(page, number, baseName(path_));
}

std::string Document::describe() const {
    return baseName(path_);
}

std::string Document::title() const {
    try {
        return objects::toText(objects::get(objects::info(doc_), "Title"));
    } catch (const Error& e) {
        throw Error(baseName(path_) + ": " + e.what());
    }
}

}  // namespace pdf
