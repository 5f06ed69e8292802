#include "platform/posix/OpenFilesScanner.h"

#include "platform/posix/PosixFileSystem.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
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
    proc.makeFolder("34");
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
    EXPECT_EQ(files.size(), 1u);
    EXPECT_TRUE(files.contains(info.device, info.inode));
    EXPECT_EQ(OpenFilesScanner(proc / "missing").scan().size(), 0u);
}

} // namespace
} // namespace dustrel::posix
