#include "pdf/Action.h"

#include "pdf/Objects.h"

namespace pdf {
namespace {

// Named destinations may name a dictionary whose /D is the array, and a
// malicious file may chain names; a few steps are all real files use.
constexpr int kMaxDestinationSteps = 8;

// 0-based page index of a destination, or -1.
int destinationPage(pdf_document* doc, pdf_obj* dest) {
    for (int step = 0; step < kMaxDestinationSteps && dest != nullptr; ++step) {
        if (objects::isArray(dest)) {
            pdf_obj* target = objects::at(dest, 0);
            if (objects::isInteger(target)) {
                // Some producers write the page index instead of a reference.
                return objects::toInteger(target);
            }
            return objects::pageIndex(doc, target);
        }
        if (objects::isDictionary(dest)) {
            dest = objects::get(dest, "D");
        } else if (objects::isString(dest) || objects::isAnyName(dest)) {
            dest = objects::namedDestination(doc, dest);
        } else {
            return -1;
        }
    }
    return -1;
}

Action goTo(pdf_document* doc, pdf_obj* dest, int pageCount) {
    Action action;
    action.kind = Action::Kind::GoTo;
    int index = destinationPage(doc, dest);
    if (index >= 0 && index < pageCount) {
        action.destinationValid = true;
        action.page = index + 1;
    }
    return action;
}

}  // namespace

Action readAction(pdf_document* doc, pdf_obj* item) {
    int pageCount = -1;
    auto count = [&]() {
        if (pageCount < 0) pageCount = objects::pageCountOf(doc);
        return pageCount;
    };
    pdf_obj* dict = objects::get(item, "A");
    if (dict == nullptr) {
        pdf_obj* dest = objects::get(item, "Dest");
        return dest != nullptr ? goTo(doc, dest, count()) : Action();
    }
    if (!objects::isDictionary(dict)) return Action();
    pdf_obj* type = objects::get(dict, "S");
    if (objects::isName(type, "GoTo")) return goTo(doc, objects::get(dict, "D"), count());
    Action action;
    if (objects::isName(type, "URI")) {
        action.kind = Action::Kind::Uri;
        pdf_obj* uri = objects::get(dict, "URI");
        action.uriReadable = objects::isString(uri);
        action.uri = objects::toText(uri);
        return action;
    }
    action.kind = Action::Kind::Other;
    return action;
}

}  // namespace pdf
