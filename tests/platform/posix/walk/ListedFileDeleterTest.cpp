#include "platform/posix/walk/ListedFileDeleter.h"

#include "platform/posix/walk/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dustrel::posix {
namespace {

using test::exists;
using test::TempFolder;

void writeAt(const std::string& path, const std::string& content, std::ios::openmode mode = std::ios::trunc)
{
    std::ofstream(path, std::ios::binary | mode) << content;
}

// Every file of these tests carries this modification time, so that a change can alter one fact alone.
void setListedTime(const std::string& path, long nanoseconds = 999'999'998)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {1'500'000'000, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class DeleteListedFileTest : public testing::Test
{
protected:
    FileInfo listed(const std::string& path) { return *fileSystem.fileInfo(path); }
    int deletion(const std::string& path, const FileInfo& info, const OpenFiles& inUse = {})
    {
        // A cursor on the file's folder, as a deletion run holds one.
        const std::size_t slash = path.rfind('/');
        ListedFileDeleter deleter;
        const Result<void> opened = deleter.open(path.substr(0, slash));
        const Result<Removal> result =
            opened ? deleter.deleteFile(std::string_view(path).substr(slash + 1), info, inUse)
                   : opened.error();
        lastMessage = result ? "deleted" : result.error().describe();
        return !result ? result.error().code : *result == Removal::AlreadyGone ? kAlreadyGone : 0;
    }
    static constexpr int kAlreadyGone = -1; // nothing was left to delete

    std::string lastMessage; // for the failure messages of the tests

    TempFolder tree;
    PosixFileSystem fileSystem;
};

TEST_F(DeleteListedFileTest, DeletesOnlyTheFileTheSearchSaw)
{
    const struct
    {
        const char* what;
        std::function<void(const std::string&)> change;
        int code; // 0: deleted
    } cases[] = {
        {"unchanged", [](auto&) {}, 0},
        {"replaced by a file of the same size and time",
         [](const std::string& path) {
             writeAt(path + ".new", "content");
             setListedTime(path + ".new");
             rename((path + ".new").c_str(), path.c_str());
         },
         ESTALE},
        {"grown",
         [](const std::string& path) {
             writeAt(path, "+", std::ios::app);
             setListedTime(path);
         },
         ESTALE},
        {"touched one nanosecond later", [](const std::string& path) { setListedTime(path, 999'999'999); },
         ESTALE},
        {"now a FIFO", [](const std::string& path) { unlink(path.c_str()), mkfifo(path.c_str(), 0644); },
         EINVAL},
        {"now a folder", [](const std::string& path) { unlink(path.c_str()), mkdir(path.c_str(), 0755); },
         EISDIR},
        {"now a link to its old self",
         [](const std::string& path) {
             rename(path.c_str(), (path + ".real").c_str());
             symlink((path + ".real").c_str(), path.c_str());
         },
         ELOOP},
        {"gone", [](const std::string& path) { unlink(path.c_str()); }, kAlreadyGone},
        {"now a socket",
         [](const std::string& path) {
             unlink(path.c_str());
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             path.copy(address.sun_path, sizeof address.sun_path - 1);
             const UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
             bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
         },
         EINVAL},
        // Only this name goes: the file lives on under its other name.
        {"given a second name elsewhere",
         [](const std::string& path) { link(path.c_str(), (path + ".elsewhere").c_str()); }, 0},
    };
    for (const auto& c : cases) {
        const std::string path = tree.writeFile(c.what, "content");
        setListedTime(path);
        const FileInfo info = listed(path);
        c.change(path);
        EXPECT_EQ(deletion(path, info), c.code) << lastMessage;
        EXPECT_EQ(exists(path), c.code != 0 && c.code != kAlreadyGone) << c.what;
    }
    EXPECT_EQ(test::readWholeFile(tree / "given a second name elsewhere.elsewhere"), "content");
    // Inode numbers are per file system: the same number on another device is another file.
    const std::string path = tree.writeFile("listed on another device", "content");
    FileInfo elsewhere = listed(path);
    ++elsewhere.device;
    EXPECT_EQ(deletion(path, elsewhere), ESTALE) << lastMessage;
    EXPECT_TRUE(exists(path));
}

TEST_F(DeleteListedFileTest, DeletesAwkwardNamesAndNothingElse)
{
    const std::string names[] = {"a\nb", "\xff\xfe", " ", "*", "'\";", std::string(255, 'n')};
    for (const std::string& name : names)
        tree.writeFile(name, name);
    tree.writeFile("keep", "");
    for (const std::string& name : names)
        EXPECT_EQ(deletion(tree / name, listed(tree / name)), 0) << lastMessage;
    for (const std::string& name : names)
        EXPECT_FALSE(exists(tree / name)) << name;
    EXPECT_TRUE(exists(tree / "keep"));
}

TEST_F(DeleteListedFileTest, RefusesPathsThatDoNotNameAListedFile)
{
    const std::string path = tree.writeFile("file", "");
    const FileInfo info = listed(path);
    tree.makeFolder("sub");
    for (const std::string& bad :
         {std::string("file"), tree / "sub/../file", tree / "", tree / ".", tree / "sub/.."})
        EXPECT_EQ(deletion(bad, info), EINVAL) << lastMessage;
    EXPECT_TRUE(exists(path));
}

TEST_F(DeleteListedFileTest, AFileTheUserMayNotDeleteStays)
{
    ASSERT_EQ(chmod(tree.path().c_str(), 0755), 0);
    const std::string path = tree.writeFile("protected", "");
    const FileInfo info = listed(path);
    const int status = test::runAsNobody([&] { return deletion(path, info); });
    EXPECT_EQ(status, EACCES);
    EXPECT_TRUE(exists(path));
}

TEST_F(DeleteListedFileTest, DeletesAFileDeeperThanPathMax)
{
    const std::string name(200, 'p');
    constexpr std::size_t kDepth = PATH_MAX / 200 + 2;
    const UniqueFd bottom = test::makeChain(tree.path(), name, kDepth);
    ASSERT_TRUE(bottom);
    UniqueFd(openat(bottom.get(), "deep", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    struct stat st
    {
    };
    ASSERT_EQ(fstatat(bottom.get(), "deep", &st, AT_SYMLINK_NOFOLLOW), 0);
    std::string path = tree.path();
    for (std::size_t level = 0; level < kDepth; ++level)
        path += "/" + name;
    path += "/deep";
    ASSERT_GT(path.size(), static_cast<std::size_t>(PATH_MAX));

    EXPECT_EQ(deletion(path, fileInfoFromStat(st)), 0);
    EXPECT_NE(fstatat(bottom.get(), "deep", &st, AT_SYMLINK_NOFOLLOW), 0);
    test::removeChain(tree.path(), name, kDepth);
}

} // namespace
} // namespace dustrel::posix
