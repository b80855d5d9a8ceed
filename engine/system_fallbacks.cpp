#include "engine/system_fallbacks.h"

#include <cstring>
#include <string>

#include "platform/code_page.h"

namespace engine {

namespace {

using platform::codePage::ansi;
using platform::codePage::utf8;

std::string_view uptoZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::u16string unitsOf(std::string_view littleEndian) {
    std::u16string units(littleEndian.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(littleEndian[2 * i]) |
                                         static_cast<unsigned char>(littleEndian[2 * i + 1]) << 8);
    return units;
}

ByteBuffer littleEndianBytes(const std::u16string& units) {
    ByteBuffer bytes(units.size() * 2, '\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return bytes;
}

// ANSI text decoded into a buffer of as many units as the measuring call asks for.
std::u16string wideFromAnsi(std::string_view raw, bool& replaced) {
    replaced = false;
    const int length = static_cast<int>(raw.size());
    const int needed = platform::multiByteToWideChar(ansi, raw.data(), length, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(needed), u'\0');
    if (needed > 0)
        platform::multiByteToWideChar(ansi, raw.data(), length, units.data(), needed, &replaced);
    return units;
}

} // namespace

CodePageResult decodeUtf16BySystem(std::string_view bytes) {
    std::string data(bytes);
    if (data.empty() || data.back() != '\0')
        data.append(2, '\0');
    std::u16string units = unitsOf(data);
    // Read as a zero-terminated string, but never past the end of the data.
    const std::size_t terminator = units.find(u'\0');
    if (terminator == std::u16string::npos)
        units.push_back(u'\0');
    else
        units.resize(terminator + 1);
    std::string buffer(data.size() + 1, ' ');
    bool used = false;
    platform::wideCharToMultiByte(ansi, units.data(), platform::zeroTerminated, buffer.data(),
                                  static_cast<int>(buffer.size()), nullptr, &used);
    buffer.resize(std::strlen(buffer.c_str()));
    return {std::move(buffer), used};
}

CodePageResult decodeUtf8BySystem(std::string_view bytes) {
    std::string data(bytes);
    if (data.empty() || static_cast<unsigned char>(data.back()) < 0x7F)
        data.push_back('\0');
    const int length = static_cast<int>(data.size());
    const int needed = platform::multiByteToWideChar(utf8, data.data(), length, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(needed), u'\0');
    bool replaced = false;
    if (needed > 0)
        platform::multiByteToWideChar(utf8, data.data(), length, units.data(), needed, &replaced);
    CodePageResult result = decodeUtf16BySystem(littleEndianBytes(units));
    result.lossy = result.lossy || replaced;
    return result;
}

CodePageResult encodeUtf16LEBySystem(std::string_view text) {
    bool replaced = false;
    std::u16string units = wideFromAnsi(uptoZero(text), replaced);
    units.push_back(u'\0');
    return {littleEndianBytes(units), replaced};
}

CodePageResult encodeUtf16BEBySystem(std::string_view text) {
    CodePageResult result = encodeUtf16LEBySystem(text);
    for (std::size_t i = 0; i + 2 < result.text.size(); i += 2)
        std::swap(result.text[i], result.text[i + 1]);
    return result;
}

CodePageResult encodeUtf8BySystem(std::string_view text) {
    const CodePageResult wide = encodeUtf16LEBySystem(text);
    const std::u16string units = unitsOf(wide.text);
    const int count = static_cast<int>(units.size());
    const int needed = platform::wideCharToMultiByte(utf8, units.data(), count, nullptr, 0);
    std::string buffer(static_cast<std::size_t>(needed), '\0');
    if (needed > 0)
        platform::wideCharToMultiByte(utf8, units.data(), count, buffer.data(), needed);
    // Up to and including the first zero byte.
    const std::size_t zero = buffer.find('\0');
    if (zero != std::string::npos)
        buffer.resize(zero + 1);
    return {std::move(buffer), wide.lossy};
}

} // namespace engine
