// StringFormatter — the "$regresult" substitution of link address templates,
// and the form matched text takes in an address.
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

    // Matched text as it goes into an address in place of "$regresult": every
    // byte outside ASCII written as "%" and two upper-case hexadecimal digits,
    // so a character outside ASCII becomes its UTF-8 percent-encoded, as a
    // browser sends it; ASCII is kept as it is (the template and the
    // expression decide what an address holds). The hyphen U+2010 and the
    // non-breaking hyphen U+2011, which word processors print in addresses,
    // are written as "-", and the tildes U+223C and U+02DC, which Doxygen and
    // TeX print, as "~":
    //     addressForm("wiki/\u0623") == "wiki/%D8%A3"
    //     addressForm("images\u2011search.example.org") == "images-search.example.org"
    //     addressForm("www.stack.nl/\u223Cdimitri/") == "www.stack.nl/~dimitri/"
    static std::string addressForm(const std::string& utf8);
};
