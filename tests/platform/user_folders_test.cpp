#include "platform/user_folders.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/platform/temp_folder.h"

using namespace platform;
using platform::testing::TempFolder;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* variableName, const char* value) : name(variableName) {
        const char* old = std::getenv(name);
        hadValue = old != nullptr;
        if (old)
            saved = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (hadValue)
            ::setenv(name, saved.c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    bool hadValue = false;
    std::string saved;
};

TEST(UserConfigFolder, followsXdgThenHome) {
    ScopedEnvironment home("HOME", "/home/用户");
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", "/cfg/配置");
        EXPECT_EQ(userConfigFolder(), ansi("/cfg/配置"));
    }
    {
        // A relative value is ignored, as the base-directory rules ask.
        ScopedEnvironment config("XDG_CONFIG_HOME", "relative");
        EXPECT_EQ(userConfigFolder(), ansi("/home/用户/.config"));
    }
    ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(userConfigFolder(), ansi("/home/用户/.config"));
}

TEST(FolderWritable, triesForReal) {
    TempFolder folder;
    EXPECT_TRUE(isFolderWritable(folder.path("")));
    EXPECT_FALSE(isFolderWritable(folder.path("missing")));
    EXPECT_FALSE(isFolderWritable("/proc"));
    EXPECT_FALSE(isFolderWritable(""));
    // The probe leaves nothing behind.
    EXPECT_TRUE(std::filesystem::is_empty(folder.folder()));
}

} // namespace
