#include "engine/opencc_converter.h"

#include <exception>
#include <mutex>
#include <semaphore>

#include <SimpleConverter.hpp>

#include "platform/worker_pool.h"

namespace engine {

namespace {

const char* configurationName(ScriptDirection direction) {
    return direction == ScriptDirection::SimplifiedToTraditional ? "s2tw.json" : "tw2s.json";
}

// The dictionary folder and the converters loaded from it, one of each direction for the
// process. A load happens under the lock, so threads asking at once load once.
struct Shared {
    std::mutex lock;
    std::string folder;
    std::shared_ptr<const OpenccConverter> loaded[2];
    bool tried[2] = {false, false};
    std::string failure[2]; // what the library said when a load failed

    void drop() {
        for (int i = 0; i < 2; ++i) {
            loaded[i].reset();
            tried[i] = false;
            failure[i].clear();
        }
    }
};

Shared& shared() {
    static Shared converters;
    return converters;
}

// The library's matching holds some forty times its input while it runs. More conversions at
// once than there are cores gain no speed, so no more run at once: a run's memory then does not
// grow with the number of workers it was given.
class ConvertingSlot {
public:
    ConvertingSlot() { slots().acquire(); }
    ~ConvertingSlot() { slots().release(); }
    ConvertingSlot(const ConvertingSlot&) = delete;
    ConvertingSlot& operator=(const ConvertingSlot&) = delete;

private:
    static std::counting_semaphore<>& slots() {
        static std::counting_semaphore<> free(platform::usableCoreCount());
        return free;
    }
};

} // namespace

OpenccConverter::OpenccConverter(std::unique_ptr<opencc::SimpleConverter> loaded)
    : converter(std::move(loaded)) {}

OpenccConverter::~OpenccConverter() = default;

std::unique_ptr<OpenccConverter> OpenccConverter::open(ScriptDirection direction,
                                                       const std::string& dictionaryDirectory,
                                                       std::string* failure) {
    // A bare name makes the library search its installed data folder; a path makes it take the
    // dictionaries from the configuration's own folder.
    std::string configuration = configurationName(direction);
    if (!dictionaryDirectory.empty())
        configuration = dictionaryDirectory + '/' + configuration;
    try {
        auto loaded = std::make_unique<opencc::SimpleConverter>(configuration);
        return std::unique_ptr<OpenccConverter>(new OpenccConverter(std::move(loaded)));
    } catch (const std::exception& error) {
        if (failure)
            *failure = error.what();
        return nullptr;
    } catch (...) {
        if (failure)
            *failure = "unknown failure loading " + configuration;
        return nullptr;
    }
}

std::optional<std::string> OpenccConverter::convert(std::string_view utf8) const {
    if (utf8.empty())
        return std::string();
    const ConvertingSlot slot;
    try {
        return converter->Convert(utf8.data(), utf8.size());
    } catch (...) {
        return std::nullopt;
    }
}

std::shared_ptr<const OpenccConverter> sharedOpenccConverter(ScriptDirection direction) {
    Shared& converters = shared();
    const std::lock_guard<std::mutex> held(converters.lock);
    const int index = static_cast<int>(direction);
    if (!converters.tried[index]) {
        converters.tried[index] = true;
        converters.loaded[index] =
            OpenccConverter::open(direction, converters.folder, &converters.failure[index]);
    }
    return converters.loaded[index];
}

std::string openccLoadFailure(ScriptDirection direction) {
    Shared& converters = shared();
    const std::lock_guard<std::mutex> held(converters.lock);
    return converters.failure[static_cast<int>(direction)];
}

void setOpenccDictionaryDirectory(std::string path) {
    Shared& converters = shared();
    const std::lock_guard<std::mutex> held(converters.lock);
    converters.folder = std::move(path);
    converters.drop();
}

void releaseOpenccConverters() {
    Shared& converters = shared();
    const std::lock_guard<std::mutex> held(converters.lock);
    converters.drop();
}

} // namespace engine
