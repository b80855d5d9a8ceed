#include "platform/iconv_cache.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using platform::IconvLease;

namespace {

// Converts `input` through the lease, leaving any shift state pending unless `flush`.
std::string convert(const IconvLease& lease, std::string input, bool flush) {
    char buffer[256];
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(lease.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        return "<failed>";
    if (flush)
        iconv(lease.get(), nullptr, nullptr, &out, &outLeft);
    return std::string(buffer, out);
}

const std::string japaneseSun = "\xE6\x97\xA5"; // U+65E5 in UTF-8
const std::string sunInJis = "\x1B$BF|";        // switched to JIS X 0208, then the character

TEST(IconvLease, lentDescriptorsStartCleanAndNeverServeTwoHolders) {
    {
        const IconvLease first("ISO-2022-JP", "UTF-8");
        ASSERT_TRUE(first.valid());
        // Returned to the cache still switched to JIS X 0208.
        EXPECT_EQ(convert(first, japaneseSun, false), sunInJis);
    }
    const IconvLease again("ISO-2022-JP", "UTF-8");
    EXPECT_EQ(convert(again, "a", true), "a");

    const IconvLease nested("ISO-2022-JP", "UTF-8");
    ASSERT_TRUE(nested.valid());
    EXPECT_NE(nested.get(), again.get());
    EXPECT_EQ(convert(again, japaneseSun, false), sunInJis);
    EXPECT_EQ(convert(nested, "a", true), "a");

    const IconvLease unknown("NO-SUCH-CHARSET", "UTF-8");
    EXPECT_FALSE(unknown.valid());
}

TEST(IconvLease, threadsConvertAtTheSameTimeWithoutSharingState) {
    constexpr int threads = 4;
    constexpr int rounds = 2000;
    std::vector<int> wrong(threads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &wrong] {
            for (int round = 0; round < rounds; ++round) {
                const IconvLease lease("ISO-2022-JP", "UTF-8");
                const std::string text = (t + round) % 2 ? japaneseSun + "a" : "a" + japaneseSun;
                const std::string expected =
                    (t + round) % 2 ? sunInJis + "\x1B(Ba" : "a" + sunInJis + "\x1B(B";
                if (convert(lease, text, true) != expected)
                    ++wrong[t];
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

} // namespace
