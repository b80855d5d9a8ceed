#include "engine/gb18030_private_use.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace engine {

namespace {

struct PrivateUse {
    char16_t unit;
    const char* code; // four bytes
};

// Each with the standard character whose code it takes. The six beyond the BMP cannot take one:
// the system reads every four-byte code of those planes as their characters still, so they take
// the first codes after the BMP's, which GB18030 leaves unassigned.
constexpr std::array<PrivateUse, 24> swapped{{
    {u'\uE78D', "\x84\x31\x82\x36"}, // U+FE10
    {u'\uE78E', "\x84\x31\x82\x38"}, // U+FE12
    {u'\uE78F', "\x84\x31\x82\x37"}, // U+FE11
    {u'\uE790', "\x84\x31\x82\x39"}, // U+FE13
    {u'\uE791', "\x84\x31\x83\x30"}, // U+FE14
    {u'\uE792', "\x84\x31\x83\x31"}, // U+FE15
    {u'\uE793', "\x84\x31\x83\x32"}, // U+FE16
    {u'\uE794', "\x84\x31\x83\x33"}, // U+FE17
    {u'\uE795', "\x84\x31\x83\x34"}, // U+FE18
    {u'\uE796', "\x84\x31\x83\x35"}, // U+FE19
    {u'\uE816', "\x84\x31\xA5\x30"}, {u'\uE817', "\x84\x31\xA5\x31"},
    {u'\uE818', "\x84\x31\xA5\x32"}, {u'\uE81E', "\x82\x35\x90\x37"}, // U+9FB4
    {u'\uE826', "\x82\x35\x90\x38"},                                  // U+9FB5
    {u'\uE82B', "\x82\x35\x90\x39"},                                  // U+9FB6
    {u'\uE82C', "\x82\x35\x91\x30"},                                  // U+9FB7
    {u'\uE831', "\x84\x31\xA5\x33"}, {u'\uE832', "\x82\x35\x91\x31"}, // U+9FB8
    {u'\uE83B', "\x84\x31\xA5\x34"}, {u'\uE843', "\x82\x35\x91\x32"}, // U+9FB9
    {u'\uE854', "\x82\x35\x91\x33"},                                  // U+9FBA
    {u'\uE855', "\x84\x31\xA5\x35"}, {u'\uE864', "\x82\x35\x91\x34"}, // U+9FBB
}};

enum class Form { None, Utf8, Utf16LE, Utf16BE };

Form formOf(std::string_view charset) {
    std::string name(charset);
    std::ranges::transform(name, name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name == "UTF-8" || name == "UTF8")
        return Form::Utf8;
    if (name == "UTF-16LE")
        return Form::Utf16LE;
    if (name == "UTF-16BE")
        return Form::Utf16BE;
    return Form::None;
}

// The character's bytes in the form; all of them are three bytes in UTF-8.
std::string bytesOf(char16_t unit, Form form) {
    switch (form) {
    case Form::Utf8:
        return {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
                static_cast<char>(0x80 | (unit & 0x3F))};
    case Form::Utf16LE:
        return {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    case Form::Utf16BE:
        return {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    case Form::None:
        break;
    }
    return {};
}

} // namespace

std::size_t privateUseAsGb18030(std::string_view rest, std::string_view charset,
                                std::string& code) {
    const Form form = formOf(charset);
    if (form == Form::None)
        return 0;
    for (const PrivateUse& character : swapped) {
        const std::string bytes = bytesOf(character.unit, form);
        if (rest.starts_with(bytes)) {
            code.assign(character.code, 4);
            return bytes.size();
        }
    }
    return 0;
}

std::size_t privateUseFromGb18030(std::string_view rest, std::string_view charset,
                                  std::string& character) {
    const Form form = formOf(charset);
    if (form == Form::None || rest.size() < 4)
        return 0;
    for (const PrivateUse& swap : swapped)
        if (rest.substr(0, 4) == std::string_view(swap.code, 4)) {
            character = bytesOf(swap.unit, form);
            return 4;
        }
    return 0;
}

} // namespace engine
