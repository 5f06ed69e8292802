#include "DeletionFixture.h"
#include "cleanup/Deletion.h"
#include "cleanup/RunReport.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/ScanFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel {
namespace {

using posix::UniqueFd;
using test::Deletion;
using test::exists;
using test::ProblemStream;
using test::Strings;

// Names, types, inodes, sizes and contents of everything below `root`, links not followed: what a
// deletion must leave as it found it. Link counts are left out, since deleting a listed file lowers that
// of its other names.
Strings snapshot(const std::string& root)
{
    Strings out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st
        {
        };
        EXPECT_EQ(lstat(entry.path().c_str(), &st), 0) << entry.path();
        std::string line = entry.path().string().substr(root.size()) + " type " +
                           std::to_string(st.st_mode & S_IFMT) + " inode " + std::to_string(st.st_ino) +
                           " size " + std::to_string(st.st_size);
        if (S_ISREG(st.st_mode))
            line += " " + test::readWholeFile(entry.path());
        out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The real file system, with a hook run right before each file is checked and deleted: another user at
// work between two rows of one run.
class HookedFileSystem : public posix::PosixFileSystem
{
public:
    std::unique_ptr<DeletionCursor> newDeletionCursor() override
    {
        return std::make_unique<Cursor>(PosixFileSystem::newDeletionCursor(), beforeDelete);
    }
    OpenFiles openFiles() override
    {
        return openFilesAnswer ? *openFilesAnswer : PosixFileSystem::openFiles();
    }
    std::function<void(std::string_view name)> beforeDelete = [](std::string_view) {};
    std::optional<OpenFiles> openFilesAnswer;

private:
    class Cursor : public DeletionCursor
    {
    public:
        Cursor(std::unique_ptr<DeletionCursor> real, std::function<void(std::string_view)> hook)
            : m_real(std::move(real)), m_hook(std::move(hook))
        {}
        Result<void> open(const std::string& path) override { return m_real->open(path); }
        Result<void> enter(std::string_view name) override { return m_real->enter(name); }
        Result<void> leave() override { return m_real->leave(); }
        std::size_t depth() const override { return m_real->depth(); }
        Result<void> setNormalAttributes(std::string_view name) override
        {
            return m_real->setNormalAttributes(name);
        }
        Result<Removal> deleteFile(std::string_view name, const FileInfo& listed,
                                   const OpenFiles& inUse) override
        {
            m_hook(name);
            return m_real->deleteFile(name, listed, inUse);
        }
        Result<Removal> moveToTrash(std::string_view name, const FileInfo& listed, const OpenFiles& inUse,
                                    FileTime deletedAt) override
        {
            m_hook(name);
            return m_real->moveToTrash(name, listed, inUse, deletedAt);
        }

    private:
        std::unique_ptr<DeletionCursor> m_real;
        std::function<void(std::string_view)> m_hook;
    };
};

// A folder of the listed paths becomes a link to a decoy that holds the very same files under the same
// names (hard links: same inode, size and time), before the deletion or between two of its rows. A link
// is never followed: a row reached through it fails and stays listed. A folder the deletion already went
// through stays the folder it reached; its rows then go from where that folder was moved, exactly as if the
// swap had come just after them. Either way the decoy is left as it was.
TEST_F(Deletion, AFolderSwappedForALinkNeverLetsTheDeletionReachThroughIt)
{
    const Strings listed = {"c/top.tmp", "c/a/one.tmp", "c/a/b/two.tmp", "c/a/b/e/three.tmp"};
    const struct
    {
        const char* swapped;
        bool betweenRows; // just before the row c/a/one.tmp, the cursor being in c/a
        Strings kept;
    } cases[] = {
        {"c", false, listed},
        {"c/a", false, {"c/a/one.tmp", "c/a/b/two.tmp", "c/a/b/e/three.tmp"}},
        {"c/a/b", false, {"c/a/b/two.tmp", "c/a/b/e/three.tmp"}},
        {"c/a/b/e", false, {"c/a/b/e/three.tmp"}},
        {"c", true, {}},
        {"c/a", true, {}},
        {"c/a/b", true, {"c/a/b/two.tmp", "c/a/b/e/three.tmp"}},
        {"c/a/b/e", true, {"c/a/b/e/three.tmp"}},
    };
    HookedFileSystem fileSystem;
    const Platform& real = fake.platform;
    Platform hooked{real.registry,    fileSystem,  real.drives,    real.folders,   real.messageBoxes,
                    real.clock,       real.locale, real.processes, real.pathRules, real.installedSoftware,
                    real.repositories};
    WorkContext hookedContext{state, hooked, host, results};
    for (const auto& c : cases) {
        const std::string swapped = c.swapped;
        SCOPED_TRACE(swapped + (c.betweenRows ? " between rows" : " before the deletion"));
        plantListedWithDecoyTwins(listed);
        search();
        ASSERT_EQ(rows(), listed);
        const Strings decoy = snapshot(temp / "decoy");
        bool done = false;
        const auto swap = [&] {
            done = true;
            ASSERT_EQ(rename((temp / swapped).c_str(), (temp / swapped + ".moved").c_str()), 0);
            ASSERT_EQ(symlink((temp / "decoy" + swapped.substr(1)).c_str(), (temp / swapped).c_str()), 0);
        };
        fileSystem.beforeDelete = [&](std::string_view name) {
            if (c.betweenRows && name == "one.tmp" && !done)
                swap();
        };
        if (!c.betweenRows)
            swap();

        const DeletionOutcome outcome = DeleteListedFiles(hookedContext, false);

        EXPECT_TRUE(done);
        EXPECT_EQ(snapshot(temp / "decoy"), decoy);
        EXPECT_EQ(rows(), c.kept);
        EXPECT_EQ(outcome.failures, c.kept.size());
        // A kept row keeps its file, wherever its folder went.
        for (const std::string& path : listed) {
            const bool below = path.rfind(swapped + "/", 0) == 0;
            const std::string now = below ? swapped + ".moved" + path.substr(swapped.size()) : path;
            const bool kept = std::find(c.kept.begin(), c.kept.end(), path) != c.kept.end();
            EXPECT_EQ(exists(temp / now), kept) << now;
        }
        test::removeTree(temp / swapped);
        test::removeTree(temp / swapped + ".moved");
        test::removeTree(temp / "c");
        test::removeTree(temp / "decoy");
        temp.makeFolder("c");
    }
}

// When which files programs hold open is not known, no file is taken for a free one: every file stays,
// and the run says why, to the user or on the stream of a run without one.
TEST_F(Deletion, WhenTheOpenFilesAreUnknownNothingIsDeletedAndTheRunSaysWhy)
{
    HookedFileSystem fileSystem;
    fileSystem.openFilesAnswer.emplace();
    fileSystem.openFilesAnswer->markIncomplete("no answer within 20 seconds");
    const Platform& real = fake.platform;
    Platform hooked{real.registry,    fileSystem,  real.drives,    real.folders,   real.messageBoxes,
                    real.clock,       real.locale, real.processes, real.pathRules, real.installedSoftware,
                    real.repositories};
    WorkContext hookedContext{state, hooked, host, results};
    fake.messageBoxes.useDefaultWhenUnanswered = true;
    for (const bool prompt : {true, false}) {
        file("c/a.tmp");
        search();
        fake.messageBoxes.shown.clear();
        ProblemStream problems;
        const DeletionOutcome outcome = DeleteAsChosen(hookedContext, prompt, {false, problems.get()});
        EXPECT_FALSE(outcome.inUseKnown);
        EXPECT_EQ(rows(), Strings{"c/a.tmp"});
        EXPECT_TRUE(exists(temp / "c/a.tmp"));
        const std::string told = prompt ? fake.messageBoxes.shown.at(0).text : problems.text();
        EXPECT_NE(told.find("Which files programs hold open is not known: no answer within 20 seconds"),
                  std::string::npos)
            << told;
    }
}

// A folder of the tree covered after the search by a mount of a decoy that holds the very same files (hard
// links on the same file system): the search never crossed into a mount, so the deletion does not either.
TEST_F(Deletion, AMountPutOverAListedFolderIsNotEntered)
{
    const Strings listed = {"c/top.tmp", "c/a/one.tmp", "c/a/b/two.tmp"};
    plantListedWithDecoyTwins(listed);
    search();
    ASSERT_EQ(rows(), listed);
    const Strings decoy = snapshot(temp / "decoy");

    const int status = test::runInChild([&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount((temp / "decoy/a").c_str(), (temp / "c/a").c_str(), nullptr, MS_BIND, nullptr) != 0)
            return 77;
        DeleteListedFiles(context, false);
        return rows() == Strings{"c/a/one.tmp", "c/a/b/two.tmp"} ? 0 : 1;
    });
    if (status == 77)
        GTEST_SKIP() << "cannot mount in a private mount namespace here";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(snapshot(temp / "decoy"), decoy);
    EXPECT_FALSE(exists(temp / "c/top.tmp"));
    EXPECT_TRUE(exists(temp / "c/a/one.tmp"));
    EXPECT_TRUE(exists(temp / "c/a/b/two.tmp"));
}

// With almost no descriptor left, rows fail where the deletion cannot safely go on, and never otherwise:
// with one free, not even the open files can be read, so every file counts as in use; with a few, the
// cursor reaches some levels of a deep tree and fails the rows below. A second run with descriptors
// again deletes what is left.
TEST_F(Deletion, RunningOutOfDescriptorsFailsRowsAndNothingElse)
{
    constexpr std::size_t kDepth = 24;
    Strings listed;
    std::string folder = "c";
    for (std::size_t level = 0; level < kDepth; ++level, folder += "/d")
        listed.push_back(folder + "/x.tmp");
    for (const std::size_t free : {std::size_t{1}, std::size_t{6}}) {
        SCOPED_TRACE(std::to_string(free) + " descriptors free");
        for (const std::string& path : listed)
            file(path);
        search();
        ASSERT_EQ(rows(), listed);

        // In a child: the limit and the filler stay there, and the results it leaves are checked there.
        const auto starve = [&] {
            std::vector<UniqueFd> filler;
            const rlimit limit{64, 64};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
                return 100;
            while (filler.emplace_back(open("/dev/null", O_RDONLY | O_CLOEXEC)))
                ;
            filler.resize(filler.size() - 1 - free);
            DeletionOptions quiet; // the outcome is checked, not the report
            quiet.problems = nullptr;
            const DeletionOutcome starved = DeleteListedFiles(context, false, quiet);
            // Each row either went with its file or stayed with it.
            const Strings left = rows();
            for (std::size_t i = 0; i < listed.size(); ++i) {
                const bool kept = std::find(left.begin(), left.end(), listed[i]) != left.end();
                if (exists(temp / listed[i]) != kept)
                    return 10 + static_cast<int>(i);
            }
            const bool none = free == 1;
            if (starved.failures != results.size() || results.empty() ||
                (none ? results.size() != kDepth : results.size() == kDepth))
                return 1;
            filler.clear();
            const DeletionOutcome fed = DeleteListedFiles(context, false);
            return fed.failures == 0 && results.empty() ? 0 : 2;
        };
        EXPECT_EQ(test::runInChild(starve), 0);
        for (const std::string& path : listed)
            EXPECT_FALSE(exists(temp / path)) << path;
    }
}

} // namespace
} // namespace dustrel
