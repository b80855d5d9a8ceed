#include "platform/text_steps.h"

namespace platform {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

void appendHex(std::string& out, unsigned char byte) {
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 0x0F];
}

} // namespace

Utf8Step utf8StepAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return {Utf8Status::Valid, 1, lead};
    std::size_t length = 0;
    char32_t scalar = 0;
    // The bounds of the second byte rule out overlong forms, surrogates and > U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        scalar = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        scalar = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        scalar = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= text.size())
            return {Utf8Status::Truncated, k, 0};
        const auto next = static_cast<unsigned char>(text[at + k]);
        if (next < low || next > high)
            return {Utf8Status::Invalid, k, 0};
        scalar = scalar << 6 | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return {Utf8Status::Valid, length, scalar};
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = utf8StepAt(text, at);
        if (step.status != Utf8Status::Valid)
            return false;
        at += step.length;
    }
    return true;
}

std::string escapedControl(unsigned char byte, ControlEscape style) {
    switch (byte) {
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        break;
    }
    std::string out = style == ControlEscape::Json ? "\\u00" : "\\x";
    appendHex(out, byte);
    return out;
}

std::string hexBytes(std::string_view bytes, std::string_view prefix) {
    std::string out;
    out.reserve(bytes.size() * (prefix.size() + 2));
    for (const char c : bytes) {
        out += prefix;
        appendHex(out, static_cast<unsigned char>(c));
    }
    return out;
}

} // namespace platform
