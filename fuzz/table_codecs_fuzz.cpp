// The table converters against iconv on arbitrary bytes: for every pair they cover, both must
// convert the bytes alike or both refuse them. The first byte picks the room the sink offers.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/charset_conversion.h"
#include "engine/table_codecs.h"
#include "platform/iconv_handle.h"

namespace {

// Hands out no more room than asked for, or a little more, so every stop for room is met.
class TightSink final : public engine::ByteSink {
public:
    explicit TightSink(std::size_t spare) : extra(spare) {}
    std::span<char> room(std::size_t atLeast) override {
        scratch.assign(atLeast + extra, '\0');
        return {scratch.data(), scratch.size()};
    }
    bool wrote(std::size_t count) override { return append({scratch.data(), count}); }
    bool append(std::string_view bytes) override {
        received.append(bytes);
        return true;
    }
    bool truncate(std::size_t length) override {
        received.resize(std::min(length, received.size()));
        return true;
    }
    std::size_t size() const override { return received.size(); }
    std::string received;

private:
    std::size_t extra;
    std::string scratch;
};

std::optional<std::string> byIconv(std::string_view data, const char* from, const char* to) {
    std::string out;
    if (!platform::convertStrict(to, from, data, out))
        return std::nullopt;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t spare = data[0] % 4 == 0 ? 0 : std::size_t{1} << (data[0] % 17);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    constexpr std::array<const char*, 5> others = {"UTF-8", "UTF-16LE", "UTF-16BE", "BIG5",
                                                   "BIG5-HKSCS"};
    for (const char* other : others) {
        for (const auto& [from, to] : {std::pair{"GB18030", other}, std::pair{other, "GB18030"}}) {
            TightSink sink(spare);
            const std::optional<engine::ConversionStatus> status = engine::convertByTable(
                bytes, from, to, sink, engine::convertedSizeLimit(bytes.size()));
            if (!status)
                std::abort(); // every pair here is covered
            const std::optional<std::string> expected = byIconv(bytes, from, to);
            if ((*status == engine::ConversionStatus::Ok) != expected.has_value())
                std::abort();
            if (expected && sink.received != *expected)
                std::abort();
        }
    }
    return 0;
}
