#include "batch/folder_scan.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace batch;
using platform::ansi;
using platform::AnsiText;
namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder() {
        std::string templ = (fs::temp_directory_path() / "scan-XXXXXX").string();
        path = mkdtemp(templ.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    void file(const std::string& name) const { std::ofstream(path + "/" + name) << "x"; }
    void folder(const std::string& name) const { fs::create_directory(path + "/" + name); }
    std::string path;
};

// The expected full paths, in the order the system lists the folder's entries.
std::vector<AnsiText> inSystemOrder(const std::string& folder, const std::set<std::string>& names) {
    std::vector<AnsiText> paths;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = readdir(dir)) {
        if (names.count(entry->d_name))
            paths.push_back(ansi(folder + "/" + entry->d_name));
    }
    closedir(dir);
    return paths;
}

// Files, sub-folders (one of them the result folder of an earlier run, holding a .txt), links,
// a pipe, hidden and Chinese names, and names with double-byte characters whose second byte is
// "|", "\" or a bracket.
class SampleFolder {
public:
    SampleFolder() {
        for (const auto& name : files)
            temp.file(name);
        temp.folder("转换结果");
        temp.file("转换结果/inner.txt");
        temp.folder("sub.txt");
        fs::create_symlink("b.txt", temp.path + "/link.txt");
        fs::create_symlink("转换结果", temp.path + "/dirlink.txt");
        fs::create_symlink("missing", temp.path + "/dangling.txt");
        mkfifo((temp.path + "/fifo.txt").c_str(), 0600);
    }
    static inline const std::set<std::string> files = {
        "A.TXT",    "b.txt",       "notes.txt.bak", "data.dat", "readme.txt", "old_readme.txt.bak",
        "中文.txt", ".hidden.txt", "page.HTM",      "c.tat",    "x;y.txt",    "v1.0+[x].txt",
        "億元.txt", "乗.txt",      "乕乚.dat"};
    std::set<std::string> everyFile() const {
        auto all = files;
        all.insert("link.txt");
        return all;
    }
    TempFolder temp;
};

const SampleFolder& sample() {
    static const SampleFolder folder;
    return folder;
}

struct ScanRow {
    const char* rowName;
    std::string filter;          // UTF-8, turned into AnsiText
    std::set<std::string> names; // expected; the empty set with every = true means every file
    bool every = false;
};

void PrintTo(const ScanRow& row, std::ostream* os) {
    *os << row.rowName;
}

std::vector<AnsiText> expectedPaths(const ScanRow& row) {
    return inSystemOrder(sample().temp.path, row.every ? sample().everyFile() : row.names);
}

class FilterScan : public testing::TestWithParam<ScanRow> {};
class PatternScan : public testing::TestWithParam<ScanRow> {};

TEST_P(FilterScan, takesTheFilesTheFilterNames) {
    const auto result = listFolderByFilter(ansi(sample().temp.path), ansi(GetParam().filter));
    EXPECT_EQ(result.files, expectedPaths(GetParam()));
    EXPECT_TRUE(result.unrepresentable.empty());
}

TEST_P(PatternScan, takesTheFilesTheWildcardNames) {
    const auto result = listFolderByPattern(ansi(sample().temp.path), ansi(GetParam().filter));
    EXPECT_EQ(result.files, expectedPaths(GetParam()));
}

const auto rowName = [](const auto& row) { return std::string(row.param.rowName); };

