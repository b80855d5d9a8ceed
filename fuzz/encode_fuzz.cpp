// Encoding arbitrary internal text with every output choice, in memory and through a sink that
// refuses bytes part-way, as a full disk does.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/text_encoding.h"

using engine::TextEncoding;

namespace {

// Takes bytes until `capacity` is reached, then refuses everything.
class LimitedSink final : public engine::ByteSink {
public:
    explicit LimitedSink(std::size_t limit) : capacity(limit) {}
    std::span<char> room(std::size_t atLeast) override {
        scratch.resize(atLeast);
        return scratch;
    }
    bool wrote(std::size_t count) override {
        if (count > scratch.size())
            std::abort();
        return append(std::string_view(scratch.data(), count));
    }
    bool append(std::string_view bytes) override {
        if (bytes.size() > capacity - received.size())
            return false;
        received += bytes;
        return true;
    }
    bool truncate(std::size_t length) override {
        if (length > received.size())
            std::abort();
        received.resize(length);
        return true;
    }
    std::size_t size() const override { return received.size(); }

    std::string received;

private:
    std::size_t capacity;
    std::vector<char> scratch;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte sets where the sink starts refusing; the rest is the text.
    const std::size_t limit = data[0] * 7u;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string_view cut(text.c_str()); // what the encoder takes: up to the first zero byte
    for (int choice = 0; choice <= static_cast<int>(TextEncoding::Big5Hkscs) + 1; ++choice) {
        const auto output = static_cast<TextEncoding>(choice);
        const engine::EncodedText encoded = engine::encodeText(text, output);
        const std::string_view mark = engine::byteOrderMark(output);
        if (encoded.bytes.compare(0, mark.size(), mark) != 0)
            std::abort(); // every output starts with its mark
        if (encoded.problem == engine::problems::Unconverted &&
            encoded.bytes.compare(mark.size(), std::string::npos, cut) != 0)
            std::abort(); // an unconverted text goes out as its own bytes
        if (output == TextEncoding::Ansi && encoded.bytes != cut)
            std::abort();

        LimitedSink sink(limit);
        const engine::FileProblem problem = engine::encodeTextInto(text, output, sink);
        if (problem != platform::problems::OutputUnwritable && sink.received != encoded.bytes)
            std::abort(); // the streamed output equals the one built in memory
    }
    return 0;
}
