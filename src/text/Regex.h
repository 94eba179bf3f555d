// Regex — a compiled regular expression for searching text (a page's, for
// link and product recognition).
//
// Perl-compatible syntax (PCRE2) on UTF-8 text, case-sensitive, "." not
// matching a line feed; \d, \w and \s are ASCII classes. Compiled with the
// JIT where the machine has one. Every search runs under a match limit, so
// a pattern that backtracks without end fails the search instead of
// hanging the job:
//
//     Regex re("www\\.[a-z]+\\.com");
//     re.forEachMatch(text, [](size_t start, size_t end) { ... });
//
// Empty matches are passed over: they hold nothing to link. The subject's
// UTF-8 is checked once per search, not once per match, so a search costs
// the matching itself and no pass over the subject for each match.
// Ownership: owns its PCRE2 code and match data.
// Throws RegexError naming the pattern when it does not compile or a search
// exceeds the limit, e.g. "Expression '(a' does not compile: missing closing
// parenthesis at offset 2".
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// The one error of this unit: a job's expression that cannot be used. The
// message is one line naming the expression.
class RegexError : public std::runtime_error {
  public:
    explicit RegexError(const std::string& message) : std::runtime_error(message) {}
};

class Regex {
  public:
    explicit Regex(const std::string& pattern);
    ~Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    // Calls onMatch(start, end) with byte offsets of each match in subject,
    // left to right, matches not overlapping.
    // REQUIRES: subject is well-formed UTF-8.
    void forEachMatch(const std::string& subject,
                      const std::function<void(size_t start, size_t end)>& onMatch) const;

    const std::string& pattern() const { return pattern_; }

  private:
    struct Handles;
    std::string pattern_;
    std::unique_ptr<Handles> handles_;
};
