// The document outline (bookmarks) as a tree.
//
// Items come in outline order, each with its title (UTF-8, "" when absent),
// its action (Action.h) and its children. The walk follows /First and /Next
// and stops at an item it has seen before, so an outline whose links loop
// back yields each item once. Items more than kMaxOutlineDepth levels below
// the top are left out (with what is below them): no real outline nests so
// deep, and the walk recurses once per level.
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

constexpr int kMaxOutlineDepth = 64;

// deeperLeftOut, when given, is set to whether items below kMaxOutlineDepth
// levels were left out.
std::vector<OutlineItem> readOutline(const Document& document, bool* deeperLeftOut = nullptr);

}  // namespace pdf
