// The Simplified/Traditional mapping over OpenCC. The library's exceptions and types stay inside
// this adapter; the rest of the engine sees UTF-8 in, UTF-8 out, or a failure it can count.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace opencc {
class SimpleConverter;
}

namespace engine {

enum class ScriptDirection {
    SimplifiedToTraditional, // "s2tw.json": phrase-aware, Taiwan forms, the ones Big5 holds
    TraditionalToSimplified, // "tw2s.json"
};

class OpenccConverter {
public:
    // Loads the direction's configuration and its dictionaries from dictionaryDirectory, or,
    // when that is empty, from where the library was installed to look. nullptr when the
    // configuration or a dictionary is missing or unreadable.
    static std::unique_ptr<OpenccConverter> open(ScriptDirection direction,
                                                 const std::string& dictionaryDirectory);
    ~OpenccConverter();
    OpenccConverter(const OpenccConverter&) = delete;
    OpenccConverter& operator=(const OpenccConverter&) = delete;

    // Valid UTF-8 without zero bytes in, the mapped UTF-8 out; nothing when the library fails.
    std::optional<std::string> convert(std::string_view utf8) const;

private:
    explicit OpenccConverter(std::unique_ptr<opencc::SimpleConverter> loaded);
    std::unique_ptr<opencc::SimpleConverter> converter;
};

// The program-wide converter of a direction, loaded on first use (loading the dictionaries takes
// a while) and kept until releaseOpenccConverters. nullptr when it cannot be loaded; a failed
// load is remembered, so a batch does not retry it for every file.
const OpenccConverter* sharedOpenccConverter(ScriptDirection direction);

// Where the shared converters look for their dictionaries; empty means the library's own place.
// Drops the converters already loaded, so the next use loads from the new place.
void setOpenccDictionaryDirectory(std::string directory);

// Frees the shared converters; called by the exit routine. A later use loads them again.
void releaseOpenccConverters();

} // namespace engine
