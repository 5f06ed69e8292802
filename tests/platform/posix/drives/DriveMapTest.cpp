#include "platform/posix/drives/DriveMap.h"

#include "support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace dustrel::test {
namespace {

using posix::DriveMap;

std::string canonical(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    EXPECT_TRUE(resolved) << path;
    return resolved ? resolved.get() : "";
}

void link(const std::string& target, const std::string& at)
{
    ASSERT_EQ(symlink(target.c_str(), at.c_str()), 0) << at;
}

// "C /data/" per drive, one per line, for failures that show the whole map.
std::string describe(const DriveMap& map)
{
    std::string text;
    for (const auto& drive : map.drives())
        text += std::string(1, drive.letter) + " " + drive.root + "\n";
    return text;
}

// A folder of drive links as a user would keep it, with every kind of entry that must be passed over.
class DriveLinks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        temp.makeFolder("data");
        temp.makeFolder("data two");
        temp.makeFolder("sub/nested");
        temp.writeFile("file.txt", "x");
        drives = temp.makeFolder("config/dustrel/drives");
        link(temp / "data", drives + "/d:");
        link("../../../data two", drives + "/C:"); // relative to the drives folder
        link(temp / "missing", drives + "/e:");
        link(temp / "file.txt", drives + "/f:");
        temp.makeFolder("config/dustrel/drives/g:");
        temp.writeFile("config/dustrel/drives/h:", "");
        for (const char* name : {"x", "1:", "ab:", "i", ":"})
            link(temp / "data", drives + "/" + name);
        link(temp / "data", drives + "/k:");
        link(temp / "sub/nested", drives + "/K:"); // upper case wins over lower case
        link("d:", drives + "/z:");                // a link to a link
        link("/", drives + "/r:");
    }

    TempFolder temp;
    std::string drives;
};

TEST_F(DriveLinks, OnlyLinksToFoldersNamedByALetterAreDrivesOnTheFileSystemHoldingTheTarget)
{
    // As the kernel writes a mount point, with its blank escaped.
    std::string dataTwo = canonical(temp / "data two");
    dataTwo.replace(dataTwo.find(' '), 1, "\\040");
    const DriveMap map("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                       "2 1 0:50 / " +
                           dataTwo + " rw - nfs4 server:/x rw\n",
                       drives);
    EXPECT_TRUE(map.fromLinks());
    EXPECT_EQ(describe(map), "C " + canonical(temp / "data two") + "/\nD " + canonical(temp / "data") +
                                 "/\nK " + canonical(temp / "sub/nested") + "/\nR /\nZ " +
                                 canonical(temp / "data") + "/\n");
    EXPECT_EQ(map.find('c')->fsType, "nfs4");
    EXPECT_EQ(map.find('K')->fsType, "ext4");
    EXPECT_EQ(map.find('K')->minor, 1u);
}

TEST_F(DriveLinks, TheFactoryFindsTheFolderUnderTheConfigHome)
{
    ScopedEnv config("XDG_CONFIG_HOME", (temp / "config").c_str());
    EXPECT_TRUE(DriveMap::fromSystem().fromLinks());
    EXPECT_EQ(DriveMap::fromSystem().drives().size(), 5u);
}

TEST(DriveMap, AnEmptyDrivesFolderMeansNoDrivesAndWithoutOneTheRootIsC)
{
    TempFolder temp;
    const std::string mounts = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    EXPECT_TRUE(DriveMap(mounts, temp.makeFolder("drives")).drives().empty());
    // A file where the folder should be is not a map of links.
    EXPECT_EQ(describe(DriveMap(mounts, temp.writeFile("file", ""))), "C /\n");
    const DriveMap noMountList("", "");
    EXPECT_EQ(describe(noMountList), "C /\n");
    EXPECT_EQ(noMountList.find('C')->fsType, "");
}

TEST(DriveMap, LettersStopAtZ)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += std::to_string(i + 10) + " 1 0:" + std::to_string(i + 100) + " / /m" +
                std::to_string(i + 10) + " rw - tmpfs tmpfs rw\n";
    const DriveMap map(text, "");
    ASSERT_EQ(map.drives().size(), 24u);
    EXPECT_EQ(map.drives().back().letter, 'Z');
    EXPECT_EQ(map.drives().back().root, "/m32/");
}

TEST(DriveMap, TheLetterHoldingAPathIsTheDeepestRoot)
{
    const DriveMap map("1 0 8:1 / / rw - ext4 a rw\n"
                       "2 1 8:2 / /home rw - ext4 b rw\n"
                       "3 2 8:3 / /home/games rw - ext4 c rw\n",
                       "");
    const struct
    {
        const char* path;
        char letter;
    } cases[] = {{"/", 'C'},           {"/etc/x", 'C'},        {"/home", 'D'}, {"/home/gamesx", 'D'},
                 {"/home/games", 'E'}, {"/home/games/a", 'E'}, {"x", 0},       {"", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(map.letterHolding(c.path), c.letter) << c.path;
}

} // namespace
} // namespace dustrel::test
