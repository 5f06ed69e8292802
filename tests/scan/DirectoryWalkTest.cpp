#include "base/Text.h"
#include "platform/posix/walk/FolderReadAhead.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/ScanFixture.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel {
namespace {

using posix::ReadAhead;

std::size_t entriesOf(const char* folder)
{
    std::size_t count = 0;
    if (DIR* dir = opendir(folder)) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

// Every walk below runs with folders read ahead on helper threads from the first folder on, and without:
// the rows and their order must be the same.
class DirectoryWalk : public test::ScanFixture, public ::testing::TestWithParam<ReadAhead>
{
protected:
    void SetUp() override { static_cast<posix::PosixFileSystem&>(*fake.fileSystem).setReadAhead(GetParam()); }
};

TEST_P(DirectoryWalk, ATreeDeeperThanAnyPathLimitIsWalkedToTheBottomInOrder)
{
    const std::string root = addDrive('C', "c");
    constexpr std::size_t kDepth = 3000; // paths of about 9,000 bytes
    // A file every thousand levels; the chain is built and removed through descriptors.
    test::makeChain(temp / "c", "dd", kDepth, [](int folder, std::size_t level) {
        if (level % 1000 == 0)
            close(openat(folder, (std::to_string(level) + ".tmp").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC,
                         0644));
    });
    file("c/top.tmp");
    tickRule(2);
    std::size_t longestStatus = 0;
    host.onPump = [&] { longestStatus = std::max(longestStatus, host.statusText().size()); };

    search();
    test::removeChain(temp / "c", "dd", kDepth);

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
TEST_P(DirectoryWalk, AWideTreeIsVisitedDepthFirstInNameOrder)
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

// Where not even a chain of folders sized to the descriptor limit fits, the search stops and says why,
// rather than pass the folders it cannot open over as empty.
TEST_P(DirectoryWalk, RunningOutOfDescriptorsStopsTheSearchAndSaysSo)
{
    addDrive('C', "c");
    test::makeChain(temp / "c", "dd", 20, [](int folder, std::size_t) {
        close(openat(folder, "f.tmp", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    });
    tickRule(2);
    const int status = test::runInChild([&] {
        const rlimit limit{entriesOf("/proc/self/fd"), entriesOf("/proc/self/fd")};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return 1;
        search();
        const bool said = results.incomplete().find("Too many open files") != std::string::npos;
        return said && results.size() < 20 && !state.SEARCHING ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    test::removeChain(temp / "c", "dd", 20);
}

// Names that are bytes, a hard link, a FIFO, a folder the user may not read, and folders swapped after
// the helpers listed them and before the walk opened them: whoever lists, the rows are what the walk itself
// reads, with the sizes it sees (each file's size is the length of its row's path).
TEST_P(DirectoryWalk, AwkwardAndSwappedFoldersGiveTheRowsTheWalkItselfReads)
{
    addDrive('C', "c");
    test::openToEveryone(temp.path());
    for (const std::string_view path :
         {"c/a/bad-\xff\xfe.tmp", "c/a/new\nline.tmp", "c/b/f.tmp", "c/d/old.tmp", "c/d2/new.tmp",
          "c/decoy/planted.tmp", "c/e/locked/in.tmp", "c/e/open.tmp"})
        file(path, path);
    ASSERT_EQ(link((temp / "c/a/bad-\xff\xfe.tmp").c_str(), (temp / "c/a/hard.tmp").c_str()), 0);
    ASSERT_EQ(mkfifo((temp / "c/a/fifo.tmp").c_str(), 0644), 0);
    ASSERT_EQ(system(("chown -R 65534:65534 '" + temp / "c'").c_str()), 0);
    ASSERT_EQ(chmod((temp / "c/e/locked").c_str(), 0), 0);
    tickRule(2);
    // After the walk read "a": time for the helpers to list the rest, then "b" becomes a link to "decoy"
    // and "d2" takes the place of "d".
    host.onPump = [&] {
        if (host.pumps() != 1)
            return;
        usleep(200'000);
        const bool swapped = rename((temp / "c/b").c_str(), (temp / "c/b-moved").c_str()) == 0 &&
                             symlink("decoy", (temp / "c/b").c_str()) == 0 &&
                             rename((temp / "c/d").c_str(), (temp / "c/d-old").c_str()) == 0 &&
                             rename((temp / "c/d2").c_str(), (temp / "c/d").c_str()) == 0;
        if (!swapped)
            _exit(3);
    };
    const std::vector<std::pair<std::string, std::int64_t>> expected{
        {"c/a/bad-\xff\xfe.tmp", 14}, {"c/a/hard.tmp", 14},        {"c/a/new\nline.tmp", 16},
        {"c/d/new.tmp", 12},          {"c/decoy/planted.tmp", 19}, {"c/e/open.tmp", 12}};

    const int status = test::runAsNobody([&] {
        search();
        std::vector<std::pair<std::string, std::int64_t>> found;
        for (std::size_t i = 0; i < results.size(); ++i)
            found.emplace_back(rows()[i], results.fileSize(i));
        return found == expected ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutReadAhead, DirectoryWalk,
                         testing::Values(ReadAhead::Off, ReadAhead::Always),
                         [](const auto& param) { return param.param == ReadAhead::Off ? "Off" : "Always"; });

// Threads of the read-ahead by their name: a sanitizer's own thread is none of them.
std::size_t readAheadThreads()
{
    std::size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        count += test::readWholeFile(task.path() / "comm") ==
                 posix::FolderReadAhead::kHelperName + std::string("\n");
    return count;
}

class DirectoryWalkReadAhead : public test::ScanFixture, public ::testing::Test
{
};

TEST_F(DirectoryWalkReadAhead, StopEndsTheHelpersAndTheirDescriptorsWithTheWalk)
{
    static_cast<posix::PosixFileSystem&>(*fake.fileSystem).setReadAhead(ReadAhead::Always);
    addDrive('C', "c");
    for (int i = 0; i < 40; ++i)
        file("c/" + std::to_string(100 + i) + "/below/f.tmp");
    tickRule(2);
    const std::size_t descriptors = entriesOf("/proc/self/fd");
    std::size_t helpers = 0;
    host.onPump = [&] {
        helpers = std::max(helpers, readAheadThreads());
        if (host.pumps() == 5)
            Command2_Click(state);
    };

    search();

    EXPECT_GT(helpers, 0u) << "nothing was read ahead";
    EXPECT_EQ(rows(), (std::vector<std::string>{"c/100/below/f.tmp", "c/101/below/f.tmp"}));
    EXPECT_EQ(readAheadThreads(), 0u);
    EXPECT_EQ(entriesOf("/proc/self/fd"), descriptors);
}

} // namespace
} // namespace dustrel
