// The smart reading of arbitrary source bytes, as a batch run with smart detection meets them:
// only an encoding the engine decodes may come out, UTF-8 only for UTF-8 (cut inside its last
// character at most), and the decoding that follows must give the internal text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/smart_detection.h"
#include "engine/text_encoding.h"
#include "platform/text_steps.h"

using engine::TextEncoding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const TextEncoding found = engine::smartSourceEncoding(bytes);
    switch (found) {
    case TextEncoding::Utf8: {
        bool valid = false;
        for (std::size_t cut = 0; cut <= 3 && cut <= size && !valid; ++cut)
            valid = platform::isValidUtf8(std::string_view(bytes).substr(0, size - cut));
        if (!valid)
            std::abort();
        break;
    }
    case TextEncoding::Ansi:
    case TextEncoding::Big5:
    case TextEncoding::Big5Hkscs:
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        break;
    default:
        std::abort(); // Auto or a value outside the table
    }
    const engine::DetectedEncoding detected =
        engine::detectSourceEncoding(bytes, TextEncoding::Auto, engine::DetectionRule::Smart);
    if (detected.contentStart > size)
        std::abort();
    const engine::DecodedText decoded = engine::decodeContent(
        bytes, detected.contentStart, detected.encoding, {}, detected.utf8Trial);
    if (decoded.text.find('\0') != std::string::npos)
        std::abort();
    return 0;
}
