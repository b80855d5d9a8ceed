#include "engine/other_encodings.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <mutex>

#include "platform/iconv_handle.h"

namespace engine {

namespace {

struct Registered {
    std::string converter; // as iconv takes it
    std::string shortName; // lower case, for lines and reports
    bool omit = false;     // what cannot be converted is left out
    std::size_t unit = 1;  // the bytes of its smallest character (2 for UTF-16, 4 for UTF-32)
};

// Slots are filled once under the mutex and published by the count, so readers on the workers
// need no lock: a slot below the count never changes again.
constexpr std::size_t capacity = 64;
std::array<Registered, capacity> slots;
std::atomic<std::size_t> published{0};
std::mutex registering;

std::string lowerCase(std::string_view name) {
    std::string lower(name);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

const Registered* slotOf(TextEncoding encoding) {
    const int value = static_cast<int>(encoding);
    if (value < firstOtherEncoding)
        return nullptr;
    const auto index = static_cast<std::size_t>(value - firstOtherEncoding);
    return index < published.load(std::memory_order_acquire) ? &slots[index] : nullptr;
}

// The bytes of the encoding's smallest character: what a second "A" adds (a mark, or a shift
// into a state, comes once); 0 when iconv cannot write "A" in it.
std::size_t unitOf(const std::string& name) {
    std::string one;
    std::string two;
    if (!platform::convertStrict(name.c_str(), "GB18030", "A", one) ||
        !platform::convertStrict(name.c_str(), "GB18030", "AA", two) || two.size() <= one.size())
        return 0;
    return two.size() - one.size();
}

} // namespace

bool isOtherEncoding(TextEncoding encoding) {
    return slotOf(encoding) != nullptr;
}

OtherEncodingLookup otherEncoding(std::string_view name, bool omit) {
    // iconv's own suffixes: a transliterating target is another converter; ignoring is -c.
    std::string typed(name);
    const std::string lower = lowerCase(name);
    if (lower.ends_with("//ignore")) {
        typed.resize(typed.size() - 8);
        omit = true;
    }
    const std::string shortName = lowerCase(typed);
    const std::string_view base = std::string_view(shortName).substr(
        0, shortName.ends_with("//translit") ? shortName.size() - 10 : shortName.size());
    if (base.empty() || base.find('/') != std::string_view::npos)
        return {}; // any other suffix would change what iconv does in ways not asked for
    const std::lock_guard lock(registering);
    const std::size_t count = published.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < count; ++i)
        if (slots[i].shortName == shortName && slots[i].omit == omit)
            return {static_cast<TextEncoding>(firstOtherEncoding + static_cast<int>(i))};
    const std::string& converter = typed;
    if (!platform::IconvHandle(converter.c_str(), "GB18030").valid() ||
        !platform::IconvHandle("GB18030", converter.c_str()).valid())
        return {std::nullopt, OtherEncodingRefusal::Unknown};
    const std::size_t unit = unitOf(converter);
    if (unit == 0)
        return {std::nullopt, OtherEncodingRefusal::Unknown};
    if (count == capacity)
        return {std::nullopt, OtherEncodingRefusal::TooMany};
    slots[count] = {converter, shortName, omit, unit};
    published.store(count + 1, std::memory_order_release);
    return {static_cast<TextEncoding>(firstOtherEncoding + static_cast<int>(count))};
}

std::string_view otherConverterName(TextEncoding encoding) {
    const Registered* slot = slotOf(encoding);
    return slot ? std::string_view(slot->converter) : std::string_view();
}

std::string_view otherShortName(TextEncoding encoding) {
    const Registered* slot = slotOf(encoding);
    return slot ? std::string_view(slot->shortName) : std::string_view();
}

bool omitsUnconvertible(TextEncoding encoding) {
    const Registered* slot = slotOf(encoding);
    return slot && slot->omit;
}

std::size_t otherUnitSize(TextEncoding encoding) {
    const Registered* slot = slotOf(encoding);
    return slot ? slot->unit : 1;
}

} // namespace engine