INSTANTIATE_TEST_SUITE_P(
    Rows, FilterScan,
    testing::Values(
        ScanRow{"starDotStar", "*.*", {}, true}, ScanRow{"star", "*", {}, true},
        ScanRow{"emptyFilter", "", {}, true},
        ScanRow{"extensionInAnyCase",
                "*.txt",
                {"A.TXT", "b.txt", "readme.txt", "中文.txt", ".hidden.txt", "x;y.txt",
                 "v1.0+[x].txt", "億元.txt", "乗.txt", "link.txt"}},
        ScanRow{"upperCaseExtension",
                "*.TXT",
                {"A.TXT", "b.txt", "readme.txt", "中文.txt", ".hidden.txt", "x;y.txt",
                 "v1.0+[x].txt", "億元.txt", "乗.txt", "link.txt"}},
        ScanRow{"questionInExtensionIsLiteral", "*.t?t", {}},
        ScanRow{"prefixIsSearchedAnywhere",
                "a*",
                {"A.TXT", "notes.txt.bak", "data.dat", "readme.txt", "old_readme.txt.bak",
                 "page.HTM", "c.tat", "乕乚.dat"}},
        ScanRow{"plainNameIsSearchedAnywhere", "readme.txt", {"readme.txt", "old_readme.txt.bak"}},
        ScanRow{"pipeSeparatesAlternatives",
                "*.txt|*.htm",
                {"A.TXT", "b.txt", "notes.txt.bak", "readme.txt", "old_readme.txt.bak", "中文.txt",
                 ".hidden.txt", "page.HTM", "x;y.txt", "v1.0+[x].txt", "億元.txt", "乗.txt",
                 "link.txt"}},
        ScanRow{"semicolonIsLiteral", "*.txt;*.htm", {}},
        ScanRow{"semicolonInName", "x;y*", {"x;y.txt"}},
        ScanRow{"questionAloneTakesEverything", "?", {}, true},
        ScanRow{"chinesePrefix", "中文*", {"中文.txt"}},
        ScanRow{"regexCharactersAreLiteral", "v1.0+[x]*", {"v1.0+[x].txt"}},
        ScanRow{"unbalancedBracketIsLiteral", "[", {"v1.0+[x].txt"}},
        ScanRow{"parenthesisIsLiteral", "(*", {}},
        ScanRow{"secondBytePipeStaysInCharacter", "億元*", {"億元.txt"}},
        ScanRow{"secondByteBackslashStaysInCharacter", "乗.txt", {"乗.txt"}},
        ScanRow{"secondByteBracketsStayInCharacters", "乕乚*", {"乕乚.dat"}}),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    Rows, PatternScan,
    testing::Values(ScanRow{"starDotStar", "*.*", {}, true}, ScanRow{"star", "*", {}, true},
                    ScanRow{"emptyFilter", "", {}, true},
                    ScanRow{"extensionInAnyCase",
                            "*.txt",
                            {"A.TXT", "b.txt", "readme.txt", "中文.txt", ".hidden.txt", "x;y.txt",
                             "v1.0+[x].txt", "億元.txt", "乗.txt", "link.txt"}},
                    ScanRow{"questionIsOneCharacter",
                            "*.t?t",
                            {"A.TXT", "b.txt", "readme.txt", "中文.txt", ".hidden.txt", "x;y.txt",
                             "v1.0+[x].txt", "億元.txt", "乗.txt", "link.txt", "c.tat"}},
                    ScanRow{"prefixAtStart", "a*", {"A.TXT"}},
                    ScanRow{"plainNameIsWholeName", "readme.txt", {"readme.txt"}},
                    ScanRow{"pipeListsNothing", "*.txt|*.htm", {}},
                    ScanRow{"separatorListsNothing", "转换结果/*", {}},
                    ScanRow{"questionAloneIsOneCharacter", "?", {}},
                    ScanRow{"bracketIsLiteral", "*[x]*", {"v1.0+[x].txt"}},
                    ScanRow{"secondBytePipeStaysInCharacter", "億元*", {"億元.txt"}},
                    ScanRow{"secondByteBackslashStaysInCharacter", "乗.txt", {"乗.txt"}}),
    rowName);

} // namespace

TEST(FolderScanMode, fixedFromTheFilter) {
    struct Row {
        const char* filter;
        FolderScanMode mode;
    };
    for (const Row& row :
         {Row{"", FolderScanMode::AllFiles}, Row{"*", FolderScanMode::AllFiles},
          Row{"*.*", FolderScanMode::AllFiles}, Row{"*.txt", FolderScanMode::Extension},
          Row{"*.t?t", FolderScanMode::Extension}, Row{"*.", FolderScanMode::Extension},
          Row{"*.txt*", FolderScanMode::Wildcard}, Row{"*.*.*", FolderScanMode::Wildcard},
          Row{"**", FolderScanMode::Wildcard}, Row{"*txt", FolderScanMode::Wildcard},
          Row{" *.txt", FolderScanMode::Wildcard}})
        EXPECT_EQ(folderScanMode(row.filter), row.mode) << row.filter;
}

