#include "scan/ListedEntries.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace dustrel {
namespace {

TEST(ListedEntries, AnEntryIsItsFileAndItsNameExactly)
{
    ListedEntries listed;
    ASSERT_TRUE(listed.insert(listed.keyOf(1, 42, "a.tmp")));
    const struct
    {
        const char* what;
        std::uint64_t device;
        std::uint64_t inode;
        const char* name;
        bool isNew;
    } cases[] = {
        {"the same entry met again", 1, 42, "a.tmp", false},
        {"a hard link under another name", 1, 42, "b.tmp", true},
        {"the same inode on another device", 2, 42, "a.tmp", true},
        {"an inode that differs only in its high bits", 1, 42 | std::uint64_t{1} << 32, "a.tmp", true},
        {"the name cut short", 1, 42, "a.tm", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(listed.insert(listed.keyOf(c.device, c.inode, c.name)), c.isNew) << c.what;
}

// Every table grows many times over: an entry lost or moved wrongly on the way is listed twice.
TEST(ListedEntries, KeepsEveryEntryThroughGrowth)
{
    constexpr std::uint64_t kCount = 300'000;
    ListedEntries listed;
    const auto entry = [](std::uint64_t i) {
        // Runs of neighbouring inodes as folders give them, and a few far apart.
        return std::tuple{i % 3, i % 7 == 0 ? i << 33 : 1000 + i, "f" + std::to_string(i % 500)};
    };
    for (const std::uint64_t expected : {kCount, std::uint64_t{0}}) {
        std::uint64_t added = 0;
        for (std::uint64_t i = 0; i < kCount; ++i) {
            const auto [device, inode, name] = entry(i);
            added += listed.insert(listed.keyOf(device, inode, name)) ? 1u : 0u;
        }
        EXPECT_EQ(added, expected);
    }
}

} // namespace
} // namespace dustrel
