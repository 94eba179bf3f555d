// StringFormatter — the "$regresult" substitution of link address templates.
#pragma once

#include <string>

class StringFormatter {
  public:
    // Replaces every occurrence of `from` in text, left to right, by `to`,
    // and returns text. The search goes on right behind each inserted copy,
    // so inserted text is never searched again:
    //     replaceAll(s = "http://x/$regresult?q=$regresult", "$regresult", "a")
    //         == "http://x/a?q=a"
    // REQUIRES: from is not empty.
    static std::string& replaceAll(std::string& text, const std::string& from,
                                   const std::string& to);
};