TEST(WildcardToRegex, escapesEveryRegexCharacterOnce) {
    EXPECT_EQ(wildcardToRegex("\\^$+.{}[]=()\""), "\\\\\\^\\$\\+\\.\\{\\}\\[\\]\\=\\(\\)\\\"");
    EXPECT_EQ(wildcardToRegex("*.txt|*.htm"), ".*\\.txt|.*\\.htm");
    EXPECT_EQ(wildcardToRegex("a?b*"), "a.?b.*");
    EXPECT_EQ(wildcardToRegex("|;, #~-_!@%&'`/"), "|;, #~-_!@%&'`/");
    EXPECT_EQ(wildcardToRegex(""), "");
}

TEST(WildcardToRegex, doubleByteCharactersStayWhole) {
    // Exact bytes are the point here: 乗 is 81 5C, 億 83 7C, 乕 81 5B, 乚 81 5D, 乛 81 5E,
    // 亄 81 7B; a byte-wise escape would put a backslash inside each of them.
    EXPECT_EQ(ansi("乗"), "\x81\x5C");
    EXPECT_EQ(wildcardToRegex(ansi("乗.txt")), "\x81\x5C\\.txt");
    EXPECT_EQ(wildcardToRegex(ansi("億乕乚乛亄")), ansi("億乕乚乛亄"));
    EXPECT_EQ(wildcardToRegex(ansi("乗\\")), "\x81\x5C\\\\");
    // A four-byte GB18030 character (U+20000) passes whole too.
    EXPECT_EQ(wildcardToRegex(ansi("\U00020000*")), ansi("\U00020000.*"));
    // A lone lead byte at the end is copied, not read past.
    EXPECT_EQ(wildcardToRegex("a\x81"), "a\x81");
}

TEST(FolderScan, extensionLowersOnlyAsciiCharacters) {
    // 乀 is 81 54 ("T" as second byte), 乼 is 81 74 ("t"): lowering bytes instead of characters
    // would turn the extension .乀 into .乼 and take the wrong file.
    TempFolder temp;
    temp.file("a.乀");
    temp.file("a.乼");
    EXPECT_EQ(listFolderByFilter(ansi(temp.path), ansi("*.乀")).files,
              std::vector<AnsiText>{ansi(temp.path + "/a.乀")});
    EXPECT_EQ(listFolderByPattern(ansi(temp.path), ansi("*.乀")).files,
              std::vector<AnsiText>{ansi(temp.path + "/a.乀")});
}

TEST(FolderScan, folderWithOnlySubFoldersGivesEmptyList) {
    TempFolder temp;
    temp.folder("转换结果");
    temp.folder("other");
    temp.file("转换结果/a.txt");
    EXPECT_TRUE(listFolderByFilter(ansi(temp.path), "*.*").files.empty());
    EXPECT_TRUE(listFolderByPattern(ansi(temp.path), "*.*").files.empty());
}

TEST(FolderScan, trailingSeparatorIsNotDoubled) {
    TempFolder temp;
    temp.file("a.txt");
    const std::vector<AnsiText> expected{ansi(temp.path + "/a.txt")};
    for (const std::string& folder : {temp.path, temp.path + "/"}) {
        EXPECT_EQ(listFolderByFilter(ansi(folder), "*.*").files, expected);
        EXPECT_EQ(listFolderByPattern(ansi(folder), "*.*").files, expected);
    }
}

