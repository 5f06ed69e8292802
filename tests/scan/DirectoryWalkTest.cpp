#include "base/Text.h"
#include "support/ScanFixture.h"

#include <algorithm>
#include <fcntl.h>
#include <functional>
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
    file("c/top.tmp");
    tickRule(2);
    std::size_t longestStatus = 0;
    host.onPump = [&] { longestStatus = std::max(longestStatus, host.statusText().size()); };

    search();

    std::string deepest = root + "dd";
    for (std::size_t level = 2; level <= kDepth; ++level)
        deepest += "/dd";
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results.fullPath(0), root + "top.tmp");
    EXPECT_EQ(results.fileName(1), "1000.tmp");
    EXPECT_EQ(results.fileName(2), "2000.tmp");
    EXPECT_EQ(results.fullPath(3), deepest + "/3000.tmp");
    EXPECT_EQ(longestStatus, std::string("Searching ").size() + deepest.size());
    EXPECT_EQ(host.pumps(), static_cast<long>(kDepth));
}

// Names of every length and letter case, so that the buffers of subfolder names grow and move while the
// walk is inside them; the rows must come as a plain recursive walk in name order gives them.
TEST_F(DirectoryWalk, AWideTreeIsVisitedDepthFirstInNameOrder)
{
    addDrive('C', "c");
    tickRule(2);
    std::uint32_t seed = 7;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    // Makes `width` subfolders of `relative`, each with a matching file, and returns their rows in order.
    std::function<std::vector<std::string>(const std::string&, int, int)> build =
        [&](const std::string& relative, int width, int depth) {
            std::vector<std::string> names;
            for (int i = 0; i < width; ++i) {
                std::string name(1 + next() % 40, 'a');
                for (char& c : name)
                    c = static_cast<char>((next() % 2 == 0 ? 'a' : 'A') + next() % 3);
                names.push_back(name + std::to_string(i));
            }
            std::sort(names.begin(), names.end(), nameLess);
            std::vector<std::string> rows;
            for (const std::string& name : names) {
                rows.push_back(file(relative + "/" + name + "/f.tmp").substr(temp.path().size() + 1));
                if (depth > 0) {
                    const auto below = build(relative + "/" + name, width / 2, depth - 1);
                    rows.insert(rows.end(), below.begin(), below.end());
                }
            }
            return rows;
        };
    const std::vector<std::string> expected = build("c", 16, 3);

    search();

    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(host.pumps(), static_cast<long>(expected.size()));
}

} // namespace
} // namespace dustrel
