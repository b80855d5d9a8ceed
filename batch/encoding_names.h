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

// The classic names: each encoding's short name (the one the converter's lines print) first.
// They read as the window reads (ANSI tried as UTF-8 first, the text ending at a zero byte or,
// in ANSI, a 0x1A; a character the output lacks written as the window writes it). Every other
// name is iconv's and means what it means to iconv (engine/other_encodings.h): iconv's UTF-16
// takes the byte order from its mark, its UTF-16LE keeps a mark as a character.
// clang-format off
inline constexpr EncodingName encodingNames[] = {
    {"auto", engine::TextEncoding::Auto},
    {"detect", engine::TextEncoding::Auto, true},
    {"ansi", engine::TextEncoding::Ansi},
    {"utf8", engine::TextEncoding::Utf8},
    {"utf16le", engine::TextEncoding::Utf16LE},
    {"unicode", engine::TextEncoding::Utf16LE},
    {"utf16be", engine::TextEncoding::Utf16BE},
};
// clang-format on

// The row of `name`, case ignored; nullptr when none is.
const EncodingName* findEncodingName(std::string_view name);

// Up to `count` names nearest to `name` by edit distance (case ignored), nearest first.
std::vector<std::string_view> closestEncodingNames(std::string_view name, std::size_t count = 3);

// What --list prints: one line per classic encoding, its short name first, then its other
// names; then iconv's names, one a line.
std::string encodingNameList();

} // namespace batch
