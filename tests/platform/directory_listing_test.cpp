#include "platform/directory_listing.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string templ = (fs::temp_directory_path() / "listing-XXXXXX").string();
        path = mkdtemp(templ.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, ignored);
        fs::remove_all(path, ignored);
    }
    void file(const std::string& name) const { std::ofstream(path + "/" + name) << "x"; }
    void folder(const std::string& name) const { fs::create_directory(path + "/" + name); }
    std::string path;
};

// The native names in the order the system lists them, for comparing orders.
std::vector<std::string> systemOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

std::vector<DirectoryEntry> readAll(const AnsiText& folder) {
    std::vector<DirectoryEntry> entries;
    DirectoryReader reader(folder);
    while (auto entry = reader.next())
        entries.push_back(*entry);
    return entries;
}

} // namespace

TEST(DirectoryReader, deliversEveryEntryOnceInSystemOrderWithKindsBehindLinks) {
    TempFolder temp;
    temp.file("a.txt");
    temp.file(".hidden");
    temp.file("中文名.TXT");
    temp.folder("转换结果");
    fs::create_symlink("a.txt", temp.path + "/to-file");
    fs::create_symlink("转换结果", temp.path + "/to-folder");
    fs::create_symlink("missing", temp.path + "/dangling");
    ASSERT_EQ(mkfifo((temp.path + "/pipe").c_str(), 0600), 0);

    const std::map<std::string, EntryKind> expected = {
        {"a.txt", EntryKind::File},      {".hidden", EntryKind::File},
        {"中文名.TXT", EntryKind::File}, {"转换结果", EntryKind::Folder},
        {"to-file", EntryKind::File},    {"to-folder", EntryKind::Folder},
        {"dangling", EntryKind::Other},  {"pipe", EntryKind::Other},
    };
    const auto entries = readAll(ansi(temp.path));
    const auto order = systemOrder(temp.path);
    ASSERT_EQ(entries.size(), order.size());
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, ansi(order[i]));
        EXPECT_TRUE(entries[i].representable);
        EXPECT_EQ(entries[i].kind, expected.at(order[i])) << order[i];
    }
}

TEST(DirectoryReader, nameThatIsNoUtf8IsFlaggedNotMangled) {
    TempFolder temp;
    temp.file("bad\xFF.txt");
    temp.file("bad?.txt"); // what a "?"-replacing conversion would turn the first into
    const auto entries = readAll(ansi(temp.path));
    ASSERT_EQ(entries.size(), 2u);
    std::set<AnsiText> representable;
    std::vector<AnsiText> flagged;
    for (const auto& entry : entries) {
        if (entry.representable)
            representable.insert(entry.name);
        else
            flagged.push_back(entry.name);
    }
    EXPECT_EQ(representable, std::set<AnsiText>{"bad?.txt"});
    ASSERT_EQ(flagged.size(), 1u);
    EXPECT_EQ(flagged[0], ansi("bad\uFFFD.txt"));
}

TEST(DirectoryReader, acceptsTrailingSeparator) {
    TempFolder temp;
    temp.file("a");
    EXPECT_EQ(readAll(ansi(temp.path + "/")).size(), 1u);
}

TEST(DirectoryReader, badFoldersDoNotOpen) {
    TempFolder temp;
    temp.file("plain.txt");
    for (const AnsiText& folder : {ansi(temp.path + "/missing"), ansi(temp.path + "/plain.txt"),
                                   AnsiText(""), AnsiText("/tmp/\x81")}) {
        DirectoryReader reader(folder);
        EXPECT_FALSE(reader.isOpen()) << folder;
        EXPECT_FALSE(reader.next()) << folder;
    }
}

TEST(DirectoryReader, unreadableFolderDoesNotOpen) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    TempFolder temp;
    temp.folder("locked");
    fs::permissions(temp.path + "/locked", fs::perms::none);
    DirectoryReader reader(ansi(temp.path + "/locked"));
    EXPECT_FALSE(reader.isOpen());
    fs::permissions(temp.path + "/locked", fs::perms::owner_all);
}

