#include "pdf/Page.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <utility>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"

namespace pdf {

Page::Page(pdf_page* page, int number, std::string fileName,
           std::shared_ptr<DocumentCost> documentCost, std::shared_ptr<const Document*> document)
    : page_(page),
      documentCost_(std::move(documentCost)),
      document_(std::move(document)),
      number_(number),
      fileName_(std::move(fileName)) {
    fz_context* ctx = Library::context();
    fz_rect box;
    fz_matrix ctm;
    if (tryMupdf(ctx, [&] { pdf_page_transform(ctx, page_, &box, &ctm); }) != 0) {
        Error failure(place(), "cannot read page boxes", fz_caught_message(ctx));
        dropPdfPage(ctx, page_);
        page_ = nullptr;
        throw failure;
    }
    fz_rect shown = fz_transform_rect(box, ctm);
    userToPage_ = {ctm.a, ctm.b, ctm.c, ctm.d, ctm.e - shown.x0, ctm.f - shown.y0};
    bounds_ = {0, 0, shown.x1 - shown.x0, shown.y1 - shown.y0};
}

Page::Page(Page&& other) noexcept
    : page_(std::exchange(other.page_, nullptr)),
      documentCost_(other.documentCost_),
      document_(other.document_),
      number_(other.number_),
      fileName_(std::move(other.fileName_)),
      bounds_(other.bounds_),
      userToPage_(other.userToPage_) {}

Page& Page::operator=(Page&& other) noexcept {
    if (this != &other) {
        if (page_ != nullptr) fz_drop_page(Library::context(), &page_->super);
        page_ = std::exchange(other.page_, nullptr);
        documentCost_ = other.documentCost_;
        document_ = other.document_;
        number_ = other.number_;
        fileName_ = std::move(other.fileName_);
        bounds_ = other.bounds_;
        userToPage_ = other.userToPage_;
    }
    return *this;
}

Page::~Page() {
    if (page_ != nullptr) fz_drop_page(Library::context(), &page_->super);
}

Error::Place Page::place() const {
    return {fileName_, number_};
}

std::string Page::describe() const {
    return fileName_ + ": page " + std::to_string(number_);
}

}  // namespace pdf
