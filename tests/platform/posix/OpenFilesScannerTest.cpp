#include "platform/posix/OpenFilesScanner.h"

#include "platform/posix/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

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

} // namespace
} // namespace dustrel::posix