TEST(FolderScan, badFoldersGiveEmptyLists) {
    TempFolder temp;
    temp.file("plain.txt");
    for (const AnsiText& folder : {ansi(temp.path + "/missing"), ansi(temp.path + "/plain.txt"),
                                   AnsiText(""), AnsiText("/tmp/\x81")}) {
        for (const char* filter : {"*.*", "*.txt", "a*"}) {
            EXPECT_TRUE(listFolderByFilter(folder, filter).files.empty()) << folder << filter;
            EXPECT_TRUE(listFolderByPattern(folder, filter).files.empty()) << folder << filter;
        }
    }
}

TEST(FolderScan, unrepresentableNameIsReportedNotListed) {
    TempFolder temp;
    temp.file("bad\xFF.txt");
    temp.file("good.txt");
    const std::vector<AnsiText> good{ansi(temp.path + "/good.txt")};
    const std::vector<AnsiText> bad{ansi(temp.path + "/bad\uFFFD.txt")};
    for (const char* filter : {"*.txt", "bad*", "*.*"}) {
        const auto byFilter = listFolderByFilter(ansi(temp.path), filter);
        const auto byPattern = listFolderByPattern(ansi(temp.path), filter);
        const bool takesGood = std::string(filter) != "bad*";
        EXPECT_EQ(byFilter.files, takesGood ? good : std::vector<AnsiText>{}) << filter;
        EXPECT_EQ(byFilter.unrepresentable, bad) << filter;
        EXPECT_EQ(byPattern.unrepresentable, bad) << filter;
    }
    EXPECT_TRUE(listFolderByFilter(ansi(temp.path), "*.dat").unrepresentable.empty());
}

TEST(FolderScan, hostGetsControlOncePerEntry) {
    TempFolder temp;
    temp.file("a.txt");
    temp.file("b.dat");
    temp.folder("sub");
    int pumps = 0;
    const PumpEvents countPumps = [&] {
        ++pumps;
        return true;
    };
    (void)listFolderByFilter(ansi(temp.path), "*.txt", countPumps);
    EXPECT_EQ(pumps, 3);
    pumps = 0;
    (void)listFolderByPattern(ansi(temp.path), "*.txt", countPumps);
    EXPECT_EQ(pumps, 3);
}

TEST(FolderScan, hostGoingAwayEndsTheScan) {
    TempFolder temp;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        temp.file(name);
    int pumps = 0;
    const PumpEvents closeAtOnce = [&] {
        ++pumps;
        return false;
    };
    for (const auto& result : {listFolderByFilter(ansi(temp.path), "*.*", closeAtOnce),
                               listFolderByPattern(ansi(temp.path), "*.*", closeAtOnce)}) {
        EXPECT_TRUE(result.cutShort);
        EXPECT_EQ(result.files.size(), 1u);
    }
    EXPECT_EQ(pumps, 2);
}

// Scanning a result folder that a killed run left a hidden temporary file in: neither scan takes
// the leftover (short or long-name form, unrepresentable or not); a look-alike that no write of
// ours makes is still a source.
TEST(FolderScan, killedRunLeftoversAreNoSources) {
    TempFolder temp;
    for (const char* name : {"a.txt", ".a.txt.qfx-tmp-Ab12Z9", "..qfx-tmp-0aZ9x1",
                             ".bad\xFF.txt.qfx-tmp-q1w2e3", ".a.txt.qfx-tmp-user's"})
        temp.file(name);
    const auto expected = inSystemOrder(temp.path, {"a.txt", ".a.txt.qfx-tmp-user's"});
    for (const char* filter : {"*.*", "*", ""}) {
        const auto byFilter = listFolderByFilter(ansi(temp.path), filter);
        const auto byPattern = listFolderByPattern(ansi(temp.path), filter);
        EXPECT_EQ(byFilter.files, expected) << filter;
        EXPECT_EQ(byPattern.files, expected) << filter;
        EXPECT_TRUE(byFilter.unrepresentable.empty()) << filter;
        EXPECT_TRUE(byPattern.unrepresentable.empty()) << filter;
    }
}

