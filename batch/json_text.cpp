#include "batch/json_text.h"

#include <optional>

namespace batch {

std::string jsonString(const AnsiText& text) {
    static constexpr char digits[] = "0123456789abcdef";
    const std::optional<std::string> utf8 = platform::utf8FromAnsi(text);
    std::string out = "\"";
    for (const char c : utf8 ? *utf8 : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += digits[byte >> 4];
            out += digits[byte & 0x0F];
        } else if (byte >= 0x80 && !utf8) {
            out += "\\ufffd";
        } else {
            out += c;
        }
    }
    return out + '"';
}

} // namespace batch
