#include "batch/json_text.h"

#include <optional>

#include "platform/text_steps.h"

namespace batch {

std::string jsonString(const AnsiText& text) {
    const std::optional<std::string> utf8 = platform::utf8FromAnsi(text);
    std::string out = "\"";
    for (const char c : utf8 ? *utf8 : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (platform::isControlByte(byte)) {
            out += platform::escapedControl(byte, platform::ControlEscape::Json);
        } else if (byte >= 0x80 && !utf8) {
            out += "\\ufffd";
        } else {
            out += c;
        }
    }
    return out + '"';
}

} // namespace batch
