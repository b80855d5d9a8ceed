// The names the command line takes for an encoding: the classic short names its lines print,
// and the spellings iconv and uchardet users type (UTF-8, GBK, CP936, BIG5-HKSCS, ...), matched
// without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/text_encoding.h"

namespace batch {

struct EncodingName {
    std::string_view name; // lower case
    engine::TextEncoding encoding;
    bool smartDetection = false; // "detect": Auto with the statistical detector on
};

// Every name, each encoding's short name (the one the converter's lines print) first. ANSI is
// GB18030, a superset of GBK and GB2312, so their names read it. UTF-16 is little-endian, as
// iconv reads and writes it here.
inline constexpr EncodingName encodingNames[] = {
    {"auto", engine::TextEncoding::Auto},
    {"detect", engine::TextEncoding::Auto, true},
    {"ansi", engine::TextEncoding::Ansi},
    {"gb18030", engine::TextEncoding::Ansi},
    {"gbk", engine::TextEncoding::Ansi},
    {"cp936", engine::TextEncoding::Ansi},
    {"ms936", engine::TextEncoding::Ansi},
    {"windows-936", engine::TextEncoding::Ansi},
    {"gb2312", engine::TextEncoding::Ansi},
    {"euc-cn", engine::TextEncoding::Ansi},
    {"utf8", engine::TextEncoding::Utf8},
    {"utf-8", engine::TextEncoding::Utf8},
    {"utf16le", engine::TextEncoding::Utf16LE},
    {"utf-16le", engine::TextEncoding::Utf16LE},
    {"utf-16", engine::TextEncoding::Utf16LE},
    {"utf16", engine::TextEncoding::Utf16LE},
    {"unicode", engine::TextEncoding::Utf16LE},
    {"utf16be", engine::TextEncoding::Utf16BE},
    {"utf-16be", engine::TextEncoding::Utf16BE},
    {"big5", engine::TextEncoding::Big5},
    {"big-5", engine::TextEncoding::Big5},
    {"cp950", engine::TextEncoding::Big5},
    {"big5hkscs", engine::TextEncoding::Big5Hkscs},
    {"big5-hkscs", engine::TextEncoding::Big5Hkscs},
};

// The row of `name`, case ignored; nullptr when none is.
const EncodingName* findEncodingName(std::string_view name);

// Up to `count` names nearest to `name` by edit distance (case ignored), nearest first.
std::vector<std::string_view> closestEncodingNames(std::string_view name, std::size_t count = 3);

// What --list prints: one line per encoding, its short name first, then the other names.
std::string encodingNameList();

} // namespace batch
