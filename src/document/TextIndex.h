// DocumentIndex.xml, the text of every page for searching the publication: the writer of one
// page's entry (from the page's one reading) and of the file from every page's entry.
//
// Throws DocumentError naming the file when it cannot be written, EncodingError for a path or
// text that is not UTF-8.
#pragma once

#include <string>
#include <vector>

#include "pdf/text/TextPage.h"

// The page's text (TextPage::text()), rewritten into visual order when rightToLeft
// (PDFDocument::rtlText).
std::string indexText(const pdf::TextPage& text, bool rightToLeft);

// Writes path: <doc> holding one <page p="N"> per page with pageTexts[N - 1].
void writeTextIndexFile(const std::string& path, const std::vector<std::string>& pageTexts);
