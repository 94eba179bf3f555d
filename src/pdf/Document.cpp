#include "pdf/Document.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
#include <sys/stat.h>

#include <set>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Objects.h"
#include "pdf/PageLimits.h"

// Document::page gives back a reference that MuPDF 1.21's pdf_load_page takes twice once the
// page tree's map is loaded; another version may take it once (check pdf_load_page_imp and
// pdf_lookup_page_obj in source/pdf/pdf-page.c), and the page would then be freed under it.
#if FZ_VERSION_MAJOR != 1 || FZ_VERSION_MINOR != 21
#error \
    "src/pdf/Document.cpp gives back a reference MuPDF 1.21 keeps twice: check it for this version"
#endif

namespace pdf {
namespace {

std::string baseName(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file up to this size is read into memory when it is opened: MuPDF's file stream reads
// 4 KiB at a time and seeks before every object it loads (some 11,000 system calls for a
// 2.6 MB book of 352 pages, a tenth of reading its text), from memory there are none. A
// larger file is read from the disk as objects are needed, so that a job's memory stays
// bounded (each worker opens the document for itself).
constexpr off_t kReadIntoMemoryBytes = 32 << 20;

// The page tree walked for its leaves at most this deep (real trees are a few levels deep).
constexpr int kMaxPageTreeDepth = 64;
// From this many pages a document's pages are found through MuPDF's map of its page tree:
// walking a flat tree of 1,000 kids for each page costs a few milliseconds in all.
constexpr int kPageMapFromPages = 1000;

// The pages of the tree under `node` as MuPDF's map of the tree takes them: a /Pages node's
// kids in order, a /Page a page; -1 when the tree holds anything else, repeats a node or is
// deeper than kMaxPageTreeDepth, or has more than `most` pages. Linear in the tree's nodes.
int pageTreeLeaves(pdf_obj* node, int depth, int most, std::set<int>& seen) {
    const int number = objects::objectNumber(node);
    if (depth > kMaxPageTreeDepth || (number != 0 && !seen.insert(number).second)) return -1;
    pdf_obj* type = objects::get(node, "Type");
    if (objects::isName(type, "Page")) return 1;
    if (!objects::isName(type, "Pages")) return -1;
    pdf_obj* kids = objects::get(node, "Kids");
    int leaves = 0;
    for (int i = 0, n = objects::length(kids); i < n; ++i) {
        const int under = pageTreeLeaves(objects::at(kids, i), depth + 1, most - leaves, seen);
        if (under < 0 || (leaves += under) > most) return -1;
    }
    return leaves;
}

constexpr int kMissingPageObject = 1;
constexpr int kMissingContents = 2;

// What a damaged file lacks of a loaded page: its dictionary (the page tree
// names an object the file does not hold), or the content stream its
// /Contents names; 0 when neither. A page without /Contents is blank by
// design. REQUIRES: inside a MuPDF boundary.
int damagedPage(fz_context* ctx, pdf_page* page) {
    if (!pdf_is_dict(ctx, page->obj)) return kMissingPageObject;
    pdf_obj* contents = pdf_dict_get(ctx, page->obj, PDF_NAME(Contents));
    if (contents == nullptr) return 0;
    if (pdf_is_array(ctx, contents)) {
        for (int i = 0, n = pdf_array_len(ctx, contents); i < n; ++i)
            if (!pdf_is_stream(ctx, pdf_array_get(ctx, contents, i))) return kMissingContents;
        return 0;
    }
    return pdf_is_stream(ctx, contents) ? 0 : kMissingContents;
}

}  // namespace

Document::Document(const std::string& path) : path_(path) {
    const Error::Place place{baseName(path)};
    const char* const opening = "cannot open document";
    // A device or a pipe would be read without end, or block.
    struct stat status;
    const bool found = stat(path.c_str(), &status) == 0;
    if (found && !S_ISREG(status.st_mode)) throw Error(place, opening, "it is not a regular file");
    fz_context* ctx = Library::context();
    DocumentHandle doc(ctx);
    // An empty user password is tried by MuPDF on opening; what still needs
    // a password cannot be read by an unattended job.
    int locked = 0;
    const bool intoMemory = found && status.st_size <= kReadIntoMemoryBytes;
    BufferHandle contents(ctx);
    StreamHandle stream(ctx);
    guarded(ctx, place, opening, [&] {
        if (intoMemory) {
            contents.out() = fz_read_file(ctx, path.c_str());
            stream.out() = fz_open_buffer(ctx, contents.get());
            doc.out() = pdf_open_document_with_stream(ctx, stream.get());
        } else {
            doc.out() = pdf_open_document(ctx, path.c_str());
        }
        locked =
            pdf_needs_password(ctx, doc.get()) && !pdf_authenticate_password(ctx, doc.get(), "");
    });
    if (locked) throw Error(place, opening, "a password is required");

    // MuPDF's repair opens a file whose page tree is lost as a document of
    // no pages; a publication of it would be empty, so it is refused, as is
    // a document that has no pages at all.
    try {
        if (!objects::isDictionary(objects::get(objects::catalog(doc.get()), "Pages")))
            throw Error(place, opening, "its page tree is missing");
        if (objects::pageCountOf(doc.get()) == 0) throw Error(place, opening, "it has no pages");
    } catch (const Error& e) {
        throw e.within(place, e.file().empty() ? opening : "");
    }
    // MuPDF finds a page by walking its tree's kids, so reaching every page of a book whose
    // tree is one flat list of 10,000 kids costs the square of its pages (most of a job's
    // time on such a book); its map of the tree makes each a lookup. The map is made only
    // when the tree holds exactly the pages it declares, since MuPDF's map would hold unset
    // entries for pages it lacks; otherwise pages are found as before. And only for a book of
    // kPageMapFromPages pages or more, where the walks cost: with the map, MuPDF 1.21 also
    // keeps for good each page that a link names by its number, a reference given back
    // nowhere (see Document::page for the one that is).
    try {
        std::set<int> seen;
        const int pages = objects::pageCountOf(doc.get());
        if (pages >= kPageMapFromPages &&
            pageTreeLeaves(objects::get(objects::catalog(doc.get()), "Pages"), 0, pages, seen) ==
                pages) {
            pageMap_ = tryMupdf(ctx, [&] { pdf_load_page_tree(ctx, doc.get()); }) == 0;
        }
    } catch (const Error&) {
        // A tree that cannot be walked is read page by page, as it always was.
    }
    doc_ = doc.release();
    cost_ = std::make_shared<DocumentCost>();
    cost_->fileBytes = status.st_size;
    self_ = std::make_shared<const Document*>(this);
}

Document::~Document() {
    *self_ = nullptr;
    fz_context* ctx = Library::context();
    if (pageMap_) pdf_drop_page_tree(ctx, doc_);
    pdf_drop_document(ctx, doc_);
}

Error::Place Document::place() const {
    return {baseName(path_)};
}

int Document::pageCount() const {
    try {
        return objects::pageCountOf(doc_);
    } catch (const Error& e) {
        throw e.within(place());
    }
}

Page Document::page(int number) const {
    fz_context* ctx = Library::context();
    int count = pageCount();
    if (number < 1 || number > count) {
        throw Error(Error::Place{baseName(path_), number},
                    "no such page (the document has " + std::to_string(count) + ")");
    }
    const Error::Place place{baseName(path_), number};
    PdfPageHandle page(ctx);
    int missing = 0;
    guarded(ctx, place, "cannot load page", [&] {
        page.out() = pdf_load_page(ctx, doc_, number - 1);
        // With the map of the page tree loaded, MuPDF 1.21 takes a reference to the page's
        // object that it never gives back (pdf_lookup_page_obj keeps what it returns, and the
        // page keeps it again): given back here, so that the object is freed with the
        // document.
        if (pageMap_ && !doc_->file_reading_linearly) pdf_drop_obj(ctx, page.get()->obj);
        missing = damagedPage(ctx, page.get());
    });
    // MuPDF shows what it cannot find as an empty page; a publication of a
    // truncated file would have blank pages where the file had content.
    if (missing == kMissingPageObject)
        throw Error(place, "cannot load page", "its page object is missing");
    if (missing == kMissingContents)
        throw Error(place, "cannot load page", "its content stream is missing");
    return Page(page.release(), number, baseName(path_), cost_, self_);
}

std::string Document::describe() const {
    return baseName(path_);
}

std::string Document::title() const {
    try {
        return objects::toText(objects::get(objects::info(doc_), "Title"));
    } catch (const Error& e) {
        throw e.within(place());
    }
}

}  // namespace pdf
