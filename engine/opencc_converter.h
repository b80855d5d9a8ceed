// The Simplified/Traditional mapping over OpenCC. The library's exceptions and types stay inside
// this adapter; the rest of the engine sees UTF-8 in, UTF-8 out, or a failure it can count.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace opencc {
class Converter;
}

namespace engine {

class PhraseConversion;

enum class ScriptDirection {
    SimplifiedToTraditional, // "s2tw.json": phrase-aware, Taiwan forms, the ones Big5 holds
    TraditionalToSimplified, // "tw2s.json"
};

// How a converter matches phrases. Both give the same text.
enum class PhraseMatching {
    // The configuration's dictionaries copied once into flat tables and matched by the library's
    // rules without allocating per phrase: many times faster.
    Flat,
    // The library's own segmentation and conversion chain: the fallback when the dictionaries
    // cannot be read out or the library's version matches by other rules, and the reference
    // the flat matching is held to.
    Library,
};

class OpenccConverter {
public:
    // Loads the direction's configuration and its dictionaries from dictionaryDirectory, or,
    // when that is empty, from where the library was installed to look. nullptr when the
    // configuration or a dictionary is missing or unreadable; `failure`, when given, then
    // receives the library's own words. Asked for Flat, it matches with the library when the
    // flat tables cannot reproduce the library's matching (matching() tells which serves).
    static std::unique_ptr<OpenccConverter> open(ScriptDirection direction,
                                                 const std::string& dictionaryDirectory,
                                                 std::string* failure = nullptr,
                                                 PhraseMatching wanted = PhraseMatching::Flat);
    ~OpenccConverter();
    OpenccConverter(const OpenccConverter&) = delete;
    OpenccConverter& operator=(const OpenccConverter&) = delete;

    // Valid UTF-8 in, read up to its first zero byte, the mapped UTF-8 out; nothing when the
    // mapping fails.
    std::optional<std::string> convert(std::string_view utf8) const;
    // The same, appended to `out`; false when the mapping fails (`out` may then hold part of it).
    bool convertInto(std::string_view utf8, std::string& out) const;

    PhraseMatching matching() const;

private:
    OpenccConverter(std::shared_ptr<const opencc::Converter> loaded,
                    std::unique_ptr<const PhraseConversion> copied);
    std::shared_ptr<const opencc::Converter> library; // when matching with the library
    std::unique_ptr<const PhraseConversion> flat;     // otherwise
};

// The process's converter of a direction, loaded on first use (loading the dictionaries takes a
// while and their memory is large) and shared by every thread: converting only reads the loaded
// dictionaries, each call keeping its own matching state. nullptr when it cannot be loaded; a
// failed load is remembered, so a batch does not retry it for every file. A holder keeps its
// converter alive through a release or a change of folder.
std::shared_ptr<const OpenccConverter> sharedOpenccConverter(ScriptDirection direction);

// What the library said when the shared converter of a direction failed to load; empty when it
// loaded, was not tried yet, or said nothing.
std::string openccLoadFailure(ScriptDirection direction);

// Where the converters look for their dictionaries; empty means the library's own place. The
// converters loaded are dropped, so the next use loads from the new place.
void setOpenccDictionaryDirectory(std::string directory);

// Drops the loaded converters (the exit routine calls it); each is freed once no conversion
// holds it any more. A later use loads them again.
void releaseOpenccConverters();

} // namespace engine
