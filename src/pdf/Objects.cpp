#include "pdf/Objects.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <cstring>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"

namespace pdf {
namespace objects {

pdf_obj* get(pdf_obj* dict, const char* key) {
    fz_context* ctx = Library::context();
    pdf_obj* value = nullptr;
    if (tryMupdf(ctx, [&] {
            if (pdf_is_dict(ctx, dict)) value = pdf_dict_gets(ctx, dict, key);
            if (value != nullptr && pdf_is_null(ctx, value)) value = nullptr;
        }) != 0)
        throw Error(std::string("cannot read /") + key, fz_caught_message(ctx), objectNumber(dict));
    return value;
}

int length(pdf_obj* array) {
    fz_context* ctx = Library::context();
    int n = 0;
    if (tryMupdf(ctx, [&] { n = pdf_array_len(ctx, array); }) != 0)
        throw Error("cannot read array", fz_caught_message(ctx), objectNumber(array));
    return n;
}

pdf_obj* at(pdf_obj* array, int i) {
    fz_context* ctx = Library::context();
    pdf_obj* value = nullptr;
    if (tryMupdf(ctx, [&] { value = pdf_array_get(ctx, array, i); }) != 0)
        throw Error("cannot read array element " + std::to_string(i), fz_caught_message(ctx),
                    objectNumber(array));
    return value;
}

bool isArray(pdf_obj* obj) {
    return pdf_is_array(Library::context(), obj) != 0;
}
bool isDictionary(pdf_obj* obj) {
    return pdf_is_dict(Library::context(), obj) != 0;
}
bool isString(pdf_obj* obj) {
    return pdf_is_string(Library::context(), obj) != 0;
}
bool isInteger(pdf_obj* obj) {
    return pdf_is_int(Library::context(), obj) != 0;
}

bool isAnyName(pdf_obj* obj) {
    return pdf_is_name(Library::context(), obj) != 0;
}

bool isName(pdf_obj* obj, const char* name) {
    fz_context* ctx = Library::context();
    return pdf_is_name(ctx, obj) && std::string(pdf_to_name(ctx, obj)) == name;
}

int toInteger(pdf_obj* obj) {
    return pdf_to_int(Library::context(), obj);
}

double toReal(pdf_obj* obj) {
    return pdf_to_real(Library::context(), obj);
}

std::string toText(pdf_obj* obj) {
    fz_context* ctx = Library::context();
    const char* text = nullptr;
    if (tryMupdf(ctx, [&] {
            if (pdf_is_string(ctx, obj)) text = pdf_to_text_string(ctx, obj);
        }) != 0)
        throw Error("cannot read text string", fz_caught_message(ctx), objectNumber(obj));
    return text != nullptr ? std::string(text) : std::string();
}

std::string toBytes(pdf_obj* obj) {
    fz_context* ctx = Library::context();
    if (!pdf_is_string(ctx, obj)) return std::string();
    return std::string(pdf_to_str_buf(ctx, obj), pdf_to_str_len(ctx, obj));
}

pdf_obj* pageResources(pdf_page* page) {
    fz_context* ctx = Library::context();
    pdf_obj* resources = nullptr;
    guarded(ctx, "cannot read page resources", [&] { resources = pdf_page_resources(ctx, page); });
    return resources;
}

int objectNumber(pdf_obj* obj) {
    return pdf_to_num(Library::context(), obj);
}

pdf_obj* catalog(pdf_document* doc) {
    fz_context* ctx = Library::context();
    pdf_obj* root = nullptr;
    guarded(ctx, "cannot read document catalog",
            [&] { root = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Root)); });
    return root;
}

pdf_obj* info(pdf_document* doc) {
    fz_context* ctx = Library::context();
    pdf_obj* dict = nullptr;
    guarded(ctx, "cannot read document information",
            [&] { dict = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Info)); });
    return pdf_is_dict(ctx, dict) ? dict : nullptr;
}

int pageCountOf(pdf_document* doc) {
    fz_context* ctx = Library::context();
    int count = 0;
    guarded(ctx, "cannot count pages", [&] { count = pdf_count_pages(ctx, doc); });
    return count;
}

int pageIndex(pdf_document* doc, pdf_obj* pageRef) {
    fz_context* ctx = Library::context();
    int index = -1;
    // A reference that the page tree cannot place is no page of ours.
    if (tryMupdf(ctx, [&] {
            if (pdf_is_dict(ctx, pageRef)) index = pdf_lookup_page_number(ctx, doc, pageRef);
        }) != 0)
        return -1;
    return index;
}

pdf_obj* namedDestination(pdf_document* doc, pdf_obj* name) {
    fz_context* ctx = Library::context();
    pdf_obj* dest = nullptr;
    ObjectHandle key(ctx);
    // A name that cannot be looked up names no destination.
    if (tryMupdf(ctx, [&] {
            // The catalog's /Dests dictionary (PDF 1.1), then the /Names /Dests
            // tree (PDF 1.2), whose keys are strings; a file may have both.
            pdf_obj* root = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Root));
            pdf_obj* dests = pdf_dict_get(ctx, root, PDF_NAME(Dests));
            const char* text =
                pdf_is_name(ctx, name) ? pdf_to_name(ctx, name) : pdf_to_text_string(ctx, name);
            if (pdf_is_dict(ctx, dests)) dest = pdf_dict_gets(ctx, dests, text);
            if (dest == nullptr) {
                key.out() = pdf_is_string(ctx, name) ? pdf_keep_obj(ctx, name)
                                                     : pdf_new_string(ctx, text, std::strlen(text));
                dest = pdf_lookup_name(ctx, doc, PDF_NAME(Dests), key.get());
            }
        }) != 0)
        return nullptr;
    return dest;
}

}  // namespace objects
}  // namespace pdf