struct WildcardRow {
    const char* rowName;
    std::string pattern; // UTF-8, turned into AnsiText
    std::string name;    // UTF-8, turned into AnsiText
    bool matches;
};

void PrintTo(const WildcardRow& row, std::ostream* os) {
    *os << row.rowName;
}

class WildcardPatternTest : public testing::TestWithParam<WildcardRow> {};

TEST_P(WildcardPatternTest, matchesByTheListingRules) {
    const WildcardRow& row = GetParam();
    EXPECT_EQ(WildcardPattern(ansi(row.pattern)).matches(ansi(row.name)), row.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WildcardPatternTest,
    testing::Values(WildcardRow{"starDotStarTakesNameWithoutDot", "*.*", "README", true},
                    WildcardRow{"starDotStarTakesHiddenName", "*.*", ".profile", true},
                    WildcardRow{"starTakesAnything", "*", "a.b.c", true},
                    WildcardRow{"extensionIgnoresCase", "*.txt", "A.TXT", true},
                    WildcardRow{"extensionMustEndTheName", "*.txt", "notes.txt.bak", false},
                    WildcardRow{"laterStarRetriesAfterFalseStart", "*.txt", "a.txt.txt", true},
                    WildcardRow{"questionIsOneCharacter", "*.t?t", "c.tat", true},
                    WildcardRow{"questionIsNotZeroCharacters", "*.t?t", "a.tt", false},
                    WildcardRow{"questionIsOneChineseCharacter", "?.txt", "中.txt", true},
                    WildcardRow{"starDotTakesNameWithoutExtension", "*.", "README", true},
                    WildcardRow{"starDotLeavesNameWithExtension", "*.", "a.txt", false},
                    WildcardRow{"nameDotStarTakesTheBareName", "Readme.*", "readme", true},
                    WildcardRow{"nameDotStarLeavesLongerName", "readme.*", "readmes", false},
                    WildcardRow{"questionBeforeDotMayMatchNothing", "a?.txt", "a.txt", true},
                    WildcardRow{"questionAtEndMayMatchNothing", "a??", "a", true},
                    WildcardRow{"questionMatchesNoDot", "a?b", "a.b", false},
                    WildcardRow{"starDotStarTakesManyDots", "*.*", "a.b.c", true},
                    WildcardRow{"prefixAnchoredAtStart", "a*", "data", false},
                    WildcardRow{"manyStars", "*a*b*c*", "xxaybzzc", true},
                    WildcardRow{"manyStarsNoMatch", "*a*b*c*d", "xxaybzzc", false},
                    WildcardRow{"caseFoldedBeyondAscii", "É*", "écrit.txt", true},
                    WildcardRow{"bracketIsLiteral", "[ab].txt", "[ab].txt", true},
                    WildcardRow{"bracketIsNoClass", "[ab].txt", "a.txt", false},
                    WildcardRow{"pipeListsNothing", "*.txt|*.htm", "a.txt", false},
                    WildcardRow{"colonListsNothing", "*:*", "a:b", false},
                    WildcardRow{"separatorListsNothing", "sub/*", "sub/a", false},
                    WildcardRow{"backslashListsNothing", "*\\*", "a\\b", false},
                    WildcardRow{"trailBytePipeIsPartOfCharacter", "億*", "億元.txt", true},
                    WildcardRow{"trailByteBackslashIsPartOfCharacter", "乗.txt", "乗.txt", true},
                    WildcardRow{"trailByteBracketsArePartOfCharacters", "乕乚", "乕乚", true},
                    WildcardRow{"fourByteCharacter", "?.txt", "\U00020000.txt", true}),
    [](const testing::TestParamInfo<WildcardRow>& row) { return row.param.rowName; });

TEST(WildcardPattern, patternThatIsNoGb18030IsInvalid) {
    const WildcardPattern pattern("\x81");
    EXPECT_FALSE(pattern.valid());
    EXPECT_FALSE(pattern.matches("\x81"));
    EXPECT_TRUE(WildcardPattern("*").valid());
}
