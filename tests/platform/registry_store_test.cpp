#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include "tests/platform/temp_folder.h"

using namespace platform;
using platform::testing::TempFolder;

namespace {

TEST(RegistryStore, valuesSurviveAnotherInstance) {
    TempFolder folder;
    const AnsiText key = ansi("HKEY_CLASSES_ROOT\\砚舟软件\\青枫匣\\输入编码");
    RegistryStore writer(folder.path("sub/registry"));
    EXPECT_FALSE(writer.readString(key, "a"));
    const char awkwardBytes[] = "tab\there\r\nline 100%\0zero";
    const AnsiText awkward(awkwardBytes, sizeof awkwardBytes - 1);
    ASSERT_TRUE(writer.writeString(key, "a", awkward));
    ASSERT_TRUE(writer.writeString(key, ansi("自动"), ansi("真")));
    ASSERT_TRUE(writer.writeString(key, "a", "replaced"));
    ASSERT_TRUE(writer.writeString(key, "b", awkward));

    RegistryStore reader(folder.path("sub/registry"));
    EXPECT_EQ(reader.readString(key, "a"), "replaced");
    EXPECT_EQ(reader.readString(key, "b"), awkward);
    EXPECT_EQ(reader.readString(key, ansi("自动")), ansi("真"));
    EXPECT_FALSE(reader.readString(key + "\\more", "a"));
}

TEST(RegistryStore, namesIgnoreAsciiCaseButNotCharacters) {
    TempFolder folder;
    RegistryStore registry(folder.path("registry"));
    ASSERT_TRUE(registry.writeString("HKEY_CLASSES_ROOT\\Key", "Name", "1"));
    EXPECT_EQ(registry.readString("hkey_classes_root\\KEY", "nAME"), "1");
    // Two characters whose trail bytes differ only as 'A' and 'a' are different names.
    ASSERT_TRUE(registry.writeString("K", "\xB0\x41", "upper"));
    EXPECT_FALSE(registry.readString("K", "\xB0\x61"));
    EXPECT_EQ(registry.readString("k", "\xB0\x41"), "upper");
}

TEST(RegistryStore, noBackingFileMeansNothingStored) {
    RegistryStore registry("");
    EXPECT_FALSE(registry.writeString("K", "n", "v"));
    EXPECT_FALSE(registry.readString("K", "n"));
}

} // namespace
