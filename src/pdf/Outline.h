// The document outline (bookmarks) as a tree.
//
// Items come in outline order, each with its title (UTF-8, "" when absent),
// its action (Action.h) and its children. The walk follows /First and /Next
// and stops at an item it has seen before, so an outline whose links loop
// back yields each item once.
//
// Throws pdf::Error naming the file when the outline's objects cannot be read.
#pragma once

#include <string>
#include <vector>

#include "pdf/Action.h"
#include "pdf/Document.h"

namespace pdf {

struct OutlineItem {
    std::string title;
    Action action;
    std::vector<OutlineItem> children;
};

std::vector<OutlineItem> readOutline(const Document& document);

}  // namespace pdf
