#include "settings/ini_text.h"

#include <algorithm>

namespace settings::ini {

namespace {

// Width of the character starting at `at`: a byte of 0x80 or above starts a two-byte
// character, or a four-byte one when a digit follows it.
std::size_t characterWidth(std::string_view text, std::size_t at) {
    if (static_cast<unsigned char>(text[at]) < 0x80)
        return 1;
    const bool fourBytes = at + 1 < text.size() && text[at + 1] >= '0' && text[at + 1] <= '9';
    return std::min<std::size_t>(fourBytes ? 4 : 2, text.size() - at);
}

// Searches character by character, so a match never starts on the trail byte of a character.
std::size_t findText(std::string_view text, std::string_view needle) {
    for (std::size_t at = 0; at + needle.size() <= text.size(); at += characterWidth(text, at)) {
        if (text.compare(at, needle.size(), needle) == 0)
            return at;
    }
    return std::string_view::npos;
}

bool contains(std::string_view text, std::string_view needle) {
    return findText(text, needle) != std::string_view::npos;
}

// The include/exclude rule of the listings: an empty filter does not filter.
bool passes(std::string_view name, std::string_view include, std::string_view exclude) {
    return (include.empty() || contains(name, include)) &&
           (exclude.empty() || !contains(name, exclude));
}

// Lines as a line-by-line reader sees them: ended by CR LF, LF or a lone CR.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\r' && text[at] != '\n')
            continue;
        lines.push_back(text.substr(start, at - start));
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
            ++at;
        start = at + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool isHeaderLine(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

} // namespace

std::int64_t findBytes(const ByteBuffer& haystack, std::string_view needle, std::int64_t start) {
    const auto from = static_cast<std::size_t>(start <= 1 ? 0 : start - 1);
    if (from > haystack.size())
        return -1;
    const auto at = haystack.find(needle, from);
    return at == ByteBuffer::npos ? -1 : static_cast<std::int64_t>(at) + 1;
}

HeaderSearch searchHeader(const ByteBuffer& content, const AnsiText& sectionName,
                          std::int64_t from) {
    const AnsiText needle = "[" + sectionName + "]";
    const std::int64_t at = findBytes(content, needle, from);
    if (at == -1)
        return {};
    if (at == 1 || (at >= 3 && content[at - 3] == '\r' && content[at - 2] == '\n'))
        return {{at, at + static_cast<std::int64_t>(needle.size()) - 1}, -1};
    return {{}, at + 1};
}

EntryMatch findEntry(const ByteBuffer& content, const SectionMatch& section, const AnsiText& key) {
    const std::int64_t lineStart = findBytes(content, lineBreak + key + "=", section.bracket);
    if (lineStart == -1)
        return {};
    const std::int64_t keyStart = lineStart + 2;
    if (findBoundary(content, section.bracket + 1, keyStart - 1) != -1)
        return {};
    const std::int64_t valueStart = keyStart + static_cast<std::int64_t>(key.size()) + 1;
    const std::int64_t next = findBytes(content, lineBreak, valueStart);
    const std::int64_t valueEnd = next == -1 ? static_cast<std::int64_t>(content.size()) : next - 1;
    return {lineStart, keyStart, valueStart, valueEnd};
}

std::int64_t findBoundary(const ByteBuffer& content, std::int64_t from, std::int64_t to) {
    std::int64_t at = from;
    for (;;) {
        at = findBytes(content, "\r\n[", at);
        if (at == -1 || at >= to)
            return -1;
        at += 2;
        const std::int64_t closing = findBytes(content, "]\r\n", at);
        if (closing > to)
            return -1;
        if (closing == -1)
            continue;
        // The first CR LF from the "[" on lies at or after the "]" CR LF, so none between.
        if (findBytes(content, lineBreak, at) > closing)
            return at;
    }
}

std::vector<AnsiText> listSections(std::string_view content, std::string_view include,
                                   std::string_view exclude) {
    std::vector<AnsiText> names;
    for (const std::string_view line : splitLines(content)) {
        if (!isHeaderLine(line))
            continue;
        const std::string_view name = line.substr(1, line.size() - 2);
        if (passes(name, include, exclude))
            names.emplace_back(name);
    }
    return names;
}

std::vector<AnsiText> listKeys(std::string_view content, std::string_view include,
                               std::string_view exclude, std::string_view headerInclude,
                               std::string_view headerExclude) {
    std::vector<AnsiText> keys;
    const bool filtering = !headerInclude.empty();
    bool inside = !filtering;
    for (const std::string_view line : splitLines(content)) {
        if (isHeaderLine(line)) {
            if (filtering) {
                if (inside)
                    break;
                inside = passes(line.substr(1, line.size() - 2), headerInclude, headerExclude);
            }
            continue;
        }
        const auto equals = line.find('=');
        if (!inside || equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        if (passes(key, include, exclude))
            keys.emplace_back(key);
    }
    return keys;
}

std::vector<AnsiText> keysWithValue(const ByteBuffer& content, const AnsiText& value,
                                    const std::optional<SectionMatch>& section) {
    std::vector<AnsiText> keys;
    std::vector<AnsiText> seen; // keys met in the section, matching or not
    const auto length = static_cast<std::int64_t>(content.size());
    std::int64_t from = 1;
    std::int64_t end = length + 1; // entries must start (with their CR LF) before this
    if (section) {
        from = section->bracket + 1;
        const std::int64_t boundary = findBoundary(content, from, length);
        if (boundary != -1)
            end = boundary - 2;
    }
    for (std::int64_t at = findBytes(content, lineBreak, from); at != -1 && at < end;
         at = findBytes(content, lineBreak, at + 2)) {
        const std::int64_t lineEnd = findBytes(content, lineBreak, at + 2);
        const auto line = std::string_view(content).substr(
            static_cast<std::size_t>(at + 1),
            static_cast<std::size_t>((lineEnd == -1 ? length + 1 : lineEnd) - at - 2));
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const AnsiText key(line.substr(0, equals));
        const std::string_view entryValue = line.substr(equals + 1);
        // Within one section only the first entry of a key belongs to it.
        if (section) {
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                continue;
            seen.push_back(key);
        }
        const bool matches =
            value.empty() ? entryValue.empty() && lineEnd != -1 : entryValue.starts_with(value);
        if (matches)
            keys.push_back(key);
    }
    return keys;
}

AnsiText cutAtZero(std::string_view bytes) {
    return AnsiText(bytes.substr(0, bytes.find('\0')));
}

AnsiText replaceText(std::string_view text, std::string_view from, std::string_view to) {
    AnsiText out;
    for (std::size_t at = 0; at < text.size();) {
        if (text.compare(at, from.size(), from) == 0) {
            out += to;
            at += from.size();
        } else {
            const std::size_t width = characterWidth(text, at);
            out.append(text.substr(at, width));
            at += width;
        }
    }
    return out;
}

} // namespace settings::ini
