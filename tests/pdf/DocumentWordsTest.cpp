// The words a text writes, as they weigh a hyphen at a line end: a typesetter's when the text
// writes the pieces together and seldom or never with a hyphen between them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/text/DocumentWords.h"

namespace {

TEST(WordRuns, TypesetterHyphenIsOneBetweenPiecesWrittenTogetherAndNeverHyphenated) {
    struct Case {
        std::vector<std::u32string> words;
        std::u32string left, right;
        bool typesetters;
    };
    const std::vector<Case> cases = {
        {{U"freedesktop.org's"}, U"freedesk", U"top", true},
        {{U"Software"}, U"soft", U"ware", true},
        {{U"10.1103/PhysRevE.70"}, U"Phys", U"RevE", true},
        {{U"freedesktop", U"freedesk-top"}, U"freedesk", U"top", false},
        // The hyphens of word processors and of Latin-1 fonts are hyphens too.
        {{U"xmlto", U"xml\u2011to"}, U"xml", U"to", false},
        {{U"emmasoft", U"emma\u00ADsoft"}, U"emma", U"soft", false},
        // A word written together five times as often as hyphened: "Online" and "On-line".
        {{U"Online", U"online", U"online", U"Online", U"online", U"On-line"}, U"On", U"line", true},
        {{U"Online", U"online", U"online", U"Online", U"On-line"}, U"On", U"line", false},
        // But not when an address writes the hyphen: it is the address's own.
        {{U"ngspice", U"ngspice", U"ngspice", U"ngspice", U"ngspice", U"ngspice",
          U"https://example.net/files/ng-spice-rework/"},
         U"ng",
         U"spice",
         false},
        // A hyphen at a word's end joins nothing; pieces never written together are no word.
        {{U"soft-", U"ware"}, U"soft", U"ware", false},
    };
    for (const Case& c : cases) {
        pdf::WordRuns runs;
        for (const std::u32string& word : c.words) runs.addWord(word);
        EXPECT_EQ(c.typesetters, runs.hyphenated(c.left, c.right))
            << std::string(c.left.begin(), c.left.end()) << "-"
            << std::string(c.right.begin(), c.right.end());
    }
}

}  // namespace
