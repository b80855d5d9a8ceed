#include "engine/opencc_converter.h"

#include <exception>

#include <SimpleConverter.hpp>

namespace engine {

namespace {

const char* configurationName(ScriptDirection direction) {
    return direction == ScriptDirection::SimplifiedToTraditional ? "s2tw.json" : "tw2s.json";
}

struct SharedConverters {
    std::string directory;
    std::unique_ptr<OpenccConverter> loaded[2];
    bool tried[2] = {false, false};
};

SharedConverters& shared() {
    static SharedConverters converters;
    return converters;
}

} // namespace

OpenccConverter::OpenccConverter(std::unique_ptr<opencc::SimpleConverter> loaded)
    : converter(std::move(loaded)) {}

OpenccConverter::~OpenccConverter() = default;

std::unique_ptr<OpenccConverter> OpenccConverter::open(ScriptDirection direction,
                                                       const std::string& dictionaryDirectory) {
    // A bare name makes the library search its installed data folder; a path makes it take the
    // dictionaries from the configuration's own folder.
    std::string configuration = configurationName(direction);
    if (!dictionaryDirectory.empty())
        configuration = dictionaryDirectory + '/' + configuration;
    try {
        auto loaded = std::make_unique<opencc::SimpleConverter>(configuration);
        return std::unique_ptr<OpenccConverter>(new OpenccConverter(std::move(loaded)));
    } catch (...) {
        return nullptr;
    }
}

std::optional<std::string> OpenccConverter::convert(std::string_view utf8) const {
    if (utf8.empty())
        return std::string();
    try {
        return converter->Convert(utf8.data(), utf8.size());
    } catch (...) {
        return std::nullopt;
    }
}

const OpenccConverter* sharedOpenccConverter(ScriptDirection direction) {
    SharedConverters& converters = shared();
    const int index = static_cast<int>(direction);
    if (!converters.tried[index]) {
        converters.tried[index] = true;
        converters.loaded[index] = OpenccConverter::open(direction, converters.directory);
    }
    return converters.loaded[index].get();
}

void setOpenccDictionaryDirectory(std::string directory) {
    releaseOpenccConverters();
    shared().directory = std::move(directory);
}

void releaseOpenccConverters() {
    SharedConverters& converters = shared();
    for (int index = 0; index < 2; ++index) {
        converters.loaded[index].reset();
        converters.tried[index] = false;
    }
}

} // namespace engine
