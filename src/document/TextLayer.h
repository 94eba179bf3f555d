// The writer of one page's text layer, Text_N.json (docs/jobs.md, "Text_N.json"), and of the
// line texts the search text is made of, both from the page's one reading.
//
// Geometry: boxes are written in page space (points from the top-left corner of the shown
// page, y down); the reading's quads are in the page's user space, which PageShape's matrix
// maps to page space. A PageShape is plain data, so the writers run on any thread.
//
//     const pdf::Page page = document.page(3);             // on the document's thread
//     const PageShape shape = pageShape(page);
//     const pdf::TextPage text(page);
//     std::string json = textLayerJson(shape, text);      // on any thread
//
// Nothing is thrown but std::bad_alloc.
#pragma once

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Geometry.h"
#include "pdf/Page.h"
#include "pdf/text/TextPage.h"

// What the text layer needs of a page besides its text.
struct PageShape {
    int number = 0;
    double width = 0, height = 0;  // the shown page, points
    pdf::Matrix userToPage;
};

PageShape pageShape(const pdf::Page& page);

// The whole content of Text_N.json for the page.
std::string textLayerJson(const PageShape& page, const pdf::TextPage& text);

// The text of each line the layer holds ("t"): its written words joined by single spaces; lines
// without a written word are left out, as the layer leaves them out.
std::vector<std::string> textLayerLines(const pdf::TextPage& text);

// "createtextlayer": writes dir + "Text_N.json" for every page from fromPage to toPage (cut to
// the document; none when the range is empty). Each file is written whole, all flushed to the
// disk together before they are put in place; a page that fails leaves the pages before it.
// Always true.
bool writeTextLayer(const pdf::Document& document, const std::string& dir, int fromPage,
                    int toPage);
