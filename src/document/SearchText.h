// The text the viewer searches, written in parts as the pages come, so that a reader's first
// search fetches a few files however long the book:
//   search-1.json, search-2.json, ...   {"v":1,"pages":[[N,"line\nline"],...]}
//       consecutive pages, each its number and its text layer's line texts joined by line feeds
//       (TextLayer.h), a part ending before it would pass partBytes bytes of entries (a page
//       larger than that is a part of its own) or hold partPages pages;
//   search.json                          {"v":2,"parts":[[first,last],...]}
//       the first and last page of each part, in order.
// Each file is one line of UTF-8 JSON ending in a line feed, strings escaped as jq writes them
// (JsonString.h). Memory: one part at a time; linear in the text.
//
//     SearchTextWriter search(dir, 131072);
//     for (each page in order) search.addPage(n, textLayerLines(text));
//     search.finish();
//
// Each file is written whole under a temporary name and renamed into place (OutputFile), its
// bytes flushed by the caller (OutputFile::syncFileSystem). Throws DocumentError naming the file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t kSearchPartBytes = 131072;
constexpr int kSearchPartPages = 500;

class SearchTextWriter {
  public:
    // dir: the folder, with its trailing '/'.
    SearchTextWriter(std::string dir, std::size_t partBytes = kSearchPartBytes,
                     int partPages = kSearchPartPages);

    // REQUIRES: pages in increasing order; not finished.
    void addPage(int number, const std::vector<std::string>& lines);
    // Writes the last part and search.json.
    void finish();

  private:
    void writePart();

    std::string dir_;
    std::size_t partBytes_;
    int partPages_;
    std::string entries_;  // the waiting part's entries, comma-separated
    std::size_t entryBytes_ = 0;
    int pagesWaiting_ = 0;
    int firstWaiting_ = 0, lastWaiting_ = 0;
    int partsWritten_ = 0;
    std::string index_;  // "[1,57],[58,131]"
};
