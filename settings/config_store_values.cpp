// The typed values of the current section, as text in the settings file or in the registry.
#include <algorithm>
#include <charconv>
#include <string_view>

#include "settings/config_store.h"

namespace settings {

using ini::lineBreak;
using ini::replaceText;

namespace {

const AnsiText& escapedLineBreak() {
    static const AnsiText marker = platform::ansi("┊*┊");
    return marker;
}
const AnsiText& trueText() {
    static const AnsiText text = platform::ansi("真");
    return text;
}
const AnsiText& falseText() {
    static const AnsiText text = platform::ansi("假");
    return text;
}

// Reads the leading number of a text as the classic conversion does: leading blanks skipped,
// an optional sign, then as many characters as form a number; 0 when there is none.
template <typename Number> Number leadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : Number{};
}

AnsiText numberText(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
    return AnsiText(buffer, result.ptr);
}

AnsiText integerText(std::int64_t value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return AnsiText(buffer, result.ptr);
}

} // namespace

bool ConfigStore::writeRaw(const AnsiText& key, const AnsiText& value) {
    if (mode == StorageMode::Registry)
        return registry.writeString(registryKey(), key, value);
    return writeValue(section, key, value, false) == StoreResult::Done;
}

AnsiText ConfigStore::readRaw(const AnsiText& key, const AnsiText& defaultValue) {
    if (mode == StorageMode::Registry)
        return registry.readString(registryKey(), key).value_or(defaultValue);
    return readValue(section, key, defaultValue, false);
}

bool ConfigStore::writeText(const AnsiText& key, const AnsiText& value) {
    return writeRaw(key, replaceText(value, lineBreak, escapedLineBreak()));
}

AnsiText ConfigStore::readText(const AnsiText& key, const AnsiText& defaultValue) {
    const AnsiText stored = readRaw(key, replaceText(defaultValue, lineBreak, escapedLineBreak()));
    return replaceText(stored, escapedLineBreak(), lineBreak);
}

bool ConfigStore::writeNumber(const AnsiText& key, double value) {
    return writeRaw(key, numberText(value));
}

double ConfigStore::readNumber(const AnsiText& key, double defaultValue) {
    return leadingNumber<double>(readRaw(key, numberText(defaultValue)));
}

bool ConfigStore::writeFlag(const AnsiText& key, bool value) {
    return writeRaw(key, value ? trueText() : falseText());
}

bool ConfigStore::readFlag(const AnsiText& key, bool defaultValue) {
    return readRaw(key, defaultValue ? trueText() : falseText()) == trueText();
}

bool ConfigStore::readFlagTrueUnlessFalse(const AnsiText& key, bool defaultValue) {
    return readRaw(key, defaultValue ? trueText() : falseText()) != falseText();
}

bool ConfigStore::writeInt64(const AnsiText& key, std::int64_t value) {
    return writeRaw(key, integerText(value));
}

std::int64_t ConfigStore::readInt64(const AnsiText& key, std::int64_t defaultValue) {
    return leadingNumber<std::int64_t>(readRaw(key, integerText(defaultValue)));
}

} // namespace settings
