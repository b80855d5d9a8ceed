#include "engine/text_encoding.h"

#include <array>

namespace engine {

namespace {

struct EncodingRow {
    TextEncoding encoding;
    std::string_view converter;
    std::string_view mark;
    std::string_view name;
};

constexpr std::array<EncodingRow, 7> encodingTable{{
    {TextEncoding::Auto, "", "", "auto"},
    {TextEncoding::Ansi, "", "", "ansi"},
    {TextEncoding::Utf8, "UTF-8", "\xEF\xBB\xBF", "utf8"},
    {TextEncoding::Utf16LE, "UTF-16LE", "\xFF\xFE", "utf16le"},
    {TextEncoding::Utf16BE, "UTF-16BE", "\xFE\xFF", "utf16be"},
    {TextEncoding::Big5, "BIG5", "", "big5"},
    {TextEncoding::Big5Hkscs, "BIG5-HKSCS", "", "big5hkscs"},
}};

const EncodingRow* rowOf(TextEncoding encoding) {
    for (const auto& row : encodingTable)
        if (row.encoding == encoding)
            return &row;
    return nullptr;
}

} // namespace

std::string_view converterName(TextEncoding encoding) {
    const EncodingRow* row = rowOf(encoding);
    return row ? row->converter : std::string_view();
}

std::string_view byteOrderMark(TextEncoding encoding) {
    const EncodingRow* row = rowOf(encoding);
    return row ? row->mark : std::string_view();
}

std::string_view encodingName(TextEncoding encoding) {
    const EncodingRow* row = rowOf(encoding);
    return row ? row->name : std::string_view("unknown");
}

} // namespace engine
