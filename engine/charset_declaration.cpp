#include "engine/charset_declaration.h"

#include <array>
#include <optional>
#include <vector>

#include "engine/ansi_scan.h"

namespace engine {

namespace {

struct LabelRow {
    TextEncoding encoding;
    std::string_view label;
    std::array<std::string_view, 10> aliases;
};

// Browsers' labels for the encodings the program writes; the first alias is the label itself.
constexpr std::array<LabelRow, 6> labelTable{{
    {TextEncoding::Utf8, "UTF-8", {"utf-8", "utf8", "unicode-1-1-utf-8"}},
    {TextEncoding::Ansi,
     "GBK",
     {"gbk", "gb2312", "gb18030", "x-gbk", "cp936", "windows-936", "ms936", "euc-cn", "csgb2312",
      "chinese"}},
    {TextEncoding::Utf16LE, "UTF-16LE", {"utf-16le", "utf-16", "unicode", "ucs-2", "unicodefeff"}},
    {TextEncoding::Utf16BE, "UTF-16BE", {"utf-16be", "unicodefffe"}},
    // Browsers read every Big5 label with one decoder that holds the Hong Kong supplement.
    {TextEncoding::Big5, "Big5", {"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5"}},
    {TextEncoding::Big5Hkscs,
     "Big5-HKSCS",
     {"big5-hkscs", "big5", "cn-big5", "csbig5", "x-x-big5"}},
}};

const LabelRow* rowOf(TextEncoding encoding) {
    for (const LabelRow& row : labelTable)
        if (row.encoding == encoding)
            return &row;
    return nullptr;
}

char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameCaseless(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowered(a[i]) != lowered(b[i]))
            return false;
    return true;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Where a declaration's value stands in the page.
struct Value {
    std::size_t start;
    std::size_t length;
};

// The value after `name` = within `tag` (which starts at `tagStart` in the page): quoted, or up
// to a blank, ";", ">" or "/". Only a character-start match of the name counts.
std::optional<Value> valueAfter(std::string_view tag, std::size_t tagStart, std::string_view name) {
    for (std::size_t at = findMarker(tag, name); at != std::string_view::npos;
         at = findMarker(tag, name, at + 1)) {
        std::size_t i = at + name.size();
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != '=')
            continue;
        ++i;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        char quote = 0;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\''))
            quote = tag[i++];
        const std::size_t start = i;
        while (i < tag.size() && (quote ? tag[i] != quote
                                        : !isSpace(tag[i]) && tag[i] != ';' && tag[i] != '>' &&
                                              tag[i] != '/' && tag[i] != '"' && tag[i] != '\''))
            ++i;
        if (i > start)
            return Value{tagStart + start, i - start};
    }
    return std::nullopt;
}

std::vector<Value> declarations(std::string_view page) {
    std::vector<Value> found;
    // An XML declaration is only one at the very start (a byte-order mark is not in the text).
    if (page.substr(0, 5) == "<?xml") {
        const std::size_t end = page.find("?>");
        if (end != std::string_view::npos)
            if (auto value = valueAfter(page.substr(0, end), 0, "encoding"))
                found.push_back(*value);
    }
    // The region the detection reads: the head, or the whole page without a plain "<head>".
    std::size_t regionStart = 0;
    std::size_t regionEnd = page.size();
    if (const std::size_t head = findMarker(page, "<head>"); head != std::string_view::npos) {
        const std::size_t end = findMarker(page, "</head>", head + 6);
        if (end != std::string_view::npos && end > head + 6) {
            regionStart = head + 6;
            regionEnd = end;
        }
    }
    const std::string_view region = page.substr(regionStart, regionEnd - regionStart);
    for (std::size_t at = findMarker(region, "<meta"); at != std::string_view::npos;) {
        const std::size_t end = findMarker(region, ">", at + 5);
        if (end == std::string_view::npos)
            break;
        if (auto value = valueAfter(region.substr(at, end - at), regionStart + at, "charset"))
            found.push_back(*value);
        at = findMarker(region, "<meta", end + 1);
    }
    return found;
}

} // namespace

std::string_view charsetLabel(TextEncoding encoding) {
    const LabelRow* row = rowOf(encoding);
    return row ? row->label : std::string_view();
}

bool labelNames(std::string_view label, TextEncoding encoding) {
    const LabelRow* row = rowOf(encoding);
    if (!row)
        return false;
    for (std::string_view alias : row->aliases)
        if (!alias.empty() && sameCaseless(label, alias))
            return true;
    return false;
}

bool declarationsEndWithin(std::string_view pageStart) {
    if (pageStart.substr(0, 5) == "<?xml" && pageStart.find("?>") == std::string_view::npos)
        return false;
    const std::size_t head = findMarker(pageStart, "<head>");
    if (head == std::string_view::npos)
        return false;
    const std::size_t end = findMarker(pageStart, "</head>", head + 6);
    return end != std::string_view::npos && end > head + 6;
}

std::vector<DeclaredValue> declarationsToRewrite(std::string_view page, TextEncoding written) {
    std::vector<DeclaredValue> rewritten;
    if (charsetLabel(written).empty() || page.find('<') == std::string_view::npos)
        return rewritten;
    for (const Value& value : declarations(page))
        if (!labelNames(page.substr(value.start, value.length), written))
            rewritten.push_back({value.start, value.length});
    return rewritten;
}

bool rewriteCharsetDeclarations(AnsiText& page, TextEncoding written) {
    const std::vector<DeclaredValue> values = declarationsToRewrite(page, written);
    // From the last to the first, so that earlier places stay where they were found.
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        page.replace(it->start, it->length, charsetLabel(written));
    return !values.empty();
}

} // namespace engine
