#include "engine/web_page_charset.h"

#include <array>
#include <string>

#include "engine/ansi_scan.h"

namespace engine {

namespace {

constexpr std::string_view listSeparator = "[fg]";

// The declarations each result stands for, in the order they are tried for every tag.
constexpr std::array<std::string_view, 3> charsetLists = {
    "charset=UTF-8[fg]charset=''UTF-8''[fg]charset='UTF-8'",
    "charset=Big5[fg]charset=''Big5''[fg]charset='Big5'",
    "charset=Big5-HKSCS[fg]charset=''Big5-HKSCS''[fg]charset='Big5-HKSCS'",
};
constexpr std::array<WebPageCharset, 3> charsetResults = {
    WebPageCharset::Utf8,
    WebPageCharset::Big5,
    WebPageCharset::Big5Hkscs,
};

const AnsiText& headSentinel() {
    static const AnsiText text = platform::ansi("#砚舟头#");
    return text;
}

const AnsiText& tailSentinel() {
    static const AnsiText text = platform::ansi("#砚舟尾#");
    return text;
}

struct Between {
    bool found = false;
    std::string_view text;         // a view into the searched source
    std::int64_t nextPosition = 0; // 1-based, just behind the end marker
};

// One search for non-empty markers, in place.
Between findBetween(std::string_view source, std::string_view startMarker,
                    std::string_view endMarker, std::int64_t position) {
    const std::size_t from = position <= 0 ? 0 : static_cast<std::size_t>(position - 1);
    const std::size_t start = findMarker(source, startMarker, from);
    if (start == std::string_view::npos)
        return {};
    const std::size_t textStart = start + startMarker.size();
    const std::size_t end = findMarker(source, endMarker, textStart);
    if (end == std::string_view::npos)
        return {};
    return {true, source.substr(textStart, end - textStart),
            static_cast<std::int64_t>(end + endMarker.size()) + 1};
}

// One attempt with the markers as given; empty markers become the sentinels.
bool attemptBetween(std::string_view source, std::string_view startMarker,
                    std::string_view endMarker, std::int64_t& position, AnsiText& text) {
    Between found;
    if (startMarker.empty() || endMarker.empty()) {
        AnsiText searched;
        if (startMarker.empty()) {
            searched = headSentinel();
            startMarker = headSentinel();
        }
        searched += source;
        if (endMarker.empty()) {
            searched += tailSentinel();
            endMarker = tailSentinel();
        }
        found = findBetween(searched, startMarker, endMarker, position);
        if (found.found)
            text = AnsiText(found.text);
    } else {
        found = findBetween(source, startMarker, endMarker, position);
        if (found.found)
            text = AnsiText(found.text);
    }
    if (found.found)
        position = found.nextPosition;
    return found.found;
}

AnsiText withoutDoubleQuotes(std::string_view text) {
    AnsiText result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) {
            result.append(text.substr(i, 2));
            ++i;
        } else if (text[i] != '"') {
            result.push_back(text[i]);
        }
    }
    return result;
}

bool containsItems(std::string_view text, std::string_view expandedList, bool any) {
    std::size_t from = 0;
    while (from < expandedList.size()) {
        std::size_t separator = findMarker(expandedList, listSeparator, from, false);
        if (separator == std::string_view::npos)
            separator = expandedList.size();
        const bool found =
            findMarker(text, expandedList.substr(from, separator - from)) != std::string_view::npos;
        if (found == any)
            return any;
        from = separator + listSeparator.size();
    }
    return !any;
}

} // namespace

AnsiText expandDoubledQuotes(std::string_view text) {
    AnsiText result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) {
            result.append(text.substr(i, 2));
            ++i;
        } else if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
            result.push_back('"');
            ++i;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

AnsiText textBetween(std::string_view source, std::string_view startMarker,
                     std::string_view endMarker, std::int64_t& position) {
    const AnsiText start = expandDoubledQuotes(startMarker);
    const AnsiText end = expandDoubledQuotes(endMarker);
    AnsiText text;
    if (attemptBetween(source, start, end, position, text))
        return text;
    const AnsiText plainStart = withoutDoubleQuotes(start);
    const AnsiText plainEnd = withoutDoubleQuotes(end);
    // Without any double quote the second attempt would repeat the first.
    if (plainStart != start || plainEnd != end)
        attemptBetween(source, plainStart, plainEnd, position, text);
    return text;
}

bool matchesList(std::string_view text, std::string_view list, bool any) {
    return containsItems(text, expandDoubledQuotes(list), any);
}

WebPageCharset detectWebPageCharset(std::string_view page) {
    static const std::array<AnsiText, 3> expandedLists = {expandDoubledQuotes(charsetLists[0]),
                                                          expandDoubledQuotes(charsetLists[1]),
                                                          expandDoubledQuotes(charsetLists[2])};
    // Plain text without any "<" (most sources) needs no further pass over the page.
    if (page.find('<') == std::string_view::npos)
        return WebPageCharset::None;
    // The fixed markers hold no quotes and are not empty, so one in-place search each serves.
    const Between head = findBetween(page, "<head>", "</head>", 0);
    const std::string_view region = head.found && !head.text.empty() ? head.text : page;
    std::int64_t position = 0;
    for (;;) {
        const Between tag = findBetween(region, "<meta", ">", position);
        if (!tag.found || tag.text.empty())
            return WebPageCharset::None;
        position = tag.nextPosition;
        for (std::size_t i = 0; i < expandedLists.size(); ++i)
            if (containsItems(tag.text, expandedLists[i], true))
                return charsetResults[i];
    }
}

} // namespace engine
