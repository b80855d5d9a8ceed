// The flat matching must give the library's text byte for byte: on every word of the installed
// dictionaries, on prose made of them, and on real Chinese text the system ships.
#include "engine/phrase_conversion.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/opencc_converter.h"
#include "tests/platform/temp_folder.h"

using namespace engine;

namespace {

// Every dictionary either direction's configuration reads.
const char* const dictionaries[] = {"STPhrases",           "STCharacters", "TWVariants",
                                    "TSPhrases",           "TSCharacters", "TWVariantsRev",
                                    "TWVariantsRevPhrases"};

// The output of a command, or nothing when it failed.
std::string commandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    return ::pclose(pipe) == 0 ? output : std::string();
}

// The keys and values of the installed dictionaries, as the library's own tool writes them out.
const std::vector<std::string>& dictionaryWords() {
    static const std::vector<std::string> words = [] {
        std::vector<std::string> found;
        const platform::testing::TempFolder temporary;
        for (const char* dictionary : dictionaries) {
            const std::string text = temporary.native(std::string(dictionary) + ".txt").string();
            const std::string lines =
                commandOutput("opencc_dict -i /usr/share/opencc/" + std::string(dictionary) +
                              ".ocd2 -o '" + text + "' -f ocd2 -t text && cat '" + text + "'");
            // A line is a key, a tab and values apart by spaces.
            size_t start = 0;
            for (size_t i = 0; i <= lines.size(); ++i) {
                if (i < lines.size() && lines[i] != '\t' && lines[i] != ' ' && lines[i] != '\n')
                    continue;
                if (i > start)
                    found.push_back(lines.substr(start, i - start));
                start = i + 1;
            }
        }
        return found;
    }();
    return words;
}

struct Pair {
    std::unique_ptr<OpenccConverter> flat;
    std::unique_ptr<OpenccConverter> library;
};

const Pair& converters(ScriptDirection direction) {
    static Pair pairs[2];
    Pair& pair = pairs[static_cast<int>(direction)];
    if (!pair.flat) {
        pair.flat = OpenccConverter::open(direction, "", nullptr, PhraseMatching::Flat);
        pair.library = OpenccConverter::open(direction, "", nullptr, PhraseMatching::Library);
    }
    return pair;
}

// The first line of `text` the two converters map differently, with both mappings; empty when
// they agree on all of it.
std::string firstDifference(const Pair& pair, const std::string& text) {
    const std::string flat = pair.flat->convert(text).value_or("(failed)");
    const std::string library = pair.library->convert(text).value_or("(failed)");
    if (flat == library)
        return {};
    size_t line = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string piece = text.substr(start, end - start);
        const std::string flatPiece = pair.flat->convert(piece).value_or("(failed)");
        const std::string libraryPiece = pair.library->convert(piece).value_or("(failed)");
        if (flatPiece != libraryPiece)
            return "line " + std::to_string(line) + ": " + piece + " -> " + flatPiece +
                   " instead of " + libraryPiece;
        start = end;
        ++line;
    }
    return "the whole text differs, no line alone does";
}

struct DirectionRow {
    const char* name;
    ScriptDirection direction;
};

void PrintTo(const DirectionRow& row, std::ostream* out) {
    *out << row.name;
}

class FlatMatchesLibrary : public testing::TestWithParam<DirectionRow> {
protected:
    void SetUp() override {
        pair = &converters(GetParam().direction);
        ASSERT_NE(pair->flat, nullptr);
        ASSERT_NE(pair->library, nullptr);
        // Else the library would be compared with itself.
        ASSERT_EQ(pair->flat->matching(), PhraseMatching::Flat);
        ASSERT_EQ(pair->library->matching(), PhraseMatching::Library);
    }
    const Pair* pair = nullptr;
};

TEST_P(FlatMatchesLibrary, onEveryDictionaryWordAloneAndBesideItsNeighbours) {
    const std::vector<std::string>& words = dictionaryWords();
    ASSERT_GT(words.size(), 100000u);
    size_t differing = 0;
    std::string first;
    for (const std::string& word : words) {
        if (pair->flat->convert(word) != pair->library->convert(word) && differing++ == 0)
            first = word;
    }
    EXPECT_EQ(differing, 0u) << "first: " << first;
    // Side by side, one word's end and the next one's start make phrases of their own.
    std::string text;
    for (size_t i = 0; i < words.size(); ++i)
        text += words[i] + (i % 50 == 49 ? "\n" : "");
    EXPECT_EQ(firstDifference(*pair, text), "");
}

TEST_P(FlatMatchesLibrary, onProseMadeOfWordsCutWordsAndOtherCharacters) {
    const std::vector<std::string>& words = dictionaryWords();
    ASSERT_FALSE(words.empty());
    const char* const others[] = {"，", "。", " ", "abc", "12", "é", "𠀀", "\t", "「", "」"};
    std::mt19937 random(20240607);
    std::string text;
    while (text.size() < (1u << 20)) {
        const std::string& word = words[random() % words.size()];
        switch (random() % 6) {
        case 0: { // a word cut short: the longest match has to back off
            size_t cut = 1 + random() % word.size();
            while (cut < word.size() && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80)
                ++cut;
            text += word.substr(0, cut);
            break;
        }
        case 1:
            text += others[random() % std::size(others)];
            break;
        case 2:
            text += '\n';
            break;
        default:
            text += word;
        }
    }
    EXPECT_EQ(firstDifference(*pair, text), "");
}