namespace {

// A tree three levels deep. Each row is a folder (relative, "" the root) with the .txt files the
// scan takes there and the sub-folders it enters, in any order; beside them lie what it must
// leave alone: result folders (one nested), a link to a folder outside, a link loop, a file of
// another extension and a sub-folder whose name is no valid UTF-8.
struct TreeFolder {
    std::string folder;
    std::set<std::string> files;
    std::set<std::string> entered;
};
const std::vector<TreeFolder> treeFolders = {
    {"", {"根.txt", "b.txt"}, {"甲", "乙"}},
    {"甲", {"a.txt"}, {"子"}},
    {"甲/子", {"a.txt"}, {"孙"}},
    {"甲/子/孙", {"深.txt"}, {}},
    {"乙", {"a.txt"}, {}},
};

class TreeSample {
public:
    TreeSample() {
        for (const TreeFolder& row : treeFolders) {
            if (!row.folder.empty())
                temp.folder(row.folder);
            for (const std::string& name : row.files)
                temp.file(join(row.folder, name));
        }
        temp.file("note.dat");
        temp.folder("转换结果");
        temp.file("转换结果/old.txt");
        temp.folder("甲/子/转换结果");
        temp.file("甲/子/转换结果/inner.txt");
        outside.file("secret.txt");
        fs::create_symlink(outside.path, temp.path + "/外链");
        fs::create_symlink("..", temp.path + "/乙/回环");
        temp.folder("bad\xFF");
        temp.file("bad\xFF/hidden.txt");
    }
    static std::string join(const std::string& folder, const std::string& name) {
        return folder.empty() ? name : folder + "/" + name;
    }
    // Depth first: a folder's files in the system's order, then each entered sub-folder's tree
    // in the system's order.
    std::vector<AnsiText> expected(const std::string& folder = "") const {
        const auto row = std::find_if(treeFolders.begin(), treeFolders.end(),
                                      [&](const TreeFolder& r) { return r.folder == folder; });
        const std::string native = temp.path + (folder.empty() ? "" : "/" + folder);
        std::vector<AnsiText> paths = inSystemOrder(native, row->files);
        for (const AnsiText& sub : inSystemOrder(native, row->entered)) {
            const std::string name = *platform::utf8FromAnsi(sub.substr(sub.rfind('/') + 1));
            for (AnsiText& path : expected(join(folder, name)))
                paths.push_back(std::move(path));
        }
        return paths;
    }
    TempFolder temp;
    TempFolder outside;
};

} // namespace

TEST(FolderScan, treeScanTakesEveryLevelButNoResultFolderOrLink) {
    TreeSample tree;
    const AnsiText root = ansi(tree.temp.path);
    for (const auto& scan : {listFolderByFilter(root, "*.txt", {}, SubFolders::Include),
                             listFolderByPattern(root + "/", "*.txt", {}, SubFolders::Include)}) {
        EXPECT_EQ(scan.files, tree.expected());
        EXPECT_EQ(scan.unrepresentable, std::vector<AnsiText>{root + ansi("/bad\uFFFD")});
        EXPECT_EQ(scan.treeRoot, root + "/");
        EXPECT_FALSE(scan.cutShort);
    }
    // Without sub-folders the same scan stays in the folder and names no root.
    const auto flat = listFolderByFilter(root, "*.txt");
    EXPECT_EQ(flat.files, inSystemOrder(tree.temp.path, {"根.txt", "b.txt"}));
    EXPECT_TRUE(flat.treeRoot.empty());
}

// A sub-folder swapped for a link to elsewhere after its parent was listed is not entered.
TEST(FolderScan, treeScanDoesNotFollowALinkSwappedInAfterListing) {
    TreeSample tree;
    bool swapped = false;
    const PumpEvents swapOnce = [&] {
        if (!swapped) {
            swapped = true;
            fs::rename(tree.temp.path + "/甲", tree.temp.path + "/甲.old");
            fs::create_symlink(tree.outside.path, tree.temp.path + "/甲");
        }
        return true;
    };
    const auto scan =
        listFolderByFilter(ansi(tree.temp.path), "*.txt", swapOnce, SubFolders::Include);
    for (const AnsiText& path : scan.files)
        EXPECT_EQ(path.find("secret"), AnsiText::npos) << path;
}
