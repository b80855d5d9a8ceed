#include "engine/code_page_conversion.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "engine/charset_conversion.h"
#include "platform/code_page.h"
#include "platform/text_steps.h"

namespace engine {

namespace {

// Characters are measured as the system's code pages read them, since each table entry is what
// the system gives for one character.
using platform::codePageLength;

// What one character of the source becomes in the target: its bytes (the first `length` of
// them) and whether a "?" replaced it or part of it.
struct CharacterEntry {
    char bytes[2];
    std::uint8_t length;
    std::uint8_t lossy;
};
static_assert(sizeof(CharacterEntry) == 4);

// Every character either code page can start at a byte, indexed by that byte and the byte after
// it (0 at the end of the text): a lead byte with a following byte is one character, any other
// byte and a lead at the end are one character alone. Each entry is what the system's
// conversion through UTF-16 gives for that character alone, so the table gives the same bytes
// as converting the whole text that way, in one pass and without the UTF-16 copy.
class CharacterTable {
public:
    CharacterTable(unsigned source, unsigned target) : entries(new CharacterEntry[0x10000]) {
        for (unsigned first = 0; first < 0x100; ++first) {
            const CharacterEntry alone = convertOne(source, target, first, 0);
            for (unsigned next = 0; next < 0x100; ++next)
                entries[first << 8 | next] = codePageLength(first, next) == 2
                                                 ? convertOne(source, target, first, next)
                                                 : alone;
        }
    }

    // False when some character gives more bytes than an entry holds; the conversion then
    // takes the way through UTF-16 for the whole text.
    bool usable() const { return fits; }
    // The most target bytes one source byte can give.
    std::size_t widest() const { return widestPerByte; }

    const CharacterEntry* data() const { return entries.get(); }

private:
    CharacterEntry convertOne(unsigned source, unsigned target, unsigned first, unsigned next) {
        const char input[2] = {static_cast<char>(first), static_cast<char>(next)};
        const int inputLength = next != 0 ? 2 : 1;
        if (first == 0) // never looked up: the text ends at its first zero byte
            return CharacterEntry{};
        char16_t units[8];
        bool replaced = false;
        const int unitCount = platform::multiByteToWideChar(source, input, inputLength, units,
                                                            std::size(units), &replaced);
        char bytes[16];
        bool used = false;
        const int length = unitCount > 0
                               ? platform::wideCharToMultiByte(target, units, unitCount, bytes,
                                                               std::size(bytes), "?", &used)
                               : 0;
        if (unitCount <= 0 || length <= 0 || length > 2) {
            fits = false;
            return CharacterEntry{};
        }
        widestPerByte =
            std::max(widestPerByte, (static_cast<std::size_t>(length) + inputLength - 1) /
                                        static_cast<std::size_t>(inputLength));
        return CharacterEntry{{bytes[0], length > 1 ? bytes[1] : '\0'},
                              static_cast<std::uint8_t>(length),
                              static_cast<std::uint8_t>(replaced || used)};
    }

    std::unique_ptr<CharacterEntry[]> entries;
    bool fits = true;
    std::size_t widestPerByte = 1;
};

// Through UTF-16, each step measured first and then filled. Characters the target lacks become
// "?" rather than the zero byte that would cut the text there.
CodePageResult convertThroughUtf16(std::string_view text, unsigned source, unsigned target) {
    const std::string input(text);
    const int units =
        platform::multiByteToWideChar(source, input.c_str(), platform::zeroTerminated, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    bool replaced = false;
    if (units > 0)
        platform::multiByteToWideChar(source, input.c_str(), platform::zeroTerminated, wide.data(),
                                      units, &replaced);
    const int needed =
        platform::wideCharToMultiByte(target, wide.data(), units, nullptr, 0, "?", nullptr);
    std::string destination(static_cast<std::size_t>(needed), ' ');
    bool used = false;
    if (needed > 0)
        platform::wideCharToMultiByte(target, wide.data(), units, destination.data(), needed, "?",
                                      &used);
    destination.resize(std::strlen(destination.c_str()));
    return {std::move(destination), replaced || used};
}

CodePageResult convert(const CharacterTable& table, std::string_view text, unsigned source,
                       unsigned target) {
    text = text.substr(0, text.find('\0'));
    if (!table.usable())
        return convertThroughUtf16(text, source, target);
    const CharacterEntry* const entries = table.data();
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = in + text.size();
    // Output room is checked once per block: each entry stores two bytes whatever its length,
    // and a pair may start on a block's last byte.
    constexpr std::size_t blockSize = std::size_t{1} << 16;
    std::string out(text.size() + 2, '\0');
    std::size_t used = 0;
    unsigned lossy = 0;
    while (in < end) {
        const std::size_t block = std::min<std::size_t>(end - in, blockSize);
        const std::size_t room = used + table.widest() * (block + 1) + 2;
        if (out.size() < room)
            out.resize(std::max(room, out.size() + out.size() / 2));
        char* o = out.data() + used;
        const unsigned char* const blockEnd = in + block;
        // The last byte of the text has no byte after it to read.
        const unsigned char* const pairEnd = blockEnd == end ? end - 1 : blockEnd;
        auto put = [&](unsigned char first, unsigned char next) {
            const CharacterEntry& entry = entries[static_cast<unsigned>(first) << 8 | next];
            std::memcpy(o, entry.bytes, 2);
            o += entry.length;
            lossy |= entry.lossy;
            in += codePageLength(first, next);
        };
        while (in < pairEnd)
            put(in[0], in[1]);
        if (in < blockEnd)
            put(in[0], 0);
        used = static_cast<std::size_t>(o - out.data());
    }
    out.resize(used);
    return {std::move(out), lossy != 0};
}

} // namespace

CodePageResult big5ToAnsi(std::string_view text) {
    using platform::codePage::big5, platform::codePage::gbk;
    static const CharacterTable table(big5, gbk);
    return convert(table, text, big5, gbk);
}

CodePageResult big5ToText(std::string_view text) {
    const std::string input(text.substr(0, text.find('\0')));
    if (input.empty())
        return {AnsiText(), false};
    const auto length = static_cast<int>(input.size());
    const int units =
        platform::multiByteToWideChar(platform::codePage::big5, input.data(), length, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    bool replaced = false;
    platform::multiByteToWideChar(platform::codePage::big5, input.data(), length, wide.data(),
                                  units, &replaced);
    std::string utf16le;
    utf16le.reserve(2 * wide.size());
    for (const char16_t unit : wide) {
        utf16le.push_back(static_cast<char>(unit & 0xFF));
        utf16le.push_back(static_cast<char>(unit >> 8));
    }
    return {convertCharset(utf16le, "UTF-16LE", "GB18030"), replaced};
}

CodePageResult ansiToBig5(std::string_view text) {
    using platform::codePage::big5, platform::codePage::gbk;
    static const CharacterTable table(gbk, big5);
    return convert(table, text, gbk, big5);
}

} // namespace engine
