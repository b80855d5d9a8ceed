#include "platform/code_page.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/iconv_cache.h"
#include "platform/text_steps.h"

namespace platform {

static_assert(std::endian::native == std::endian::little,
              "UTF-16LE from iconv is read as native char16_t units");

namespace {

constexpr char16_t replacementCharacter = 0xFFFD;
constexpr std::size_t maxResult = INT_MAX;

// The code pages' user-defined characters, which iconv knows none of: the classic service reads
// them as the Private Use Area, each area row by row over its trail bytes, and writes them back
// the same way, so a character a user made survives the round trip.
struct ByteRun {
    unsigned char first, last;
    unsigned size() const { return last >= first ? last - first + 1u : 0u; }
};
constexpr ByteRun noBytes{1, 0};

struct UserArea {
    unsigned char firstLead, lastLead;
    ByteRun trails[2]; // the trail bytes of a row, in order
    char16_t firstUnit;

    unsigned rowSize() const { return trails[0].size() + trails[1].size(); }
    unsigned size() const { return (lastLead - firstLead + 1u) * rowSize(); }
};

// Pairs a code page leaves empty that the classic service still reads as the Private Use Area:
// each run holds consecutive codes of one lead byte, and the runs in code order take consecutive
// units.
struct PairRun {
    std::uint16_t first, last;
    constexpr unsigned size() const { return last - first + 1u; }
};

// A character the classic service writes as other bytes than iconv does; both read back as it.
struct WrittenAs {
    char16_t unit;
    unsigned char bytes[2];
};

struct DoubleBytePage {
    const char* charset;
    char16_t byteFF; // the single byte FF, also user-defined
    UserArea areas[3];
    std::span<const PairRun> emptyPairs;
    char16_t firstEmptyPairUnit;
    std::span<const WrittenAs> writtenAs;
};

// The cells GBK left empty among its symbols (rows A1 to A9) and behind its last characters
// (D7FA-D7FE, FE50-FEA0); they follow the user-defined areas in the Private Use Area.
constexpr PairRun gbkEmptyPairs[] = {
    {0xA2AB, 0xA2B0}, {0xA2E3, 0xA2E4}, {0xA2EF, 0xA2F0}, {0xA2FD, 0xA2FE}, {0xA4F4, 0xA4FE},
    {0xA5F7, 0xA5FE}, {0xA6B9, 0xA6C0}, {0xA6D9, 0xA6DF}, {0xA6EC, 0xA6ED}, {0xA6F3, 0xA6F3},
    {0xA6F6, 0xA6FE}, {0xA7C2, 0xA7D0}, {0xA7F2, 0xA7FE}, {0xA896, 0xA8A0}, {0xA8BC, 0xA8BC},
    {0xA8BF, 0xA8BF}, {0xA8C1, 0xA8C4}, {0xA8EA, 0xA8FE}, {0xA958, 0xA958}, {0xA95B, 0xA95B},
    {0xA95D, 0xA95F}, {0xA989, 0xA995}, {0xA997, 0xA9A3}, {0xA9F0, 0xA9FE}, {0xD7FA, 0xD7FE},
    {0xFE50, 0xFE7E}, {0xFE80, 0xFEA0}};

constexpr unsigned pairCount(std::span<const PairRun> runs) {
    unsigned count = 0;
    for (const PairRun& run : runs)
        count += run.size();
    return count;
}
static_assert(pairCount(gbkEmptyPairs) == 0xE864 - 0xE766 + 1);

// Big5 has four double box-drawing lines twice (A2A4-A2A7 and F9E9-F9F9); the classic service
// writes the later codes.
constexpr WrittenAs big5WrittenAs[] = {
    {0x2550, {0xF9, 0xF9}}, {0x255E, {0xF9, 0xE9}}, {0x2561, {0xF9, 0xEB}}, {0x256A, {0xF9, 0xEA}}};

constexpr DoubleBytePage gbkPage{"CP936",
                                 0xF8F5,
                                 {{0xAA, 0xAF, {{0xA1, 0xFE}, noBytes}, 0xE000},
                                  {0xF8, 0xFE, {{0xA1, 0xFE}, noBytes}, 0xE234},
                                  {0xA1, 0xA7, {{0x40, 0x7E}, {0x80, 0xA0}}, 0xE4C6}},
                                 gbkEmptyPairs,
                                 0xE766,
                                 {}};
constexpr DoubleBytePage big5Page{"CP950",
                                  0xF8F8,
                                  {{0xFA, 0xFE, {{0x40, 0x7E}, {0xA1, 0xFE}}, 0xE000},
                                   {0x8E, 0xA0, {{0x40, 0x7E}, {0xA1, 0xFE}}, 0xE311},
                                   {0x81, 0x8D, {{0x40, 0x7E}, {0xA1, 0xFE}}, 0xEEB8}},
                                  {},
                                  0,
                                  big5WrittenAs};

// The unit of a pair iconv refuses that the page still reads (user-defined or empty), or 0.
char16_t unitBeyondIconv(const DoubleBytePage& page, unsigned char lead, unsigned char trail) {
    for (const UserArea& area : page.areas) {
        if (lead < area.firstLead || lead > area.lastLead)
            continue;
        unsigned column = 0;
        for (const ByteRun& run : area.trails) {
            if (trail >= run.first && trail <= run.last)
                return static_cast<char16_t>(area.firstUnit +
                                             (lead - area.firstLead) * area.rowSize() + column +
                                             (trail - run.first));
            column += run.size();
        }
    }
    const unsigned code = lead << 8 | trail;
    unsigned offset = 0;
    for (const PairRun& run : page.emptyPairs) {
        if (code >= run.first && code <= run.last)
            return static_cast<char16_t>(page.firstEmptyPairUnit + offset + (code - run.first));
        offset += run.size();
    }
    return 0;
}

// The bytes the page writes for a unit iconv cannot be asked about (a user-defined or empty-pair
// one, or one written differently) into `bytes`; their number, 0 when the unit is none of them.
unsigned bytesBeyondIconv(const DoubleBytePage& page, char16_t unit, char bytes[2]) {
    if (unit == page.byteFF) {
        bytes[0] = static_cast<char>(0xFF);
        return 1;
    }
    for (const UserArea& area : page.areas) {
        const unsigned offset = static_cast<unsigned>(unit - area.firstUnit);
        if (unit < area.firstUnit || offset >= area.size())
            continue;
        unsigned column = offset % area.rowSize();
        bytes[0] = static_cast<char>(area.firstLead + offset / area.rowSize());
        for (const ByteRun& run : area.trails) {
            if (column < run.size()) {
                bytes[1] = static_cast<char>(run.first + column);
                break;
            }
            column -= run.size();
        }
        return 2;
    }
    if (unit >= page.firstEmptyPairUnit) {
        unsigned offset = unit - page.firstEmptyPairUnit;
        for (const PairRun& run : page.emptyPairs) {
            if (offset < run.size()) {
                const unsigned code = run.first + offset;
                bytes[0] = static_cast<char>(code >> 8);
                bytes[1] = static_cast<char>(code & 0xFF);
                return 2;
            }
            offset -= run.size();
        }
    }
    for (const WrittenAs& written : page.writtenAs) {
        if (written.unit == unit) {
            bytes[0] = static_cast<char>(written.bytes[0]);
            bytes[1] = static_cast<char>(written.bytes[1]);
            return 2;
        }
    }
    return 0;
}

// Where converted output goes: counted only (measuring call) or stored within a capacity
// (filling call). A store that would overflow fails the whole call, as the classic service does.
template <class Unit> class Output {
public:
    Output(Unit* out, int capacity) : data(out), room(capacity > 0 ? capacity : 0) {}
    bool put(const Unit* units, std::size_t count) {
        if (data) {
            if (count > room - used)
                return false;
            std::memcpy(data + used, units, count * sizeof(Unit));
        } else if (count > maxResult - used) {
            return false;
        }
        used += count;
        return true;
    }
    bool put(Unit unit) { return put(&unit, 1); }
    std::size_t size() const { return used; }

private:
    Unit* data;
    std::size_t room;
    std::size_t used = 0;
};

// Double-byte code page to UTF-16. Valid runs go through iconv in one call; at each place iconv
// refuses, the classic replacement rule applies and the run continues behind it.
bool decodeDoubleByte(const DoubleBytePage& page, const unsigned char* bytes, std::size_t length,
                      Output<char16_t>& out, bool& replaced) {
    const IconvLease handle("UTF-16LE", page.charset);
    if (!handle.valid())
        return false;
    char16_t scratch[4096];
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
    std::size_t inLeft = length;
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(scratch);
        std::size_t outLeft = sizeof scratch;
        const std::size_t rc = iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        if (!out.put(scratch, (sizeof scratch - outLeft) / sizeof(char16_t)))
            return false;
        if (rc != static_cast<std::size_t>(-1) || error == E2BIG)
            continue;
        const auto* at = reinterpret_cast<const unsigned char*>(in);
        // A lead byte takes the next byte with it unless that byte is the terminator.
        std::size_t skip = 1;
        char16_t unit = at[0] == 0xFF ? page.byteFF : 0;
        if (codePageLength(at[0], inLeft > 1 ? at[1] : 0) == 2) {
            skip = 2;
            unit = unitBeyondIconv(page, at[0], at[1]);
        }
        if (!out.put(unit != 0 ? unit : u'?'))
            return false;
        replaced = replaced || unit == 0;
        in += skip;
        inLeft -= skip;
        handle.resetState();
    }
    return true;
}

bool decodeUtf8(const unsigned char* bytes, std::size_t length, Output<char16_t>& out,
                bool& replaced) {
    std::size_t i = 0;
    while (i < length) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            // ASCII runs are the common case; copy them without the per-sequence checks.
            std::size_t end = i + 1;
            while (end < length && bytes[end] < 0x80)
                ++end;
            for (; i < end; ++i)
                if (!out.put(static_cast<char16_t>(bytes[i])))
                    return false;
            continue;
        }
        const Utf8Step step = utf8StepAt({reinterpret_cast<const char*>(bytes), length}, i);
        const char32_t code = step.scalar;
        i += step.length;
        if (step.status != Utf8Status::Valid) {
            // One U+FFFD for each maximal subpart of an ill-formed sequence.
            replaced = true;
            if (!out.put(replacementCharacter))
                return false;
        } else if (code >= 0x10000) {
            const char32_t v = code - 0x10000;
            const char16_t pair[2] = {static_cast<char16_t>(0xD800 + (v >> 10)),
                                      static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
            if (!out.put(pair, 2))
                return false;
        } else if (!out.put(static_cast<char16_t>(code))) {
            return false;
        }
    }
    return true;
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The code page's bytes for one UTF-16 unit, asked of iconv once and then kept. A text the code
// page lacks many characters of (Simplified text sent to Big5) would otherwise stop iconv at
// every such character, which costs a hundred times the lookup.
struct UnitBytes {
    unsigned char length; // 0: the code page lacks the character; unknownUnit: not asked yet
    char bytes[2];
};
constexpr unsigned char unknownUnit = 0xFF;

class UnitTable {
public:
    const UnitBytes& lookUp(const DoubleBytePage& page, char16_t unit, const IconvLease& handle) {
        if (entries.empty())
            entries.assign(0x10000, UnitBytes{unknownUnit, {}});
        UnitBytes& entry = entries[unit];
        if (entry.length == unknownUnit)
            entry = ask(page, unit, handle);
        return entry;
    }

private:
    static UnitBytes ask(const DoubleBytePage& page, char16_t unit, const IconvLease& handle) {
        UnitBytes user{};
        user.length = static_cast<unsigned char>(bytesBeyondIconv(page, unit, user.bytes));
        // Neither code page holds a character beyond the BMP: each unit of a surrogate pair is
        // one missing character, so an emoji becomes two default characters, as the classic
        // service writes it.
        if (user.length > 0 || isHighSurrogate(unit) || isLowSurrogate(unit))
            return user;
        handle.resetState();
        char* in = reinterpret_cast<char*>(&unit);
        std::size_t inLeft = sizeof unit;
        char converted[8];
        char* outPtr = converted;
        std::size_t outLeft = sizeof converted;
        const std::size_t rc = iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft);
        const std::size_t length = sizeof converted - outLeft;
        handle.resetState();
        // Double-byte code pages give one or two bytes; anything else counts as missing.
        if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || length == 0 || length > 2)
            return UnitBytes{0, {}};
        return UnitBytes{static_cast<unsigned char>(length), {converted[0], converted[1]}};
    }

    std::vector<UnitBytes> entries;
};

