#include "batch/regex_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace batch {

struct RegexMatcher::Compiled {
    struct CodeFree {
        void operator()(pcre2_code* expression) const { pcre2_code_free(expression); }
    };
    struct MatchDataFree {
        void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
    };
    std::unique_ptr<pcre2_code, CodeFree> code;
    std::unique_ptr<pcre2_match_data, MatchDataFree> matchData;
};

RegexMatcher::RegexMatcher() = default;
RegexMatcher::~RegexMatcher() = default;
RegexMatcher::RegexMatcher(RegexMatcher&&) noexcept = default;
RegexMatcher& RegexMatcher::operator=(RegexMatcher&&) noexcept = default;

bool RegexMatcher::create(const platform::AnsiText& pattern, std::optional<bool> ignoreCase,
                          std::optional<bool> multiline, std::optional<bool> globalSearch) {
    compiled.reset();
    global = globalSearch.value_or(true);
    const auto utf8 = platform::utf8FromAnsi(pattern);
    if (!utf8)
        return false;

    uint32_t options = PCRE2_UTF;
    if (ignoreCase.value_or(true))
        options |= PCRE2_CASELESS;
    if (multiline.value_or(true))
        options |= PCRE2_MULTILINE;

    auto made = std::make_unique<Compiled>();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    made->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8->data()), utf8->size(),
                                   options, &errorCode, &errorOffset, nullptr));
    if (!made->code)
        return false;
    made->matchData.reset(pcre2_match_data_create_from_pattern(made->code.get(), nullptr));
    if (!made->matchData)
        return false;
    compiled = std::move(made);
    return true;
}

bool RegexMatcher::hasExpression() const {
    return compiled != nullptr;
}

int RegexMatcher::countMatches(const platform::AnsiText& text) const {
    if (!compiled)
        return 0;
    const auto utf8 = platform::utf8FromAnsi(text);
    if (!utf8)
        return 0;
    const auto subject = reinterpret_cast<PCRE2_SPTR>(utf8->data());
    const PCRE2_SIZE length = utf8->size();

    int count = 0;
    PCRE2_SIZE offset = 0;
    uint32_t retry = 0;
    for (;;) {
        const int rc = pcre2_match(compiled->code.get(), subject, length, offset, retry,
                                   compiled->matchData.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH && retry != 0) {
            // No non-empty match where the empty one was: go on one character later.
            if (offset >= length)
                break;
            ++offset;
            while (offset < length && (subject[offset] & 0xC0) == 0x80)
                ++offset;
            retry = 0;
            continue;
        }
        // No match, or a failure such as the match limit: the matches so far stand.
        if (rc < 0)
            break;
        ++count;
        if (!global)
            break;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(compiled->matchData.get());
        const PCRE2_SIZE start = ovector[0];
        const PCRE2_SIZE end = ovector[1];
        if (end < start)
            break;
        offset = end;
        // After an empty match the next one must not be empty at the same place, or the walk
        // would never move.
        retry = start == end ? (PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED) : 0;
        if (start == end && end >= length)
            break;
    }
    return count;
}

} // namespace batch
