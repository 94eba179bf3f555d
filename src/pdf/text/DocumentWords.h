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
// A document also shows how its typesetter breaks addresses. Where most of
// its addresses that end a line in a hyphen break words the document writes
// whole (gpsbabel's manual: "source-" over "forge", "Way-" over "point",
// twenty times, and never an address's own hyphen), the typesetter
// hyphenates addresses like words, and a hyphen between pieces that are no
// words of their own is most likely its hyphen too ("…/gpx_re-" over
// "sources.asp" in a manual that never writes "resources"):
// hyphenatesAddresses() says whether it does, from the document's line ends.
//
// Work: the document's pages read once more, once per open Document, and only
// for a document whose text asks (an address hyphenated at a line end: most
// never do); memory: the document's distinct runs, at most kMaxRuns of them
// (a larger vocabulary answers from the first kMaxRuns, in page order), and
// its line ends in a hyphen within a word that may be an address's, at most
// kMaxBreaks of them.
// Ownership: the vocabulary lives with its Document.
// REQUIRES: called on the thread that opened the document.
// Throws std::bad_alloc only: a page's pdf::Error is caught.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "pdf/Document.h"

namespace pdf {

class WordRuns {
  public:
    // The word's characters, as the page's text holds them.
    void addWord(std::u32string_view word);
    // Whether a typesetter's hyphen broke `left` + `right` (in any case): the
    // vocabulary holds them written together, and with a hyphen between them
    // nowhere, or in no address and no more than one time in
    // kTogetherToHyphened (gnucash's manual writes "Online" 84 times and
    // "On-line" 12: its "…/De/On-" over "line-Banking" is FOP's hyphen; but
    // ngspice's "…/files/ng-" over "spice-rework/" is printed whole as
    // ".../ng-spice-rework/" on another page).
    bool hyphenated(const std::u32string& left, const std::u32string& right) const;
    static constexpr int kTogetherToHyphened = 5;
    // A line end (a table cell's line's too) that breaks a word at a hyphen:
    // the letters before it and after it, which are pieces there, not words.
    void addBrokenWord(std::u32string_view left, std::u32string_view right);
    // Whether the vocabulary holds the run as a word of its own somewhere, in
    // any case: more often than as a piece of a broken word.
    bool writesWord(const std::u32string& run) const;
    // Whether it holds `left` + "-" + `right` inside a word, in any case.
    bool writesHyphened(const std::u32string& left, const std::u32string& right) const;
    std::size_t size() const { return runs_.size() + hyphened_.size(); }

  private:
    std::unordered_map<std::u32string, int> runs_;  // how often each is written
    std::unordered_map<std::u32string, int> pieces_;
    std::unordered_map<std::u32string, int> hyphened_;    // how often each is written
    std::unordered_set<std::u32string> addressHyphened_;  // those written in an address
};

// The letters either side of the hyphen where a line end breaks an address
// ("freedesk", "top"); both empty for a line end that breaks none.
using HyphenPieces = std::pair<std::u32string, std::u32string>;
using AddressBreak = std::function<HyphenPieces(std::u32string_view lastWord,
                                                std::u32string_view nextLineFirstWord)>;

class DocumentWords {
  public:
    // A few million distinct words: more than any real book writes.
    static constexpr std::size_t kMaxRuns = 4000000;
    // Far more line ends in an address's hyphen than a book has.
    static constexpr std::size_t kMaxBreaks = 100000;
    // The typesetter's hyphens, by the document's words, that show it
    // hyphenates addresses: a few, and three times the address's own.
    static constexpr int kMinTypesetterBreaks = 3;
    static constexpr int kTypesetterToOwn = 3;

    // The document's vocabulary, made at the first call (and read at the first
    // question); shared by every later call for the same Document.
    static DocumentWords& of(const Document& document);

    explicit DocumentWords(const Document& document) : document_(document) {}

    // Whether a typesetter's hyphen broke `left` + `right`, as WordRuns says of
    // the whole document.
    bool hyphenated(const std::u32string& left, const std::u32string& right);
    // WordRuns::writesWord and writesHyphened, of the whole document.
    bool writesWord(const std::u32string& run);
    bool writesHyphened(const std::u32string& left, const std::u32string& right);

    // Whether the document's typesetter hyphenates its addresses like words:
    // of the line ends that `addressBreak` says break an address at a hyphen,
    // at least kMinTypesetterBreaks break pieces the document writes together
    // and never hyphened (hyphenated()), and kTypesetterToOwn times as many as
    // break pieces it writes with a hyphen. Decided at the first call.
    // REQUIRES: the same `addressBreak` at every call.
    bool hyphenatesAddresses(const AddressBreak& addressBreak);

  private:
    // A line end (a table cell's line's too) in a hyphen after a letter, in
    // a word that holds one of ":/.@", over a line that starts with a letter.
    struct LineEnd {
        std::u32string lastWord, nextLineFirstWord;
    };

    void read();

    const Document& document_;
    bool read_ = false;
    WordRuns runs_;
    std::vector<LineEnd> lineEnds_;
    int hyphenatesAddresses_ = -1;  // -1: not decided yet
};

}  // namespace pdf
