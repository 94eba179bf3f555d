// A contents page of a real manual's kind, built in code: its leader dots are glyphs of their
// own, painted one by one. Shared by the table tests and the layout fuzz target's seeds.
#pragma once

#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"

namespace testing_support {

// A contents page whose leader dots are glyphs of their own, 1.8 ems apart
// on one grid for all entries (so that they stand in columns, cut into by
// the entries' ends at different places), 12-point type on an A4 page.
// Each entry paints its dots right to left, then its page number, then its
// title; the grid's last dot falls on the page number's middle digit. The
// page of a real manual set so sent the table search round in circles (the
// job died of a stack overflow): the rows across the dot columns at its
// foot, with the short entries above them, filled the whole run that was
// taken apart to read them on their own, and it was taken apart again.
// expected gets the lines the page must read as: each entry with its dots and page number.
pdfbuild::PageSpec spacedLeaderContents(std::vector<std::string>& expected);

}  // namespace testing_support
