// The writer of one page's HTML text page, Page_N.html, from the page's one reading: a fixed
// header, the page's lines as "<br />" followed by each word and a space, grouped in one
// <div class="paragraph"> per paragraph, a fixed footer. Markup characters of the words are
// escaped; the bytes are UTF-8. Runs on any thread; throws nothing but std::bad_alloc.
#pragma once

#include <string>

#include "pdf/text/TextPage.h"

// The whole file.
std::string pageHtml(const pdf::TextPage& text);
