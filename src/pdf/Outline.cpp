#include "pdf/Outline.h"

#include <set>

#include "pdf/Error.h"
#include "pdf/Objects.h"

namespace pdf {
namespace {

void readSiblings(pdf_document* doc, pdf_obj* first, int depth, std::set<int>& seen,
                  std::vector<OutlineItem>& out, bool& deeperLeftOut) {
    for (pdf_obj* item = first; item != nullptr; item = objects::get(item, "Next")) {
        int number = objects::objectNumber(item);
        if (!objects::isDictionary(item) || (number != 0 && !seen.insert(number).second)) break;
        OutlineItem entry;
        entry.title = objects::toText(objects::get(item, "Title"));
        entry.action = readAction(doc, item);
        pdf_obj* firstChild = objects::get(item, "First");
        if (depth < kMaxOutlineDepth) {
            readSiblings(doc, firstChild, depth + 1, seen, entry.children, deeperLeftOut);
        } else if (objects::isDictionary(firstChild)) {
            deeperLeftOut = true;
        }
        out.push_back(std::move(entry));
    }
}

}  // namespace

std::vector<OutlineItem> readOutline(const Document& document, bool* deeperLeftOut) {
    std::vector<OutlineItem> items;
    std::set<int> seen;
    bool cut = false;
    try {
        pdf_obj* outlines = objects::get(objects::catalog(document.handle()), "Outlines");
        readSiblings(document.handle(), objects::get(outlines, "First"), 0, seen, items, cut);
        if (deeperLeftOut != nullptr) *deeperLeftOut = cut;
    } catch (const Error& e) {
        throw e.within(document.place(), "outline");
    }
    return items;
}

}  // namespace pdf
