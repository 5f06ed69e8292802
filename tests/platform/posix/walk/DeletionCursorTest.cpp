#include "cleanup/DeletionRoute.h"
#include "platform/posix/walk/ListedFileDeleter.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {
namespace {

using test::exists;
using test::TempFolder;
using Strings = std::vector<std::string>;

FileInfo seen(const std::string& path)
{
    return *PosixFileSystem().fileInfo(path);
}

template <typename T> std::string describe(const Result<T>& result)
{
    return result ? "ok" : result.error().describe();
}

TEST(DeletionCursor, RefusesWhatIsNotAnAbsolutePathWithoutLinksOrASingleName)
{
    TempFolder scene;
    scene.makeFolder("real/sub");
    ASSERT_EQ(symlink("real", (scene / "link").c_str()), 0);
    const struct
    {
        std::string path;
        int code;
    } starts[] = {{"relative/folder", EINVAL},        {"", EINVAL},
                  {scene / "real/../real", EINVAL},   {scene / "link", ELOOP},
                  {scene / "link/sub", ELOOP},        {scene / "real/missing", ENOENT},
                  {std::string("/tmp\0x", 6), EINVAL}};
    ListedFileDeleter cursor;
    for (const auto& start : starts) {
        const auto opened = cursor.open(start.path);
        ASSERT_FALSE(opened) << start.path;
        EXPECT_EQ(opened.error().code, start.code) << start.path << ": " << opened.error().describe();
    }

    ASSERT_TRUE(cursor.open(scene / "real/"));
    for (const std::string& name : Strings{"", ".", "..", "sub/", "a/b", std::string("a\0b", 3)}) {
        EXPECT_EQ(cursor.enter(name).error().code, EINVAL) << name;
        EXPECT_EQ(cursor.deleteFile(name, {}, {}).error().code, EINVAL) << name;
    }
    EXPECT_EQ(cursor.depth(), 0u);
    EXPECT_EQ(cursor.leave().error().code, EINVAL) << "never above the start folder";
}

// Files right under the root of the file system, as rows of the folder "/": inside a child that made a
// temporary folder its root, so that nothing real is at stake.
TEST(DeletionCursor, DeletesFilesRightUnderTheRootAndNothingBesideThem)
{
    TempFolder scene;
    for (const char* name : {"x", "y", "-dash", "keep"})
        std::ofstream(scene / name) << name;
    scene.makeFolder("sub");
    std::ofstream(scene / "sub/z") << "z";
    ASSERT_EQ(symlink("sub", (scene / "link").c_str()), 0);
    const FileInfo x = seen(scene / "x"), y = seen(scene / "y"), dash = seen(scene / "-dash");
    const FileInfo z = seen(scene / "sub/z"), keep = seen(scene / "keep");

    const int status = test::runInChild([&] {
        if (chroot(scene.path().c_str()) != 0 || chdir("/") != 0)
            return 77;
        ListedFileDeleter cursor;
        if (!cursor.open("/") || !cursor.deleteFile("x", x, {}) || !cursor.open("//") ||
            !cursor.deleteFile("y", y, {}))
            return 1;
        if (cursor.open("/link").error().code != ELOOP || !cursor.open("/") ||
            cursor.deleteFile("..", keep, {}).error().code != EINVAL)
            return 2;
        // As the deletion goes: the start folder "/" keeps its separator, its subfolders are entered.
        ResultsList list('/');
        const ResultsList::FolderId root = list.addStartFolder("/");
        const ResultsList::FolderId sub = list.addSubfolder(root, "sub");
        DeletionRoute route(list, cursor);
        if (!route.moveTo(root) || !cursor.deleteFile("-dash", dash, {}))
            return 3;
        if (!route.moveTo(sub) || !cursor.deleteFile("z", z, {}))
            return 4;
        return 0;
    });
    if (status == 77)
        GTEST_SKIP() << "cannot change the root here";
    EXPECT_EQ(status, 0);
    for (const char* gone : {"x", "y", "-dash", "sub/z"})
        EXPECT_FALSE(exists(scene / gone)) << gone;
    EXPECT_EQ(test::readWholeFile(scene / "keep"), "keep");
    EXPECT_TRUE(exists(scene / "link"));
}

// Deep below the start only a window of descriptors stays open; climbing back reopens the levels through
// ".." and accepts only the folders that were left.
TEST(DeletionCursor, ClimbsBackThroughClosedLevelsOnlyIntoTheFoldersItLeft)
{
    constexpr std::size_t kDepth = DescriptorChain::kKeptLevels + 20;
    TempFolder scene;
    const UniqueFd bottom = test::makeChain(scene.path(), "d", kDepth);
    ASSERT_TRUE(bottom);
    std::string path = scene.path();
    for (std::size_t level = 1; level <= kDepth; ++level) {
        path += "/d";
        std::ofstream(path + "/f") << level;
    }

    const auto walkDown = [&](ListedFileDeleter& cursor, std::size_t depth) {
        ASSERT_TRUE(cursor.open(scene.path()));
        for (std::size_t level = 1; level <= depth; ++level) {
            ASSERT_TRUE(cursor.enter("d")) << level;
            ASSERT_LE(cursor.openDescriptors(), DescriptorChain::kKeptLevels + 1);
        }
    };
    const auto fileAt = [&](std::size_t level) {
        std::string at = scene.path();
        for (std::size_t i = 0; i < level; ++i)
            at += "/d";
        return at + "/f";
    };

    ListedFileDeleter cursor;
    walkDown(cursor, kDepth);
    EXPECT_EQ(describe(cursor.deleteFile("f", seen(fileAt(kDepth)), {})), "ok");
    while (cursor.depth() > 1)
        ASSERT_TRUE(cursor.leave()) << cursor.depth();
    EXPECT_EQ(describe(cursor.deleteFile("f", seen(fileAt(1)), {})), "ok");
    EXPECT_FALSE(exists(fileAt(kDepth)));
    EXPECT_FALSE(exists(fileAt(1)));

    // Level 2 moves away while the cursor is far below it, its descriptor and its parent's long closed.
    // Climbing back reaches level 2 where it went, the folder that was left; its parent is then no longer
    // where ".." leads, and the cursor stops rather than go on elsewhere.
    walkDown(cursor, kDepth - 1);
    const FileInfo second = seen(fileAt(2));
    ASSERT_EQ(rename((scene.path() + "/d/d").c_str(), (scene / "moved").c_str()), 0);
    ASSERT_EQ(mkdir((scene.path() + "/d/d").c_str(), 0755), 0);
    while (cursor.depth() > 2)
        ASSERT_TRUE(cursor.leave()) << cursor.depth();
    const auto left = cursor.leave();
    ASSERT_FALSE(left);
    EXPECT_EQ(left.error().code, ESTALE) << left.error().describe();
    EXPECT_FALSE(cursor.deleteFile("f", second, {}));
    EXPECT_EQ(cursor.openDescriptors(), 0u);
    EXPECT_TRUE(exists(scene / "moved/f"));
}

} // namespace
} // namespace dustrel::posix
