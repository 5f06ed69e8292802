#include "platform/posix/processes/OpenFilesScanner.h"

#include "platform/posix/drives/BoundedStat.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace dustrel::posix {
namespace {

// A stand-in for /proc: only numbered processes' numbered descriptors that lead to regular files count.
TEST(OpenFilesScanner, KeepsOnlyRegularFilesOfNumberedProcesses)
{
    test::TempFolder proc;
    const std::string file = proc.writeFile("target", "x");
    const std::string other = proc.writeFile("other", "x");
    proc.makeFolder("12/fd");
    proc.makeFolder("self/fd");
    proc.makeFolder("34"); // a process that ended while its folder was read
    const struct
    {
        const char* target;
        const char* link;
    } links[] = {{file.c_str(), "12/fd/3"},
                 {proc.path().c_str(), "12/fd/4"},
                 {"/nowhere", "12/fd/5"},
                 {other.c_str(), "12/fd/not-a-fd"},
                 {other.c_str(), "self/fd/3"}};
    for (const auto& l : links)
        ASSERT_EQ(symlink(l.target, (proc / l.link).c_str()), 0) << l.link;

    const OpenFiles files = OpenFilesScanner(proc.path()).scan();
    const FileInfo info = *PosixFileSystem().fileInfo(file);
    const FileInfo otherInfo = *PosixFileSystem().fileInfo(other);
    EXPECT_TRUE(files.complete());
    EXPECT_EQ(files.size(), 1u);
    EXPECT_TRUE(files.contains(info.device, info.inode));
    EXPECT_FALSE(files.contains(otherInfo.device, otherInfo.inode));
}

// Open files that cannot be read are not no open files: every file then counts as in use.
TEST(OpenFilesScanner, WhenTheOpenFilesCannotBeReadEveryFileCountsAsInUse)
{
    test::TempFolder folder;
    const std::string held = folder.writeFile("held", "x");
    const FileInfo info = *PosixFileSystem().fileInfo(held);
    const OpenFiles missing = OpenFilesScanner(folder / "missing").scan();
    EXPECT_FALSE(missing.complete());
    EXPECT_TRUE(missing.contains(info.device, info.inode));

    // Out of descriptors after /proc itself opened: no process's descriptor folder can be read.
    const int status = test::runInChild([&] {
        const UniqueFd fd(open(held.c_str(), O_RDONLY | O_CLOEXEC));
        const rlimit limit{64, 64};
        if (!fd || setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return 100;
        std::vector<UniqueFd> filler;
        while (filler.emplace_back(open("/dev/null", O_RDONLY | O_CLOEXEC)))
            ;
        filler.pop_back();
        filler.pop_back();
        const OpenFiles files = OpenFilesScanner().scan();
        return files.contains(info.device, info.inode) ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "a file held open was taken for a file nobody uses";
}

// One child resolves several paths: each answer stays with its own path, in their order.
TEST(BoundedLookups, SeveralRealPathsKeepTheirOrder)
{
    test::TempFolder root;
    const std::string real = *realPath(root.makeFolder("real"));
    ASSERT_EQ(symlink(real.c_str(), (root / "link").c_str()), 0);
    const struct
    {
        std::string path;
        std::string resolved; // empty: no such file
    } cases[] = {
        {root / "missing", ""}, {root / "link", real}, {real + "/../real/.", real}, {"", ""}, {"/", "/"}};
    std::vector<std::string> paths;
    for (const auto& c : cases)
        paths.push_back(c.path);
    const auto answers = boundedRealPaths(paths);
    ASSERT_EQ(answers.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        if (cases[i].resolved.empty())
            EXPECT_TRUE(!answers[i] && answers[i].error().code == ENOENT);
        else
            EXPECT_EQ(answers[i] ? *answers[i] : answers[i].error().describe(), cases[i].resolved);
    }
}

// A descriptor whose file system stopped answering: the pass is given up in time and says so, and so are
// the lookups of paths there that the program only names.
TEST(OpenFilesScanner, AFileSystemThatStoppedAnsweringIsGivenUpInTime)
{
    using namespace std::chrono_literals;
    test::TempFolder proc;
    const std::string dead = proc.makeFolder("dead");
    proc.makeFolder("12/fd");
    ASSERT_EQ(symlink(proc.writeFile("target", "x").c_str(), (proc / "12/fd/3").c_str()), 0);
    const auto hangs = [](int, const char*, struct stat*, int) {
        sleep(30); // as a stat on a dead share waits
        return -1;
    };
    const auto start = std::chrono::steady_clock::now();
    const OpenFiles files = OpenFilesScanner(proc.path(), 300ms, hangs).scan();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(files.complete());
    EXPECT_EQ(files.whyIncomplete(), "no answer within 300 ms");

    const int status = test::runInChild([&] {
        if (!test::mountDeadFileSystem(dead))
            return 77;
        const auto answers = boundedStat({proc.path(), dead + "/x", proc.path()}, false, 300ms);
        const Result<std::string> resolved = boundedRealPath(dead + "/x", 300ms);
        const auto real = boundedRealPaths({proc.path(), dead + "/x", proc.path()}, 300ms);
        const bool timedOut = answers.size() == 3 && answers[0].ok() && !answers[1] &&
                              answers[1].error().code == ETIMEDOUT && !answers[2] && !resolved &&
                              resolved.error().code == ETIMEDOUT && real.size() == 3 && real[0].ok() &&
                              !real[1] && real[1].error().code == ETIMEDOUT && !real[2];
        return timedOut ? 0 : 1;
    });
    if (status == 77)
        GTEST_SKIP() << "cannot mount a FUSE file system in a private mount namespace here";
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace dustrel::posix
