// The writer of one page's HTML text page, Page_N.html, from the page's one reading: a fixed
// header, the page's lines as "<br />" followed by each word and a space, grouped in one
// <div class="paragraph"> per paragraph, a fixed footer. Markup characters of the words are
// escaped; the bytes are UTF-8. Runs on any thread; throws nothing but std::bad_alloc.
#pragma once

#include <string>

#include "pdf/Document.h"
#include "pdf/text/TextPage.h"

// "createpageshtml": writes dir + "Page_N.html" for every page, each written whole; a page that
// fails leaves the pages before it. Always true.
bool writeHtmlPages(const pdf::Document& document, const std::string& dir);

// The whole file.
std::string pageHtml(const pdf::TextPage& text);
