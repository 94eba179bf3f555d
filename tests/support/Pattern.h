// Pattern — a regular expression for the tests' reading of outputs and of other tools' reports:
// PCRE2, as the program's own expressions, on bytes (a class such as [^"] takes one byte of a
// UTF-8 character at a time), "$" only at the subject's very end. Groups are copied out, so a
// Match outlives its subject.
//
//     Pattern loc("loc=\"(\\d+) (\\d+)");
//     if (Match m = loc.search(xml)) x = std::stoi(m[1]);
//     for (const Match& m : loc.all(xml)) ...
//
// Ownership: owns its compiled code. Throws std::runtime_error naming the expression when it
// does not compile or a search fails (a test's own mistake, not a finding).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// One group of a match: its text, and whether it took part in the match at all.
struct Group {
    bool matched = false;
    std::string text;

    operator const std::string&() const { return text; }
    const std::string& str() const { return text; }
    bool operator==(const char* other) const { return text == other; }
    bool operator!=(const char* other) const { return text != other; }
};

// A match: group 0 the whole, then the expression's groups; byte offsets of the whole in the
// subject. False when nothing matched.
class Match {
  public:
    Match() = default;
    Match(size_t start, size_t end, std::vector<Group> groups)
        : found_(true), start_(start), end_(end), groups_(std::move(groups)) {}

    explicit operator bool() const { return found_; }
    const Group& operator[](size_t i) const;
    const std::string& str(size_t i = 0) const { return (*this)[i].text; }
    size_t start() const { return start_; }
    size_t end() const { return end_; }

  private:
    bool found_ = false;
    size_t start_ = 0, end_ = 0;
    std::vector<Group> groups_;
};

class Pattern {
  public:
    explicit Pattern(const std::string& expression, bool ignoreCase = false);
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // The first match starting at or after byte `from`.
    Match search(const std::string& subject, size_t from = 0) const;
    // Whether the expression matches the whole subject.
    bool matchesWhole(const std::string& subject) const;
    // Every match, left to right, not overlapping; an empty match moves on by one byte.
    std::vector<Match> all(const std::string& subject) const;
    size_t count(const std::string& subject) const { return all(subject).size(); }
    // The subject with every match replaced by `replacement`, in which "$1" or "${1}" stands
    // for a group and "$$" for a dollar.
    std::string replaceAll(const std::string& subject, const std::string& replacement) const;
    // The pieces between the matches, the empty ones too.
    std::vector<std::string> split(const std::string& subject) const;

  private:
    struct Code;
    std::string expression_;
    std::unique_ptr<Code> code_;
};

}  // namespace testing_support
