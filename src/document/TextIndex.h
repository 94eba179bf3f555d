// DocumentIndex.xml, the text of every page for searching the publication: the writer of one
// page's entry (from the page's one reading) and of the file from every page's entry.
//
// Throws DocumentError naming the file when it cannot be written, EncodingError for a path or
// text that is not UTF-8.
#pragma once

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/text/TextPage.h"

// "createindex": writes dir + "DocumentIndex.xml", <doc> with one <page p="N"> per page holding
// its text (TextPage::text(): words in reading order, one space between words, a line feed
// between lines, hyphenated line ends joined, hidden text left out), rewritten into visual
// order when generateRtlOutput is set. Always true.
bool writeTextIndex(const pdf::Document& document, const std::string& dir, bool generateRtlOutput);

// The page's text (TextPage::text()), rewritten into visual order when rightToLeft
// (rtlText).
std::string indexText(const pdf::TextPage& text, bool rightToLeft);

// Writes path: <doc> holding one <page p="N"> per page with pageTexts[N - 1].
void writeTextIndexFile(const std::string& path, const std::vector<std::string>& pageTexts);

// The text with every line's words in reverse order and the letters of every word that holds
// right-to-left script reversed. Throws EncodingError when the text is not well-formed UTF-8.
std::string rtlText(const std::string& text);
// Appends to pieces the parts of text between occurrences of separator; empty parts count, so
// joinStrings(pieces, separator) gives text back. An empty separator leaves text whole.
void splitString(std::vector<std::wstring>& pieces, const std::wstring& text,
                 const std::wstring& separator);
std::wstring joinStrings(const std::vector<std::wstring>& pieces, const std::wstring& separator);
// True when a unit of word lies in U+0590..U+07BF (Hebrew, Arabic, Syriac, Arabic Supplement,
// Thaana).
bool hasRTLCharacters(const std::wstring& word);
