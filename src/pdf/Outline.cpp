#include "pdf/Outline.h"

#include <set>

#include "pdf/Error.h"
#include "pdf/Objects.h"

namespace pdf {
namespace {

// Deeper nesting than any real outline; it keeps a hostile file from
// exhausting the stack.
constexpr int kMaxDepth = 64;

void readSiblings(pdf_document* doc, pdf_obj* first, int depth, std::set<int>& seen,
                  std::vector<OutlineItem>& out) {
    for (pdf_obj* item = first; item != nullptr; item = objects::get(item, "Next")) {
        int number = objects::objectNumber(item);
        if (!objects::isDictionary(item) || (number != 0 && !seen.insert(number).second)) break;
        OutlineItem entry;
        entry.title = objects::toText(objects::get(item, "Title"));
        entry.action = readAction(doc, item);
        if (depth < kMaxDepth) {
            readSiblings(doc, objects::get(item, "First"), depth + 1, seen, entry.children);
        }
        out.push_back(std::move(entry));
    }
}

}  // namespace

std::vector<OutlineItem> readOutline(const Document& document) {
    std::vector<OutlineItem> items;
    std::set<int> seen;
    try {
        pdf_obj* outlines = objects::get(objects::catalog(document.handle()), "Outlines");
        readSiblings(document.handle(), objects::get(outlines, "First"), 0, seen, items);
    } catch (const Error& e) {
        throw e.within(document.place(), "outline");
    }
    return items;
}

}  // namespace pdf
