#include "text/Regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace {

// Generous for any sensible pattern on a page of text, small enough that a
// catastrophic one fails within a fraction of a second.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr uint32_t kDepthLimit = 100'000;
// The JIT's stack for backtracking: PCRE2's default of 32 KB fails ordinary
// patterns such as "(.|\s)*" on a page of text; it grows on demand up to
// this, so that only the match limit ends a search.
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 8 * 1024 * 1024;

std::string errorText(int code) {
    PCRE2_UCHAR buffer[256];
    pcre2_get_error_message(code, buffer, sizeof buffer);
    return reinterpret_cast<const char*>(buffer);
}

}  // namespace

struct Regex::Handles {
    pcre2_code* code = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;
    ~Handles() {
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(stack);
        pcre2_code_free(code);
    }
};

Regex::Regex(const std::string& pattern) : pattern_(pattern), handles_(new Handles) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    handles_->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   PCRE2_UTF, &error, &offset, nullptr);
    if (handles_->code == nullptr) {
        throw RegexError("Expression '" + pattern + "' does not compile" + ": " + errorText(error) +
                         " at offset " + std::to_string(offset));
    }
    // Without a JIT the interpreter runs the same pattern, only slower.
    pcre2_jit_compile(handles_->code, PCRE2_JIT_COMPLETE);
    handles_->context = pcre2_match_context_create(nullptr);
    if (handles_->context == nullptr)
        throw RegexError("Expression '" + pattern + "'" + ": " + "out of memory");
    pcre2_set_match_limit(handles_->context, kMatchLimit);
    pcre2_set_depth_limit(handles_->context, kDepthLimit);
    handles_->stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
    if (handles_->stack == nullptr)
        throw RegexError("Expression '" + pattern + "'" + ": " + "out of memory");
    pcre2_jit_stack_assign(handles_->context, nullptr, handles_->stack);
}

Regex::~Regex() = default;

void Regex::forEachMatch(const std::string& subject,
                         const std::function<void(size_t, size_t)>& onMatch) const {
    struct MatchData {
        pcre2_match_data* data;
        ~MatchData() { pcre2_match_data_free(data); }
    } match{pcre2_match_data_create_from_pattern(handles_->code, nullptr)};
    if (match.data == nullptr)
        throw RegexError("Expression '" + pattern_ + "'" + ": " + "out of memory");

    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
    size_t start = 0;
    // PCRE2 checks the UTF-8 of the subject from the start offset to its end
    // on every call: the first call checks it all, the later ones are told
    // not to, or a page with n matches would cost n checks of the page.
    uint32_t options = 0;
    while (start <= subject.size()) {
        int rc = pcre2_match(handles_->code, text, subject.size(), start, options, match.data,
                             handles_->context);
        options = PCRE2_NO_UTF_CHECK;
        if (rc == PCRE2_ERROR_NOMATCH) return;
        if (rc < 0) {
            throw RegexError("Expression '" + pattern_ + "' cannot be searched" + ": " +
                             errorText(rc));
        }
        PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.data);
        size_t begin = ovector[0];
        size_t end = ovector[1];
        if (end > begin) {
            onMatch(begin, end);
            start = end;
        } else {
            // Step over one whole character after an empty match.
            start = end + 1;
            while (start < subject.size() && (subject[start] & 0xC0) == 0x80) ++start;
        }
    }
}
