// pdf::WordRuns and pdf::DocumentWords — the words a document writes, to tell a
// typesetter's hyphen at a line end from one that belongs to what it breaks.
//
// Some typesetters (Apache FOP; TeX with hyphenation left on) break a web
// address like a word: "…/soft-" over "ware/glpk/", "arx-" over "iv.org".
// That hyphen is theirs, not the address's. The evidence is the words the
// text writes: a book that writes "software" and never "soft-ware" did not
// mean the hyphen. A page alone seldom writes the word whole beside the
// address (igraph's reference pages never write "software" at all), so the
// vocabulary asked for is the whole document's.
//
// A vocabulary (WordRuns) holds the runs of letters of the words it is given
// ("freedesktop", "org" and "s" of "freedesktop.org's") and the pairs of runs
// a hyphen joins inside a word ("xml-to"), in ASCII lower case ("Apache fop"
// holds "apache"); a hyphen at a word's end joins nothing.
//
//     WordRuns runs;
//     runs.addWord(U"freedesktop.org's");
//     runs.hyphenated(U"freedesk", U"top");   // true
//
// DocumentWords::of(document) is the document's vocabulary, read at the first
// question it is asked: every page's words as the page's text lays them out
// (TextLayout.h), before any address is joined. A page that cannot be read
// adds nothing; its own reading reports it.
//
// Work: the document's pages read once more, once per open Document, and only
// for a document whose text asks (an address hyphenated at a line end: most
// never do); memory: the document's distinct runs, at most kMaxRuns of them
// (a larger vocabulary answers from the first kMaxRuns, in page order).
// Ownership: the vocabulary lives with its Document.
// REQUIRES: called on the thread that opened the document.
// Throws std::bad_alloc only: a page's pdf::Error is caught.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "pdf/Document.h"

namespace pdf {

class WordRuns {
  public:
    // The word's characters, as the page's text holds them.
    void addWord(std::u32string_view word);
    // Whether a typesetter's hyphen broke `left` + `right` (in any case): the
    // vocabulary holds them written together and nowhere with a hyphen between
    // them.
    bool hyphenated(const std::u32string& left, const std::u32string& right) const;
    std::size_t size() const { return runs_.size() + hyphened_.size(); }

  private:
    std::unordered_set<std::u32string> runs_;
    std::unordered_set<std::u32string> hyphened_;
};

class DocumentWords {
  public:
    // A few million distinct words: more than any real book writes.
    static constexpr std::size_t kMaxRuns = 4000000;

    // The document's vocabulary, made at the first call (and read at the first
    // question); shared by every later call for the same Document.
    static DocumentWords& of(const Document& document);

    explicit DocumentWords(const Document& document) : document_(document) {}

    // Whether a typesetter's hyphen broke `left` + `right`, as WordRuns says of
    // the whole document.
    bool hyphenated(const std::u32string& left, const std::u32string& right);

  private:
    void read();

    const Document& document_;
    bool read_ = false;
    WordRuns runs_;
};

}  // namespace pdf
