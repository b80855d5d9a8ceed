// Runs that replace or write files, as a user repeats them: no byte of any original is lost, and
// a result changes only what was asked.
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/batch_command.h"
#include "engine/charset_conversion.h"
#include "tests/platform/temp_folder.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using platform::testing::readBytes;
using platform::testing::TempFolder;
using platform::testing::writeBytes;

namespace {

const std::string prose = "这个问题需要进一步研究和讨论，他们决定明年夏天去海边旅行。\r\n";
const std::string traditionalProse = "這個問題需要進一步研究和討論，他們決定明年夏天去海邊旅行。"
                                     "我們今天開會討論電話號碼表與請假單的問題。\n";
// A whole small PNG: its header holds 0x1A before any zero, where the ANSI reading once ended.
const std::string png =
    "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x06\0\0\0\x1F\x15\xC4\x89\0\0\0\rIDATx\x9C"
    "c\xF8\xCF\xC0\xF0\x1F\0\x05\0\x01\xFF\x89\x99=\x1D\0\0\0\0IEND\xAE\x42\x60\x82"s;

std::string recoded(const std::string& utf8, const char* to) {
    return engine::convertCharset(utf8, "UTF-8", to);
}

int run(std::vector<std::string> arguments, std::string* lines = nullptr) {
    std::ostringstream out, err;
    const int status = batch::runBatchCommand(arguments, out, err, false);
    if (lines)
        *lines = out.str();
    return status;
}

std::size_t digest(const std::string& bytes) {
    return std::hash<std::string>{}(bytes);
}

// Every regular file below the root with its bytes.
std::map<std::string, std::string> filesBelow(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = readBytes(entry.path());
    return files;
}

fs::perms permissionsOf(const fs::path& file) {
    return fs::status(file).permissions() & fs::perms::mask;
}

// A folder of every kind a user keeps beside text, replaced in place twice with backups and then
// converted into an output folder inside it twice: every original is still there, byte for byte,
// the files that are no text (or not surely read right) are untouched, the backups of an earlier
// run stay what they were, and no run takes its own results.
TEST(NothingLost, mixedFolderRepeatedInPlaceAndIntoAnOutputFolder) {
    TempFolder folder;
    const fs::path root = folder.folder();
    const std::map<std::string, std::string> originals = {
        {"gbk.txt", recoded(prose, "GBK")},
        {"utf8.txt", prose},
        {"utf8-mark.txt", "\xEF\xBB\xBF" + prose},
        {"utf16le.txt", "\xFF\xFE" + recoded(prose, "UTF-16LE")},
        {"utf16be.txt", "\xFE\xFF" + recoded(prose, "UTF-16BE")},
        {"big5.txt", recoded(traditionalProse, "BIG5")},
        {"eof-mark.txt", "\xD6\xD0\xCE\xC4 line1\n\x1A tail line2\n"},
        {"zero-padded.txt", "text\n\0\0\0"s},
        {"picture.png", png},
        {"paper.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< >>\nendobj\n"},
        {"bundle.docx", "PK\x03\x04\x14\0\x06\0\x08\0\0\0!\0"s},
        {"program", "\x7F"
                    "ELF\x02\x01\x01\0\0\0\0\0"s},
        {"all-zero.dat", std::string(64, '\0')},
        {"empty.txt", ""},
        {"notes.txt~", recoded("上一次运行留下的备份\n", "GBK")},
        {"notes.txt.~1~", recoded("更早的备份\n", "GBK")},
        {"private.txt", recoded("只给自己看的文字\n", "GBK")},
    };
    for (const auto& [name, bytes] : originals)
        writeBytes(root / name, bytes);
    fs::permissions(root / "private.txt", fs::perms::owner_read | fs::perms::owner_write);

    const std::string folderArgument = root.string();
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_EQ(run({"-q", "-t", "utf8", "--in-place", "--backup", "--folder", folderArgument}),
                  1)
            << "in place, pass " << pass;
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_EQ(run({"-q", "-t", "utf16le", "-r", "--folder", folderArgument, "-O",
                       (root / "out").string()}),
                  1)
            << "output folder, pass " << pass;

    const std::map<std::string, std::string> after = filesBelow(root);
    std::multiset<std::size_t> digests;
    for (const auto& [name, bytes] : after)
        digests.insert(digest(bytes));
    for (const auto& [name, bytes] : originals)
        EXPECT_TRUE(digests.contains(digest(bytes))) << "lost: " << name;

    // Never replaced: not text, cut, or most likely misread; and the earlier backups.
    for (const char* name :
         {"picture.png", "paper.pdf", "bundle.docx", "program", "all-zero.dat", "eof-mark.txt",
          "zero-padded.txt", "big5.txt", "notes.txt~", "notes.txt.~1~"})
        EXPECT_EQ(after.at(name), originals.at(name)) << name;
    // Replaced twice: the first backup holds the original, the second the first result.
    EXPECT_EQ(after.at("gbk.txt~"), originals.at("gbk.txt"));
    EXPECT_EQ(after.at("gbk.txt.~1~"), after.at("gbk.txt"));
    EXPECT_EQ(after.at("gbk.txt"), prose); // no mark: the original had none
    EXPECT_EQ(after.at("utf8-mark.txt"), originals.at("utf8-mark.txt"));
    // A backup is no source: nothing made of one, and no backup of a backup.
    for (const auto& [name, bytes] : after) {
        EXPECT_EQ(name.find("~~"), std::string::npos) << name;
        EXPECT_EQ(name.find("~.~"), std::string::npos) << name;
        EXPECT_FALSE(name.starts_with("out/out")) << name;
        EXPECT_FALSE(name.starts_with("out/") && name.ends_with("~")) << name;
    }
    EXPECT_FALSE(after.contains("out/picture.png"));
    EXPECT_TRUE(after.contains("out/gbk.txt"));
    // Private text stays private, replaced and converted alike.
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    EXPECT_EQ(permissionsOf(root / "private.txt"), ownerOnly);
    EXPECT_EQ(permissionsOf(root / "out" / "private.txt"), ownerOnly);
}

struct SingleRow {
    const char* name;
    std::string source;
    std::vector<std::string> options;
    int status;
    std::string after;     // the source afterwards
    std::string lineHolds; // in its line on standard output
};

class NothingLostFile : public testing::TestWithParam<SingleRow> {};

TEST_P(NothingLostFile, changesOnlyWhatWasAsked) {
    const SingleRow& row = GetParam();
    TempFolder folder;
    const fs::path file = folder.native("a.txt");
    writeBytes(file, row.source);
    std::vector<std::string> arguments = row.options;
    arguments.push_back(file.string());
    std::string lines;
    EXPECT_EQ(run(arguments, &lines), row.status) << lines;
    EXPECT_EQ(readBytes(file), row.after);
    EXPECT_NE(lines.find(row.lineHolds), std::string::npos) << lines;
}

const std::string eofMarked = "\xD6\xD0\xCE\xC4 line1\n\x1A tail line2\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, NothingLostFile,
    testing::Values(
        SingleRow{"endMarkInPlace",
                  eofMarked,
                  {"--in-place", "-t", "utf8"},
                  1,
                  eofMarked,
                  "0x1A end mark at offset 11"},
        SingleRow{"endMarkChecked",
                  eofMarked,
                  {"--check", "-t", "utf8"},
                  1,
                  eofMarked,
                  "0x1A end mark at offset 11"},
        SingleRow{
            "pictureInPlace", png, {"--in-place", "-t", "utf8"}, 1, png, "not a text file: PNG"},
        SingleRow{"pictureChecked", png, {"--check"}, 1, png, "not a text file: PNG"},
        // Line ends asked for, and only they change: no mark on a file that had none.
        SingleRow{"lineEndsOnlyInPlace",
                  "#!/bin/sh\r\necho hi\r\n",
                  {"--in-place", "--eol", "lf"},
                  0,
                  "#!/bin/sh\necho hi\n",
                  "ok"},
        SingleRow{"markKeptInPlace",
                  "\xEF\xBB\xBFx\r\n",
                  {"--in-place", "--eol", "lf"},
                  0,
                  "\xEF\xBB\xBFx\n",
                  "ok"},
        SingleRow{"markAskedInPlace",
                  "x\r\n",
                  {"--in-place", "--bom", "-t", "utf8"},
                  0,
                  "\xEF\xBB\xBFx\r\n",
                  "ok"},
        SingleRow{
            "markRefusedInPlace", "\xEF\xBB\xBFx\n", {"--in-place", "--no-bom"}, 0, "x\n", "ok"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
