#include "pdf/Links.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>

#include "pdf/Error.h"
#include "pdf/Objects.h"

namespace pdf {
namespace {

Rect readRect(pdf_obj* array) {
    double v[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        pdf_obj* number = objects::at(array, i);
        v[i] = objects::toReal(number);
    }
    return {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
}

}  // namespace

std::vector<LinkAnnotation> readLinks(const Document& document, const Page& page) {
    std::vector<LinkAnnotation> links;
    try {
        pdf_obj* annots = objects::get(page.handle()->obj, "Annots");
        for (int i = 0, n = objects::length(annots); i < n; ++i) {
            pdf_obj* annot = objects::at(annots, i);
            if (!objects::isDictionary(annot) ||
                !objects::isName(objects::get(annot, "Subtype"), "Link"))
                continue;
            LinkAnnotation link;
            link.rect = readRect(objects::get(annot, "Rect"));
            link.action = readAction(document.handle(), annot);
            links.push_back(link);
        }
    } catch (const Error& e) {
        throw e.within(page.place(), "annotations");
    }
    return links;
}

}  // namespace pdf
