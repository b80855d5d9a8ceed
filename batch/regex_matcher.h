// The regular expression a filter scan tests file names with. Patterns and texts are AnsiText;
// matching runs on their characters (Unicode), so letter case is ignored in every script and a
// double-byte character is never taken apart.
#pragma once

#include <memory>
#include <optional>

#include "platform/ansi_text.h"

namespace batch {

class RegexMatcher {
public:
    // No expression yet: every text has zero matches.
    RegexMatcher();
    ~RegexMatcher();
    RegexMatcher(const RegexMatcher&) = delete;
    RegexMatcher& operator=(const RegexMatcher&) = delete;
    RegexMatcher(RegexMatcher&&) noexcept;
    RegexMatcher& operator=(RegexMatcher&&) noexcept;

    // Compiles `pattern` (ECMAScript-like syntax; "|" separates alternatives; nothing anchors
    // it). Each flag that is not given is true: ignoreCase folds letter case, multiline lets
    // ^ and $ match at line breaks, global counts every match instead of the first only.
    // False when the pattern is not GB18030 or does not compile; the matcher then has no
    // expression, so nothing matches.
    bool create(const platform::AnsiText& pattern, std::optional<bool> ignoreCase = {},
                std::optional<bool> multiline = {}, std::optional<bool> global = {});

    bool hasExpression() const;

    // How many non-overlapping matches the expression finds in `text`; an empty match counts.
    // 0 without an expression, or when `text` is not GB18030.
    [[nodiscard]] int countMatches(const platform::AnsiText& text) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled;
    bool global = true;
};

} // namespace batch
