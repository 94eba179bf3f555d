// The three address expressions scripts/publish.sh gives "recognizelinks" (web addresses with
// a scheme, web addresses from "www.", e-mail addresses), for the tests that check what a
// publication's reader gets: read from the script's lines
//     links="$(expression 1 TYPE 'RESULT' 'REGEXP')"
// (shell words in single quotes, a quote written '"'"'), so the tests always try the
// publisher's own.
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/RecognitionJobs.h"

namespace testing_support {

// The shell words of `text` that are quoted, concatenated where nothing separates them.
inline std::vector<std::string> quotedShellWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\'' || c == '"') {
            std::size_t close = text.find(c, i + 1);
            if (close == std::string::npos) throw std::runtime_error("unclosed quote: " + text);
            word += text.substr(i + 1, close - i - 1);
            inWord = true;
            i = close;
        } else if (c == ' ') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

inline std::vector<Expression> publisherAddressExpressions() {
    std::ifstream script(QUILLON_PUBLISH_SCRIPT);
    std::vector<Expression> expressions;
    for (std::string line; std::getline(script, line);) {
        const std::string start = "=\"$(expression 1 ";
        std::size_t at = line.find(start);
        if (line.rfind("links", 0) != 0 || at == std::string::npos || line.size() < 2) continue;
        // TYPE 'RESULT' 'REGEXP' before the closing )"
        std::string rest = line.substr(at + start.size(), line.size() - at - start.size() - 2);
        std::size_t space = rest.find(' ');
        std::vector<std::string> words = quotedShellWords(rest.substr(space + 1));
        if (words.size() != 2) throw std::runtime_error("unreadable expression line: " + line);
        expressions.push_back({words[1], 1, std::stoi(rest.substr(0, space)), words[0], ""});
    }
    if (expressions.size() != 3)
        throw std::runtime_error("publish.sh does not hold the three address expressions");
    return expressions;
}

}  // namespace testing_support
