#include "platform/posix/drives/MountTable.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace dustrel::test {
namespace {

using posix::MountEntry;
using posix::MountTable;

TEST(MountTable, UndoesOctalEscapesOnly)
{
    const struct
    {
        std::string escaped;
        std::string plain;
    } cases[] = {
        {R"(/a\040b)", "/a b"},       {R"(/a\011b)", "/a\tb"},      {R"(/a\012b)", "/a\nb"},
        {R"(/a\134b)", R"(/a\b)"},    {R"(/a\\040)", R"(/a\ )"},    {R"(/a\04)", R"(/a\04)"},
        {R"(/a\000b)", R"(/a\000b)"}, {R"(/a\9999)", R"(/a\9999)"}, {R"(/a\)", R"(/a\)"},
        {R"(\040\040)", "  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(posix::unescapeMountField(c.escaped), c.plain) << c.escaped;
}

TEST(MountTable, SkipsLinesWithoutTheShapeOfAMount)
{
    const char* const bad[] = {
        "",
        "garbage",
        "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 ext3 /dev/root rw", // no separator
        "36 35 98:0 /mnt1 /mnt2 rw,noatime -",                          // nothing after it
        "36 35 98-0 / /mnt rw - ext4 /dev/sda rw",                      // device without colon
        "36 35 x:0 / /mnt rw - ext4 /dev/sda rw",
        "x 35 8:0 / /mnt rw - ext4 /dev/sda rw",
        "36 35 8:0 / mnt rw - ext4 /dev/sda rw", // relative mount point
        "36 35 8:0 / /mnt - ext4 /dev/sda rw",   // the options field is missing
    };
    for (const char* line : bad)
        EXPECT_TRUE(MountTable::parse(line).entries().empty()) << line;
}

TEST(MountTable, ReadsOddButValidLines)
{
    const MountTable table =
        MountTable::parse("36  35\t98:0 /mnt1 /mnt\\0402 rw shared:1 master:2 - ext3 /dev/root\r\n"
                          "37 35 8:17 / /b rw - vfat\n"
                          "\n"
                          "38 35 0:5 / /c rw propagate_from:3 - tmpfs tmpfs rw");
    ASSERT_EQ(table.entries().size(), 3u);
    const MountEntry& first = table.entries()[0];
    EXPECT_EQ(first.major, 98u);
    EXPECT_EQ(first.mountPoint, "/mnt 2");
    EXPECT_EQ(first.fsType, "ext3");
    EXPECT_EQ(table.entries()[1].minor, 17u);
    EXPECT_EQ(table.entries()[2].fsType, "tmpfs");
}

TEST(MountTable, HolderIsTheLongestMountPointByFolder)
{
    const MountTable table = MountTable::parse("1 0 8:1 / / rw - ext4 a rw\n"
                                               "2 1 8:2 / /home rw - ext4 b rw\n"
                                               "3 2 8:3 / /home/games rw - ext4 c rw\n"
                                               "4 2 0:9 / /home/games rw - nfs d rw\n");
    const struct
    {
        const char* path;
        const char* source;
    } cases[] = {
        {"/", "a"},         {"/etc", "a"},          {"/home", "b"},        {"/homework", "a"},
        {"/home/x/y", "b"}, {"/home/games/z", "d"}, {"/home/gamesx", "b"},
    };
    for (const auto& c : cases) {
        const MountEntry* holder = table.holder(c.path);
        ASSERT_NE(holder, nullptr) << c.path;
        EXPECT_EQ(holder->source, c.source) << c.path;
    }
    EXPECT_EQ(table.holder("relative"), nullptr);
    EXPECT_EQ(MountTable().holder("/"), nullptr);
}

} // namespace
} // namespace dustrel::test