UnitTable& unitTableFor(const DoubleBytePage& page) {
    thread_local UnitTable gbk;
    thread_local UnitTable big5;
    return &page == &gbkPage ? gbk : big5;
}

bool encodeDoubleByte(const DoubleBytePage& page, const char16_t* units, std::size_t length,
                      char defaultChar, Output<char>& out, bool& usedDefault) {
    const IconvLease handle(page.charset, "UTF-16LE");
    if (!handle.valid())
        return false;
    // Most texts go through iconv whole; the table takes over at the first refused character, or
    // at the first one this page writes differently from iconv.
    std::size_t iconvLength = length;
    if (!page.writtenAs.empty()) {
        const auto* end = units + length;
        iconvLength = static_cast<std::size_t>(
            std::find_if(units, end,
                         [&](char16_t unit) {
                             return std::ranges::any_of(page.writtenAs, [unit](const WrittenAs& w) {
                                 return w.unit == unit;
                             });
                         }) -
            units);
    }
    char scratch[8192];
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units));
    std::size_t inLeft = iconvLength * sizeof(char16_t);
    while (inLeft > 0) {
        char* outPtr = scratch;
        std::size_t outLeft = sizeof scratch;
        const std::size_t rc = iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        if (!out.put(scratch, sizeof scratch - outLeft))
            return false;
        if (rc == static_cast<std::size_t>(-1) && error != E2BIG)
            break;
    }
    UnitTable& table = unitTableFor(page);
    for (std::size_t i = iconvLength - inLeft / sizeof(char16_t); i < length; ++i) {
        const UnitBytes& bytes = table.lookUp(page, units[i], handle);
        const bool stored =
            bytes.length == 0 ? out.put(defaultChar) : out.put(bytes.bytes, bytes.length);
        if (!stored)
            return false;
        usedDefault = usedDefault || bytes.length == 0;
    }
    return true;
}

