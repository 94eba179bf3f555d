// What a publication says of itself: its title, publication.json (what the viewer reads first)
// and the title its SEO text carries.
//
//     publicationTitle("  Café – Übersicht\n", "Café.pdf") == "Café – Übersicht"
//     publicationTitle("", "Preisliste 2024.PDF")           == "Preisliste 2024"
//     publicationJson("Café", true, "Café.pdf")
//         == "{\"title\":\"Café\",\"pdf\":\"document.pdf\",\"pdfName\":\"Café.pdf\"}\n"
//
// Strings are UTF-8. Nothing is thrown but std::bad_alloc.
#pragma once

#include <string>

// The PDF's own title (its document information's /Title) trimmed of white space around it
// (Unicode's White_Space characters), none inside; a title of white space alone counts as none,
// and the file name stands in, less ".pdf" (in any case) when it ends so.
std::string publicationTitle(const std::string& pdfTitle, const std::string& pdfFileName);

// publication.json's one line: {"title":...} and, withPdf, "pdf":"document.pdf" and
// "pdfName": the original file name, and for a book read from right to left "dir":"rtl" (the
// viewer's spreads, arrow keys and swipes then follow it), and "tiles" as given (a JSON object,
// left out when empty); strings escaped as jq writes them, U+0080 to U+009F too.
std::string publicationJson(const std::string& title, bool withPdf, const std::string& pdfName,
                            bool rightToLeft = false, const std::string& tiles = "");

// The title seo.xml carries: title less the control characters a job file cannot hold (all
// below U+0020 but tab, line feed and carriage return, and U+007F); docId when nothing but
// white space is left.
std::string seoTitle(const std::string& title, const std::string& docId);

// The document id a publication is given: the file name less its last extension.
std::string publicationDocId(const std::string& pdfFileName);