TEST_P(FlatMatchesLibrary, onTheChineseManualPagesTheSystemShips) {
    size_t files = 0;
    for (const char* folder : {"/usr/share/man/zh_CN", "/usr/share/man/zh_TW"}) {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored)) {
            if (!entry.is_regular_file())
                continue;
            const std::string text = commandOutput("gzip -dcf '" + entry.path().string() + "'");
            if (text.empty())
                continue;
            ++files;
            EXPECT_EQ(firstDifference(*pair, text), "") << entry.path();
        }
    }
    if (files == 0)
        GTEST_SKIP() << "no Chinese manual pages installed";
}

struct SmallRow {
    const char* name;
    const char* firstStepLead; // dictionaries put first in the first step's group
};

void PrintTo(const SmallRow& row, std::ostream* out) {
    *out << row.name;
}

class FlatMatchesLibraryOnSmallDictionaries : public testing::TestWithParam<SmallRow> {};

// Small text dictionaries whose keys overlap every way they can: a group member that matches
// shorter than a later one, a nested group, keys that straddle the phrases the segmentation
// cuts, a second step that sees only what the first one wrote. Every string of up to six
// characters over their alphabet maps as the library maps it.
TEST_P(FlatMatchesLibraryOnSmallDictionaries, everyShortStringOverTheirAlphabet) {
    const platform::testing::TempFolder temporary;
    const auto write = [&temporary](const char* name, const std::string& content) {
        platform::testing::writeBytes(temporary.native(name), content);
    };
    write("cut.txt", "ab\tAB\nbcd\tBCD\n甲a\t乙\n");
    write("first.txt", "ab\tX\nca\tW\nd甲\tV\nbc\tU\ndc\tP\n");
    write("nested.txt", "abc\tY\ncab\tZ\ndca\tR\nb\tB\n");
    write("last.txt", "c\tC\na\tA Ä\n");
    write("after.txt", "X\tx\nUA\tu\nBC\tq\nA\t甲a\nW\tww\nZ\t\nAB\tab\n");
    write("s2tw.json",
          std::string(
              R"({"segmentation": {"type": "mmseg", "dict": {"type": "text", "file": "cut.txt"}},
        "conversion_chain": [
          {"dict": {"type": "group", "dicts": [)") +
              GetParam().firstStepLead + R"(
            {"type": "text", "file": "first.txt"},
            {"type": "group", "dicts": [{"type": "text", "file": "nested.txt"}]},
            {"type": "text", "file": "last.txt"}]}},
          {"dict": {"type": "text", "file": "after.txt"}}]})");
    const std::string folder = temporary.folder().string();
    std::string failure;
    const Pair pair{OpenccConverter::open(ScriptDirection::SimplifiedToTraditional, folder,
                                          &failure, PhraseMatching::Flat),
                    OpenccConverter::open(ScriptDirection::SimplifiedToTraditional, folder,
                                          &failure, PhraseMatching::Library)};
    ASSERT_NE(pair.flat, nullptr) << failure;
    ASSERT_NE(pair.library, nullptr) << failure;
    ASSERT_EQ(pair.flat->matching(), PhraseMatching::Flat);

    const char* const alphabet[] = {"a", "b", "c", "d", "甲"};
    size_t differing = 0;
    std::string first;
    std::vector<size_t> digits;
    while (digits.size() <= 6) {
        std::string text;
        for (size_t digit : digits)
            text += alphabet[digit];
        if (pair.flat->convert(text) != pair.library->convert(text) && differing++ == 0)
            first = text + " -> " + pair.flat->convert(text).value_or("(failed)") + " instead of " +
                    pair.library->convert(text).value_or("(failed)");
        // The next string: counting in base 5, one digit longer after the last of a length.
        size_t i = 0;
        while (i < digits.size() && ++digits[i] == std::size(alphabet))
            digits[i++] = 0;
        if (i == digits.size())
            digits.push_back(0);
    }
    EXPECT_EQ(differing, 0u) << first;
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, FlatMatchesLibraryOnSmallDictionaries,
    testing::Values(SmallRow{"cutByOneDictionaryMappedByOthers", ""},
                    // As Simplified to Traditional has it: the phrases that cut also map first.
                    SmallRow{"cutAndMappedFirstByTheSameDictionary",
                             R"({"type": "text", "file": "cut.txt"},)"}),
    [](const testing::TestParamInfo<SmallRow>& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(Directions, FlatMatchesLibrary,
                         testing::Values(DirectionRow{"simplifiedToTraditional",
                                                      ScriptDirection::SimplifiedToTraditional},
                                         DirectionRow{"traditionalToSimplified",
                                                      ScriptDirection::TraditionalToSimplified}),
                         [](const testing::TestParamInfo<DirectionRow>& row) {
                             return std::string(row.param.name);
                         });

} // namespace
