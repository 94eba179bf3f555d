// seo.xml, the publication's title and one link per page labelled with the page's first line,
// for search engines: the writer of one page's part (its first line, from the page's one
// reading) and of the file from every page's part.
//
//     std::vector<std::string> firstLines;                 // page 1 first
//     firstLines.push_back(firstLineText(pdf::TextPage(page)));
//     writeSeoFile(options, firstLines);
//
// Throws DocumentError naming the file when it cannot be written, EncodingError for a path that
// is not UTF-8.
#pragma once

#include <string>
#include <vector>

#include "document/GeneratorOptions.h"
#include "pdf/Document.h"
#include "pdf/text/TextPage.h"

// "createseotext": writeSeoFile with every page's first line (the first maxLines pages' when
// that is 1 or more). Always true.
bool writeSeo(const pdf::Document& document, const SeoOptions& options);

// The words of the page's first line in reading order, separated by one space; empty for a
// page without text.
std::string firstLineText(const pdf::TextPage& text);

// Writes options.outputDir + "seo.xml": <p> holding <span> with the title, one
// <a href="/#?page=N"> per page (at most maxLines when that is 1 or more) labelled with
// firstLines[N - 1], and the creator link when asked for.
void writeSeoFile(const SeoOptions& options, const std::vector<std::string>& firstLines);