bool encodeUtf8(const char16_t* units, std::size_t length, Output<char>& out) {
    for (std::size_t i = 0; i < length; ++i) {
        char32_t code = units[i];
        if (isHighSurrogate(units[i]) && i + 1 < length && isLowSurrogate(units[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (isHighSurrogate(units[i]) || isLowSurrogate(units[i])) {
            code = replacementCharacter;
        }
        char bytes[4];
        std::size_t count;
        if (code < 0x80) {
            bytes[0] = static_cast<char>(code);
            count = 1;
        } else if (code < 0x800) {
            bytes[0] = static_cast<char>(0xC0 | (code >> 6));
            bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
            count = 2;
        } else if (code < 0x10000) {
            bytes[0] = static_cast<char>(0xE0 | (code >> 12));
            bytes[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
            count = 3;
        } else {
            bytes[0] = static_cast<char>(0xF0 | (code >> 18));
            bytes[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes[3] = static_cast<char>(0x80 | (code & 0x3F));
            count = 4;
        }
        if (!out.put(bytes, count))
            return false;
    }
    return true;
}

const DoubleBytePage* doubleBytePage(unsigned codePage) {
    switch (codePage) {
    case codePage::ansi:
    case codePage::gbk:
        return &gbkPage;
    case codePage::big5:
        return &big5Page;
    default:
        return nullptr;
    }
}

int resultOf(bool ok, std::size_t count) {
    return ok && count <= maxResult ? static_cast<int>(count) : 0;
}

} // namespace

int multiByteToWideChar(unsigned codePage, const char* bytes, int length, char16_t* out,
                        int capacity, bool* replacedInvalid) {
    if (replacedInvalid)
        *replacedInvalid = false;
    if (!bytes || length == 0 || length < zeroTerminated || capacity < 0 || (capacity > 0 && !out))
        return 0;
    const std::size_t count =
        length == zeroTerminated ? std::strlen(bytes) + 1 : static_cast<std::size_t>(length);
    const auto* input = reinterpret_cast<const unsigned char*>(bytes);
    Output<char16_t> output(capacity > 0 ? out : nullptr, capacity);
    bool replaced = false;
    bool ok;
    if (codePage == codePage::utf8) {
        ok = decodeUtf8(input, count, output, replaced);
    } else if (const DoubleBytePage* page = doubleBytePage(codePage)) {
        ok = decodeDoubleByte(*page, input, count, output, replaced);
    } else {
        return 0;
    }
    if (replacedInvalid)
        *replacedInvalid = ok && replaced;
    return resultOf(ok, output.size());
}

int wideCharToMultiByte(unsigned codePage, const char16_t* units, int length, char* out,
                        int capacity, const char* defaultChar, bool* usedDefault) {
    if (usedDefault)
        *usedDefault = false;
    if (!units || length == 0 || length < zeroTerminated || capacity < 0 || (capacity > 0 && !out))
        return 0;
    std::size_t count = static_cast<std::size_t>(length);
    if (length == zeroTerminated) {
        count = 0;
        while (units[count] != 0)
            ++count;
        ++count;
    }
    Output<char> output(capacity > 0 ? out : nullptr, capacity);
    bool ok;
    if (codePage == codePage::utf8) {
        if (defaultChar || usedDefault)
            return 0;
        ok = encodeUtf8(units, count, output);
    } else if (const DoubleBytePage* page = doubleBytePage(codePage)) {
        bool used = false;
        ok =
            encodeDoubleByte(*page, units, count, defaultChar ? defaultChar[0] : '?', output, used);
        if (usedDefault)
            *usedDefault = ok && used;
    } else {
        return 0;
    }
    return resultOf(ok, output.size());
}

} // namespace platform
