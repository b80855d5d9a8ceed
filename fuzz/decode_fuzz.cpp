// Detection and decoding of arbitrary source bytes with every input choice, as a batch run
// meets them: the result must be the internal text (no zero byte inside) or a clean fallback.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/text_encoding.h"

using engine::TextEncoding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (int choice = 0; choice <= static_cast<int>(TextEncoding::Big5Hkscs); ++choice) {
        const auto input = static_cast<TextEncoding>(choice);
        const engine::DetectedEncoding detected = engine::detectSourceEncoding(bytes, input);
        if (detected.contentStart > bytes.size())
            std::abort();
        if (input != TextEncoding::Auto && detected.encoding != input)
            std::abort(); // a definite choice is kept
        const engine::DecodedText decoded = engine::decodeContent(
            bytes, detected.contentStart, detected.encoding, {}, detected.utf8Trial);
        if (decoded.text.find('\0') != std::string::npos)
            std::abort(); // the text is cut at its first zero byte
        // Writing the text back must never fail in memory, whatever it holds.
        const engine::EncodedText encoded = engine::encodeText(decoded.text, decoded.encoding);
        (void)encoded;
    }
    return 0;
}
