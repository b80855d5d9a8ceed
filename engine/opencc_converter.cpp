#include "engine/opencc_converter.h"

#include <exception>
#include <map>
#include <mutex>
#include <semaphore>
#include <typeinfo>

#include <Config.hpp>
#include <Conversion.hpp>
#include <ConversionChain.hpp>
#include <Converter.hpp>
#include <DartsDict.hpp>
#include <DictGroup.hpp>
#include <Exception.hpp>
#include <Lexicon.hpp>
#include <MarisaDict.hpp>
#include <MaxMatchSegmentation.hpp>
#include <TextDict.hpp>

#include "engine/phrase_conversion.h"
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

// The library's own matching holds some forty times its input while it runs. More conversions at
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

// The flat matching reproduces the matching rules of the OpenCC it was built against only up
// to 1.2; later versions match otherwise (ideographic description sequences, union groups).
#ifdef QFX_OPENCC_FLAT_RULES
constexpr bool flatRulesKnown = true;
#else
constexpr bool flatRulesKnown = false;
#endif

// Copies the dictionaries of a loaded configuration into flat tables, a dictionary used twice
// (the phrases both cut and map) copied once. Nothing when the configuration holds a kind of
// segmentation or a dictionary the flat matching cannot reproduce. The kinds are told by their
// exact type: a subclass may match by rules of its own.
class Flattening {
public:
    std::unique_ptr<const PhraseConversion> flatten(const opencc::Converter& loaded) {
        const opencc::Segmentation* const segmenter = loaded.GetSegmentation().get();
        if (!segmenter || typeid(*segmenter) != typeid(opencc::MaxMatchSegmentation) ||
            !loaded.GetConversionChain())
            return nullptr;
        const auto* cutting = static_cast<const opencc::MaxMatchSegmentation*>(segmenter);
        PhraseConversion::DictionaryGroup segmentation;
        if (!add(cutting->GetDict(), segmentation))
            return nullptr;
        std::vector<PhraseConversion::DictionaryGroup> chain;
        for (const opencc::ConversionPtr& conversion :
             loaded.GetConversionChain()->GetConversions()) {
            chain.emplace_back();
            if (!conversion || !add(conversion->GetDict(), chain.back()))
                return nullptr;
        }
        return std::make_unique<const PhraseConversion>(std::move(segmentation), std::move(chain));
    }

private:
    // A group's members join the group they are in: the first member with a match at a place
    // decides there, whether it is nested or not.
    bool add(const opencc::DictPtr& dictionary, PhraseConversion::DictionaryGroup& group) {
        if (!dictionary)
            return false;
        const std::type_info& kind = typeid(*dictionary);
        if (kind == typeid(opencc::DictGroup)) {
            const auto* members = static_cast<const opencc::DictGroup*>(dictionary.get());
            for (const opencc::DictPtr& member : members->GetDicts())
                if (!add(member, group))
                    return false;
            return true;
        }
        // The kinds that take the longest key starting at a place.
        if (kind != typeid(opencc::MarisaDict) && kind != typeid(opencc::DartsDict) &&
            kind != typeid(opencc::TextDict))
            return false;
        auto& copy = copies[dictionary.get()];
        if (!copy) {
            const opencc::LexiconPtr lexicon = dictionary->GetLexicon();
            if (!lexicon)
                return false;
            std::vector<PhraseDictionary::Entry> entries;
            entries.reserve(lexicon->Length());
            for (const std::unique_ptr<opencc::DictEntry>& entry : *lexicon)
                entries.push_back({entry->Key(), entry->GetDefault()});
            std::optional<PhraseDictionary> built = PhraseDictionary::build(entries);
            if (!built)
                return false;
            copy = std::make_shared<const PhraseDictionary>(std::move(*built));
        }
        group.push_back(copy);
        return true;
    }

    std::map<const opencc::Dict*, std::shared_ptr<const PhraseDictionary>> copies;
};

} // namespace

OpenccConverter::OpenccConverter(std::shared_ptr<const opencc::Converter> loaded,
                                 std::unique_ptr<const PhraseConversion> copied)
    : library(std::move(loaded)), flat(std::move(copied)) {}

OpenccConverter::~OpenccConverter() = default;

std::unique_ptr<OpenccConverter> OpenccConverter::open(ScriptDirection direction,
                                                       const std::string& dictionaryDirectory,
                                                       std::string* failure,
                                                       PhraseMatching wanted) {
    // A bare name makes the library search its installed data folder; a path makes it take the
    // dictionaries from the configuration's own folder.
    std::string configuration = configurationName(direction);
    if (!dictionaryDirectory.empty())
        configuration = dictionaryDirectory + '/' + configuration;
    auto failed = [failure](std::string words) {
        if (failure)
            *failure = std::move(words);
        return nullptr;
    };
    try {
        opencc::Config config;
        const opencc::ConverterPtr loaded = config.NewFromFile(configuration);
        if (!loaded)
            return failed("cannot load " + configuration);
        std::unique_ptr<const PhraseConversion> flat;
        if (wanted == PhraseMatching::Flat && flatRulesKnown)
            flat = Flattening().flatten(*loaded);
        // Once copied, the library's own dictionaries are let go: they would only hold memory.
        return std::unique_ptr<OpenccConverter>(
            new OpenccConverter(flat ? nullptr : loaded, std::move(flat)));
    } catch (const opencc::Exception& error) {
        return failed(error.what());
    } catch (const std::exception& error) {
        return failed(error.what());
    } catch (...) {
        return failed("unknown failure loading " + configuration);
    }
}

PhraseMatching OpenccConverter::matching() const {
    return flat ? PhraseMatching::Flat : PhraseMatching::Library;
}

bool OpenccConverter::convertInto(std::string_view utf8, std::string& out) const {
    // The library reads its input up to the first zero byte, as its own C interface does; both
    // matchings read the same.
    utf8 = utf8.substr(0, utf8.find('\0'));
    if (utf8.empty())
        return true;
    if (flat)
        return flat->convert(utf8, out);
    const ConvertingSlot slot;
    try {
        out += library->Convert(std::string(utf8));
        return true;
    } catch (...) {
        return false;
    }
}

std::optional<std::string> OpenccConverter::convert(std::string_view utf8) const {
    std::string out;
    if (!convertInto(utf8, out))
        return std::nullopt;
    return out;
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
