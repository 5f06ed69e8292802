#include "scan/ScanFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace dustrel {
namespace {

// A chain of `depth` folders "dd" with a file "<level>.tmp" every `every` levels, made and removed through
// descriptors: no path to its deep end fits in PATH_MAX.
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
            if (level % every == 0 && fd >= 0)
                close(openat(fd, (std::to_string(level) + ".tmp").c_str(), O_WRONLY | O_CREAT, 0644));
        }
        EXPECT_GE(fd, 0) << "could not build the chain";
        close(fd);
    }
    ~DeepChain()
    {
        int fd = open(m_base.c_str(), O_RDONLY | O_DIRECTORY);
        std::size_t level = 0;
        for (int next; level < m_depth && (next = openat(fd, "dd", O_RDONLY | O_DIRECTORY)) >= 0; ++level) {
            close(fd);
            fd = next;
        }
        for (; fd >= 0 && level > 0; --level) {
            unlinkat(fd, (std::to_string(level) + ".tmp").c_str(), 0);
            const int parent = openat(fd, "..", O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = parent;
            unlinkat(fd, "dd", AT_REMOVEDIR);
        }
        close(fd);
    }

private:
    std::string m_base;
    std::size_t m_depth;
};

class DirectoryWalk : public test::ScanFixture, public ::testing::Test
{
};

TEST_F(DirectoryWalk, ATreeDeeperThanAnyPathLimitIsWalkedToTheBottomInOrder)
{
    const std::string root = addDrive('C', "c");
    constexpr std::size_t kDepth = 3000; // paths of about 9,000 bytes
    const DeepChain chain(temp / "c", kDepth, 1000);
    temp.writeFile("c/top.tmp", "1");
    tickRule(2);
    std::size_t longestStatus = 0;
    host.onPump = [&] { longestStatus = std::max(longestStatus, host.statusText().size()); };

    search();

    ASSERT_EQ(results.size(), 4u);
    std::string deepest = root + "dd";
    for (std::size_t level = 2; level <= kDepth; ++level)
        deepest += "/dd";
    EXPECT_EQ(results.fullPath(0), root + "top.tmp");
    EXPECT_EQ(results.fileName(1), "1000.tmp");
    EXPECT_EQ(results.fileName(2), "2000.tmp");
    EXPECT_EQ(results.fullPath(3), deepest + "/3000.tmp");
    EXPECT_EQ(longestStatus, std::string("Searching ").size() + deepest.size());
    EXPECT_EQ(host.pumps(), static_cast<long>(kDepth));
}

} // namespace
} // namespace dustrel
