// The settings store editing arbitrary file content: a start file, then writes, deletes and
// renames driven by the input. After every step the file on disk must hold exactly the bytes
// the store holds, since the store edits both in place and never rewrites the file whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include "settings/config_store.h"

namespace {

const std::string& settingsPath() {
    static const std::string path = [] {
        char folder[] = "/tmp/qfx-config-fuzz-XXXXXX";
        if (!mkdtemp(folder))
            std::abort();
        return std::string(folder) + "/settings.ini";
    }();
    return path;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names and values mostly drawn from the bytes that matter to the file format, so that the
// edits find, split and join sections and entries instead of missing them all.
std::string formatText(FuzzedDataProvider& provider) {
    static const char alphabet[] = {'a', 'b', 'S',    '[',    ']',  '=',    '\r',  '\n',
                                    ' ', '*', '\xA9', '\xAE', '\0', '\xD5', '\xE6'};
    if (provider.ConsumeBool())
        return provider.ConsumeRandomLengthString(12);
    const std::size_t length = provider.ConsumeIntegralInRange<std::size_t>(0, 6);
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text.push_back(
            alphabet[provider.ConsumeIntegralInRange<std::size_t>(0, sizeof alphabet - 1)]);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::string& path = settingsPath();
    {
        std::ofstream start(path, std::ios::binary | std::ios::trunc);
        start << provider.ConsumeRandomLengthString(512);
    }
    settings::ConfigStore store;
    if (!store.open(path, false))
        std::abort(); // the file is ours and writable
    store.selectSection(formatText(provider));
    auto check = [&] {
        if (fileBytes(path) != store.currentContent())
            std::abort();
    };
    check();
    for (int step = 0; step < 24 && provider.remaining_bytes() > 0; ++step) {
        switch (provider.ConsumeIntegralInRange<int>(0, 9)) {
        case 0:
        case 1: {
            const std::string section = formatText(provider);
            const std::string key = formatText(provider);
            (void)store.writeValue(section, key, formatText(provider), false);
            break;
        }
        case 2:
            (void)store.writeText(formatText(provider), formatText(provider));
            break;
        case 3: {
            const std::string section = formatText(provider);
            (void)store.deleteEntry(section, formatText(provider));
            break;
        }
        case 4: {
            const std::string oldName = formatText(provider);
            (void)store.renameSection(oldName, formatText(provider));
            break;
        }
        case 5: {
            const std::string section = formatText(provider);
            const std::string oldKey = formatText(provider);
            (void)store.renameKey(section, oldKey, formatText(provider));
            break;
        }
        case 6:
            store.setAllText(formatText(provider), provider.ConsumeBool());
            break;
        case 7: {
            const std::string section = formatText(provider);
            const std::string key = formatText(provider);
            (void)store.readValue(section, key, formatText(provider), provider.ConsumeBool());
            (void)store.readText(key, {});
            break;
        }
        case 8:
            (void)store.listSections(formatText(provider), formatText(provider));
            (void)store.listKeys(formatText(provider), formatText(provider), formatText(provider),
                                 formatText(provider));
            (void)store.listKeysWithValue(formatText(provider), formatText(provider));
            (void)store.listSectionsWithKey(formatText(provider));
            break;
        case 9:
            store.reload();
            break;
        }
        check();
    }
    return 0;
}
