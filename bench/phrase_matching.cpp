// The Simplified/Traditional mapping alone, on one core: the flat phrase matching beside OpenCC's
// own, on the same UTF-8 text cut at line ends into the pieces a run maps, with whether their
// results are byte-identical.
//
//     phrase-matching UTF8-INPUT [s2t|t2s]

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/opencc_converter.h"
#include "read_whole.h"

namespace {

// Pieces of about 256 KB ending after a line feed, as the script step cuts a long text.
std::vector<std::string_view> pieces(std::string_view text) {
    std::vector<std::string_view> cut;
    while (!text.empty()) {
        size_t end = text.size();
        if (end > 256 * 1024) {
            const size_t feed = text.rfind('\n', 256 * 1024);
            end = feed == std::string_view::npos ? text.size() : feed + 1;
        }
        cut.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return cut;
}

struct Timed {
    std::string text;
    double seconds = 0;
    bool ok = true;
};

Timed mapAll(const engine::OpenccConverter& converter, const std::vector<std::string_view>& cut) {
    Timed result;
    const auto start = std::chrono::steady_clock::now();
    for (std::string_view piece : cut)
        result.ok = converter.convertInto(piece, result.text) && result.ok;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 ||
        (argc == 3 && std::string_view(argv[2]) != "s2t" && std::string_view(argv[2]) != "t2s")) {
        std::fprintf(stderr, "usage: phrase-matching UTF8-INPUT [s2t|t2s]\n");
        return 2;
    }
    const auto direction = argc == 3 && std::string_view(argv[2]) == "t2s"
                               ? engine::ScriptDirection::TraditionalToSimplified
                               : engine::ScriptDirection::SimplifiedToTraditional;
    std::string text;
    if (!readWhole(argv[1], text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const std::vector<std::string_view> cut = pieces(text);
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    Timed results[2];
    const engine::PhraseMatching matchings[] = {engine::PhraseMatching::Flat,
                                                engine::PhraseMatching::Library};
    for (int i = 0; i < 2; ++i) {
        const auto start = std::chrono::steady_clock::now();
        std::string failure;
        const auto converter = engine::OpenccConverter::open(direction, "", &failure, matchings[i]);
        const double loading =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!converter || converter->matching() != matchings[i]) {
            std::fprintf(stderr, "cannot load the %s matching: %s\n", i == 0 ? "flat" : "library",
                         failure.c_str());
            return 1;
        }
        results[i] = mapAll(*converter, cut);
        std::printf("%-8s loaded in %.3f s, %.1f MB in %.2f s, %.2f MB/s%s\n",
                    i == 0 ? "flat" : "library", loading, megabytes, results[i].seconds,
                    megabytes / results[i].seconds, results[i].ok ? "" : ", failed");
    }
    const bool identical = results[0].text == results[1].text;
    std::printf("flat / library time: %.3f; outputs %s\n", results[0].seconds / results[1].seconds,
                identical ? "byte-identical" : "DIFFERENT");
    return identical && results[0].ok && results[1].ok ? 0 : 1;
}
