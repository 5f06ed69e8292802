#include "scan/DirectoryWalk.h"

#include "scan/PatternMatcher.h"
#include "scan/ScanFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel {
namespace {

using test::ScanFixture;
using Strings = std::vector<std::string>;

// The real file system seen from a folder of the test as if it were "/": the walk can start from the
// root of the file system without the test reading the whole machine.
class RootedCursor : public FolderCursor
{
public:
    RootedCursor(std::unique_ptr<FolderCursor> real, std::string base)
        : m_real(std::move(real)), m_base(std::move(base))
    {}
    Result<void> open(const std::string& path) override { return m_real->open(m_base + path); }
    Result<std::vector<FolderEntry>> entries() override { return m_real->entries(); }
    Result<FileInfo> entryInfo(std::string_view name) override { return m_real->entryInfo(name); }
    Result<void> enter(std::string_view name) override { return m_real->enter(name); }
    Result<void> leave() override { return m_real->leave(); }
    std::size_t depth() const override { return m_real->depth(); }

private:
    std::unique_ptr<FolderCursor> m_real;
    std::string m_base;
};

class RootedFileSystem : public FileSystem
{
public:
    RootedFileSystem(FileSystem& real, std::string base) : m_real(real), m_base(std::move(base)) {}
    Result<std::vector<FolderEntry>> listFolder(const std::string& path) override
    {
        return m_real.listFolder(path);
    }
    Result<FileInfo> fileInfo(const std::string& path) override { return m_real.fileInfo(path); }
    bool isFolder(const std::string& path) override { return m_real.isFolder(path); }
    Result<std::string> readFile(const std::string& path, std::size_t limit) override
    {
        return m_real.readFile(path, limit);
    }
    std::unique_ptr<FolderCursor> newCursor() override
    {
        return std::make_unique<RootedCursor>(m_real.newCursor(), m_base);
    }
    OpenFiles openFiles() override { return {}; }
    Result<void> setNormalAttributes(const std::string&) override { return {}; }
    Result<void> deleteListedFile(const std::string& path, const FileInfo&, const OpenFiles&) override
    {
        return Error{EPERM, "not in this test", path};
    }

private:
    FileSystem& m_real;
    std::string m_base;
};

class DirectoryWalkTest : public ScanFixture, public ::testing::Test
{
};

TEST_F(DirectoryWalkTest, AFileInTheRootOfTheFileSystemIsNamedWithOneSeparator)
{
    temp.makeFolder("sub");
    for (const char* file : {"X.TMP", "IGNORED.TMP", "sub/Y.TMP"})
        temp.writeFile(file, "1");
    RootedFileSystem rooted(*fake.fileSystem, temp.path());
    Platform platform = fake.platform;
    Platform rootedPlatform{platform.registry,     rooted,         platform.drives, platform.folders,
                            platform.messageBoxes, platform.clock, platform.locale, platform.processes,
                            platform.pathRules};
    WorkContext rootedContext{state, rootedPlatform, host, results};
    state.IGN_TBL.setEntries({"/ignored.tmp"});
    Strings entered;
    host.onPump = [&] { entered.emplace_back(host.statusText()); };

    state.SEARCHING = true;
    DirectoryWalk walk(rootedContext);
    walk.WalkDrive("/", PatternMatcher("*.TMP"));
    results.publish();

    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results.folder(0), "/");
    EXPECT_EQ(results.fullPath(0), "/X.TMP");
    EXPECT_EQ(results.folder(1), "/sub");
    EXPECT_EQ(results.fullPath(1), "/sub/Y.TMP");
    EXPECT_EQ(entered, Strings{"Searching /sub"});
}

// Makes a chain of `depth` folders named "dd" below `base` through descriptors, as no path to the deep
// end would fit in PATH_MAX, with a file "N.tmp" every `every` levels; removes it the same way.
class DeepChain
{
public:
    DeepChain(const std::string& base, std::size_t depth, std::size_t every) : m_base(base), m_depth(depth)
    {
        int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
        for (std::size_t level = 1; level <= depth && fd >= 0; ++level) {
            mkdirat(fd, "dd", 0755);
            const int next = openat(fd, "dd", O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = next;
            if (level % every == 0 && fd >= 0) {
                const std::string name = std::to_string(level) + ".tmp";
                close(openat(fd, name.c_str(), O_WRONLY | O_CREAT, 0644));
            }
        }
        EXPECT_GE(fd, 0) << "could not build the chain";
        close(fd);
    }
    ~DeepChain()
    {
        // Down to the deep end, then up through "..", removing each level on the way.
        int fd = open(m_base.c_str(), O_RDONLY | O_DIRECTORY);
        std::size_t level = 0;
        while (fd >= 0 && level < m_depth) {
            const int next = openat(fd, "dd", O_RDONLY | O_DIRECTORY);
            if (next < 0)
                break;
            close(fd);
            fd = next;
            ++level;
        }
        for (; fd >= 0 && level > 0; --level) {
            unlinkat(fd, (std::to_string(level) + ".tmp").c_str(), 0);
            const int parent = openat(fd, "..", O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = parent;
            if (fd >= 0)
                unlinkat(fd, "dd", AT_REMOVEDIR);
        }
        if (fd >= 0)
            close(fd);
    }

private:
    std::string m_base;
    std::size_t m_depth;
};

TEST_F(DirectoryWalkTest, ATreeDeeperThanAnyPathLimitIsWalkedToTheBottomInOrder)
{
    const std::string root = addDrive('C', "c");
    constexpr std::size_t kDepth = 3000; // paths of about 9,000 bytes
    const DeepChain chain(temp / "c", kDepth, 1000);
    temp.writeFile("c/top.tmp", "1");
    state.choices.setFileState(2, CheckState::Ticked);
    std::size_t deepestStatus = 0;
    host.onPump = [&] { deepestStatus = std::max(deepestStatus, host.statusText().size()); };

    search();

    std::string expectedFolder = root + "dd";
    Strings expected{"top.tmp"};
    for (std::size_t level = 1; level <= kDepth; ++level) {
        if (level % 1000 == 0)
            expected.push_back(std::to_string(level) + ".tmp");
    }
    ASSERT_EQ(results.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(results.fileName(i), expected[i]);
    std::string deepest = root + "dd";
    for (std::size_t level = 2; level <= kDepth; ++level)
        deepest += "/dd";
    EXPECT_EQ(results.folder(3), deepest);
    EXPECT_EQ(deepestStatus, std::string("Searching ").size() + deepest.size());
    EXPECT_EQ(host.pumps(), static_cast<long>(kDepth));
}

} // namespace
} // namespace dustrel
