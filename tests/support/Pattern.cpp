#include "support/Pattern.h"

#include <stdexcept>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace testing_support {

namespace {

std::string errorText(int code) {
    PCRE2_UCHAR buffer[256];
    pcre2_get_error_message(code, buffer, sizeof buffer);
    return reinterpret_cast<const char*>(buffer);
}

PCRE2_SPTR bytes(const std::string& text) {
    return reinterpret_cast<PCRE2_SPTR>(text.data());
}

struct MatchData {
    pcre2_match_data* data;
    explicit MatchData(const pcre2_code* code)
        : data(pcre2_match_data_create_from_pattern(code, nullptr)) {}
    ~MatchData() { pcre2_match_data_free(data); }
    MatchData(const MatchData&) = delete;
    MatchData& operator=(const MatchData&) = delete;
};

}  // namespace

struct Pattern::Code {
    pcre2_code* code = nullptr;
    ~Code() { pcre2_code_free(code); }
};

const Group& Match::operator[](size_t i) const {
    if (i >= groups_.size())
        throw std::out_of_range("no group " + std::to_string(i) + " in this match");
    return groups_[i];
}

Pattern::Pattern(const std::string& expression, bool ignoreCase)
    : expression_(expression), code_(new Code) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_->code = pcre2_compile(bytes(expression), expression.size(),
                                PCRE2_DOLLAR_ENDONLY | (ignoreCase ? PCRE2_CASELESS : 0), &error,
                                &offset, nullptr);
    if (code_->code == nullptr)
        throw std::runtime_error("Expression '" + expression + "' does not compile: " +
                                 errorText(error) + " at offset " + std::to_string(offset));
}

Pattern::~Pattern() = default;

Match Pattern::search(const std::string& subject, size_t from) const {
    MatchData match(code_->code);
    int found =
        pcre2_match(code_->code, bytes(subject), subject.size(), from, 0, match.data, nullptr);
    if (found == PCRE2_ERROR_NOMATCH) return Match();
    if (found < 0)
        throw std::runtime_error("Expression '" + expression_ + "' fails: " + errorText(found));
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.data);
    uint32_t groups = 0;
    pcre2_pattern_info(code_->code, PCRE2_INFO_CAPTURECOUNT, &groups);
    std::vector<Group> out(groups + 1);
    for (uint32_t i = 0; i <= groups && static_cast<int>(i) < found; ++i) {
        if (ovector[2 * i] == PCRE2_UNSET) continue;
        out[i] = {true, subject.substr(ovector[2 * i], ovector[2 * i + 1] - ovector[2 * i])};
    }
    return Match(ovector[0], ovector[1], std::move(out));
}

bool Pattern::matchesWhole(const std::string& subject) const {
    MatchData match(code_->code);
    int found = pcre2_match(code_->code, bytes(subject), subject.size(), 0,
                            PCRE2_ANCHORED | PCRE2_ENDANCHORED, match.data, nullptr);
    if (found < 0 && found != PCRE2_ERROR_NOMATCH)
        throw std::runtime_error("Expression '" + expression_ + "' fails: " + errorText(found));
    return found >= 0;
}

std::vector<Match> Pattern::all(const std::string& subject) const {
    std::vector<Match> out;
    for (size_t from = 0; from <= subject.size();) {
        Match m = search(subject, from);
        if (!m) break;
        from = m.end() > m.start() ? m.end() : m.end() + 1;
        out.push_back(std::move(m));
    }
    return out;
}

std::string Pattern::replaceAll(const std::string& subject, const std::string& replacement) const {
    const uint32_t options = PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_SUBSTITUTE_GLOBAL;
    std::string out(subject.size() + replacement.size() + 64, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        PCRE2_SIZE length = out.size();
        int done = pcre2_substitute(code_->code, bytes(subject), subject.size(), 0, options,
                                    nullptr, nullptr, bytes(replacement), replacement.size(),
                                    reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
        if (done >= 0) {
            out.resize(length);
            return out;
        }
        if (done != PCRE2_ERROR_NOMEMORY)
            throw std::runtime_error("Expression '" + expression_ + "' cannot replace with '" +
                                     replacement + "': " + errorText(done));
        out.assign(length, '\0');  // the length needed, told by the first attempt
    }
    throw std::runtime_error("Expression '" + expression_ + "': the replaced text did not fit");
}

std::vector<std::string> Pattern::split(const std::string& subject) const {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (const Match& m : all(subject)) {
        pieces.push_back(subject.substr(from, m.start() - from));
        from = m.end();
    }
    pieces.push_back(subject.substr(from));
    return pieces;
}

}  // namespace testing_support
