#include "engine/opencc_converter.h"

#include <atomic>
#include <exception>
#include <mutex>

#include <SimpleConverter.hpp>

namespace engine {

namespace {

const char* configurationName(ScriptDirection direction) {
    return direction == ScriptDirection::SimplifiedToTraditional ? "s2tw.json" : "tw2s.json";
}

// The dictionary folder is one for the process; a thread notices a change, or a release asked by
// another thread, by the generation it loaded its converters in.
struct Directory {
    std::mutex lock;
    std::string path;
};

Directory& directory() {
    static Directory shared;
    return shared;
}

std::string currentDirectory() {
    Directory& shared = directory();
    const std::lock_guard<std::mutex> held(shared.lock);
    return shared.path;
}

std::atomic<unsigned> generation{0};

struct ThreadConverters {
    unsigned generation = 0;
    std::unique_ptr<OpenccConverter> loaded[2];
    bool tried[2] = {false, false};
};

ThreadConverters& threadConverters() {
    thread_local ThreadConverters converters;
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

const OpenccConverter* threadOpenccConverter(ScriptDirection direction) {
    ThreadConverters& converters = threadConverters();
    const unsigned current = generation.load(std::memory_order_acquire);
    if (converters.generation != current) {
        converters = ThreadConverters();
        converters.generation = current;
    }
    const int index = static_cast<int>(direction);
    if (!converters.tried[index]) {
        converters.tried[index] = true;
        converters.loaded[index] = OpenccConverter::open(direction, currentDirectory());
    }
    return converters.loaded[index].get();
}

void setOpenccDictionaryDirectory(std::string path) {
    {
        Directory& shared = directory();
        const std::lock_guard<std::mutex> held(shared.lock);
        shared.path = std::move(path);
    }
    releaseOpenccConverters();
}

void releaseOpenccConverters() {
    const unsigned next = generation.fetch_add(1, std::memory_order_acq_rel) + 1;
    ThreadConverters& converters = threadConverters();
    converters = ThreadConverters();
    converters.generation = next;
}

} // namespace engine
