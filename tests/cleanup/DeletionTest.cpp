#include "cleanup/Deletion.h"

#include "cleanup/RunReport.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/ScanFixture.h"

#include <algorithm>
#include <csignal>
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
using test::exists;
using test::ScanFixture;
using Strings = std::vector<std::string>;

constexpr std::size_t kBak = 0, kTmp = 2;

// The log's lines; every one must end with CR LF.
Strings logLines(const std::string& path)
{
    return test::crlfLines(test::readWholeFile(path));
}

// What a run without a user wrote to its report stream.
// What an automatic deletion reports, kept in memory so that no file-size limit of a test applies to it.
class ProblemStream
{
public:
    ProblemStream() : m_file(open_memstream(&m_data, &m_size)) {}
    ~ProblemStream()
    {
        std::fclose(m_file);
        std::free(m_data);
    }
    ProblemStream(const ProblemStream&) = delete;
    ProblemStream& operator=(const ProblemStream&) = delete;
    std::FILE* get() const { return m_file; }
    std::string text() const
    {
        std::fflush(m_file);
        return std::string(m_data, m_size);
    }

private:
    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file;
};

class Deletion : public ScanFixture, public ::testing::Test
{
protected:
    void SetUp() override
    {
        addDrive('C', "c");
        tickRule(kTmp);
        state.DTR_PATH = temp.makeFolder("inst");
        logPath = temp / "inst/DUSTREL.LOG";
    }

    // Each listed file "c/..." made, and a second name of it at "decoy/...": a decoy that looks exactly like
    // the listed files, inodes included.
    void plantListedWithDecoyTwins(const Strings& listed)
    {
        for (const std::string& path : listed) {
            file(path, path);
            const std::string twin = "decoy" + path.substr(1);
            temp.makeFolder(twin.substr(0, twin.rfind('/')));
            ASSERT_EQ(link((temp / path).c_str(), (temp / twin).c_str()), 0) << twin;
        }
    }

    std::string logPath;
};

TEST_F(Deletion, TheEventsLogHoldsTheChoicesEveryFileTriedAndTheOutcome)
{
    addDrive('D', "d", false);
    tickRule(kBak);
    setSpecialFolder(0, temp.makeFolder("t"));
    // Names from outside never start a line of their own in the log.
    state.IGN_TBL.setEntries({"/first/IGNORED.TMP", "/second\none"});
    state.CSTM_TBL.setPatterns({"*.XYZ"});
    state.choices.setOptLog(true);
    file("c/a.tmp", "12");
    file("c/b\r\n   -> Killing : \\forged.tmp", "");
    file("c/sub/b.BAK", "345");
    file("t/anything");
    file("inst/DUSTREL.LOG", std::string(10000, 'x')); // the last report, replaced
    search();
    using namespace std::chrono;
    fake.clock.time = system_clock::time_point{seconds{1'000'000'000}};
    fake.messageBoxes.answerNext(MessageAnswer::Yes);

    Command3_Click(context);

    const Strings expected = {
        "***********************************************",
        "   Dustrel v2.1 - Events Log",
        "   2001-09-09 - 01:46:40",
        "***********************************************",
        "",
        "* Selected type of files :",
        "   *.BAK Files",
        "   *.TMP Files",
        "",
        "* Selected directories :",
        "   Temporary Directory",
        "",
        "* Selected drives :",
        "   Drive C:",
        "",
        "* Files to ignore :",
        "   /first/IGNORED.TMP",
        "   /second\\none",
        "",
        "* Custom type of files :",
        "   *.XYZ",
        "",
        "***********************************************",
        "",
        "Total wasted size : 6 byte(s) - 4 file(s).",
        "",
        "   -> Killing : " + temp / "c/a.tmp",
        "   -> Killing : " + temp / "c/b\\r\\n   -> Killing : \\\\forged.tmp",
        "   -> Killing : " + temp / "c/sub/b.BAK",
        "   -> Killing : " + temp / "t/anything",
        "",
        "",
        "Selected Files have been correctly killed.",
    };
    EXPECT_EQ(logLines(logPath), expected);
    ASSERT_EQ(fake.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(fake.messageBoxes.shown[0].text,
              "Selected Files have been correctly killed.\n\rDo you want to read the Log File ?");
    EXPECT_EQ(fake.messageBoxes.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(fake.messageBoxes.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(fake.processes.opened, Strings{logPath});
    EXPECT_TRUE(results.empty());
    EXPECT_FALSE(exists(temp / "c/a.tmp"));
    EXPECT_FALSE(exists(temp / "t/anything"));
}

// Whoever can write in a searched folder decides how long the paths are: the log must not grow with
// them without bound, and cutting it must not stop the deletion.
TEST_F(Deletion, ALogPastItsLimitEndsWithANoteAndTheOutcomeWhileEveryFileGoes)
{
    state.choices.setOptLog(true);
    const std::string deep = std::string(200, 'd');
    files({"c/a.tmp", "c/" + deep + "/b.tmp", "c/" + deep + "/" + deep + "/c.tmp"});
    search();
    ProblemStream problems;
    DeletionOptions options{false, problems.get()};
    options.logLimit = 1000;

    const DeletionOutcome outcome = DeleteAsChosen(context, false, options);

    EXPECT_EQ(outcome.failures, 0u);
    EXPECT_TRUE(results.empty());
    const Strings lines = logLines(logPath);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(
        lines[lines.size() - 4],
        "*** The events log is cut here: it reached its size limit of 1000 bytes. The deletion went on. ***");
    EXPECT_EQ(lines.back(), "Selected Files have been correctly killed.");
    EXPECT_LT(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("Killing") != std::string::npos; }),
              3);
    EXPECT_EQ(problems.text(), "");
}

TEST_F(Deletion, WhatIsShownDependsOnThePromptAndTheLogOption)
{
    struct Case
    {
        const char* name;
        bool log;
        bool prompt;
        bool viewer;
        std::vector<MessageAnswer> answers;
        Strings shown;
        std::size_t opened;
    };
    const std::vector<Case> cases = {
        {"command without log", false, true, true, {}, {"Selected Files have been correctly killed."}, 0},
        {"command with log, read it", true, true, true, {MessageAnswer::Yes}, {"Selected Files"}, 1},
        {"command with log, do not", true, true, true, {MessageAnswer::No}, {"Selected Files"}, 0},
        {"automatic without log", false, false, true, {}, {}, 0},
        {"automatic with log", true, false, true, {}, {}, 1},
        {"automatic with log, no viewer", true, false, false, {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string victim = file("c/x.tmp");
        search();
        fake.messageBoxes.shown.clear();
        fake.processes.opened.clear();
        for (MessageAnswer answer : c.answers)
            fake.messageBoxes.answerNext(answer);
        state.choices.setOptLog(c.log);
        ProblemStream problems;

        const DeletionOutcome outcome = DeleteAsChosen(context, c.prompt, {c.viewer, problems.get()});

        EXPECT_EQ(outcome.tried, 1u);
        EXPECT_EQ(outcome.failures, 0u);
        EXPECT_FALSE(exists(victim));
        ASSERT_EQ(fake.messageBoxes.shown.size(), c.shown.size());
        for (std::size_t i = 0; i < c.shown.size(); ++i)
            EXPECT_EQ(fake.messageBoxes.shown[i].text.rfind(c.shown[i], 0), 0u)
                << fake.messageBoxes.shown[i].text;
        if (!c.log && c.prompt) {
            EXPECT_EQ(fake.messageBoxes.shown[0].icon, MessageIcon::Information);
        }
        EXPECT_EQ(fake.processes.opened.size(), c.opened);
        EXPECT_EQ(problems.text(), "");
        EXPECT_EQ(host.pointer(), Pointer::Default);
    }
}

TEST_F(Deletion, FilesInUseAreCountedKeptAndLogged)
{
    Strings paths;
    for (const char* name : {"c/1.tmp", "c/2.tmp", "c/3.tmp", "c/4.tmp", "c/5.tmp", "c/6.tmp"})
        paths.push_back(file(name));
    const int held2 = open(paths[1].c_str(), O_RDONLY);
    const int held4 = open(paths[3].c_str(), O_RDONLY);
    ASSERT_GE(held2, 0);
    ASSERT_GE(held4, 0);
    state.choices.setOptLog(true);
    search();
    const std::string summary(host.statusText());
    const std::int64_t total = results.WASTED_SIZE();
    fake.messageBoxes.answerNext(MessageAnswer::No);
    // Taken by another run first: nothing is left of it to clean, so it is no failure.
    ASSERT_EQ(unlink(paths[5].c_str()), 0);

    const DeletionOutcome outcome = DeleteAsChosen(context, true);
    close(held2);
    close(held4);

    EXPECT_EQ(rows(), (Strings{"c/2.tmp", "c/4.tmp"}));
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(exists(paths[i]), i == 1 || i == 3) << paths[i];
    const Strings lines = logLines(logPath);
    const Strings tail(lines.end() - 14, lines.end());
    const std::string error = "      *** An error occured while killing the file ***";
    const std::string why = "in use: a process holds it open";
    EXPECT_EQ(tail, (Strings{"   -> Killing : " + paths[0], "   -> Killing : " + paths[1], error,
                             "          " + why, "   -> Killing : " + paths[2], "   -> Killing : " + paths[3],
                             error, "          " + why, "   -> Killing : " + paths[4],
                             "   -> Killing : " + paths[5],
                             "      *** The file no longer exists: nothing left to kill ***", "", "",
                             "2 error(s) happened while killing selected files."}));
    // The rows that stayed keep the reason, for the window and the summary of a run without a user.
    EXPECT_EQ(results.stayReason(1), why);
    EXPECT_EQ(DeletionSummary(context, outcome, 1),
              "Cleaned: 3 file(s), 3 byte(s).\n\rAlready gone: 1 file(s).\n\rStayed: 2 file(s).\n\r   " +
                  paths[1] + "\n\r      " + why + "\n\r   and 1 more file(s).");
    ASSERT_EQ(fake.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(fake.messageBoxes.shown[0].text,
              "2 error(s) happened while killing selected files.\n\rDo you want to read the Log File ?");
    // The total follows the rows left; the summary and the Delete button wait for the command's end.
    EXPECT_EQ(host.statusText(), summary);
    EXPECT_EQ(results.WASTED_SIZE(), results.fileSize(0) + results.fileSize(1));
    EXPECT_LT(results.WASTED_SIZE(), total);
    EXPECT_TRUE(host.button(Command::Delete).enabled);
}

// With the trash option the same checks come first, then each file goes to the trash: the log and the
// messages say so, and a file in use stays listed with the deletion's error line.
TEST_F(Deletion, TheTrashOptionMovesTheFilesToTheHomeTrashAndSaysSo)
{
    const test::ScopedEnv dataHome("XDG_DATA_HOME", (temp / "data").c_str());
    state.choices.setOptLog(true);
    state.choices.setOptTrash(true);
    const std::string moved = file("c/a.tmp", "12");
    const std::string held = file("c/sub/b.tmp", "3");
    const std::string gone = file("c/sub/c.tmp");
    const int fd = open(held.c_str(), O_RDONLY);
    search();
    fake.messageBoxes.answerNext(MessageAnswer::No);
    ASSERT_EQ(unlink(gone.c_str()), 0);
    Command3_Click(context);
    close(fd);

    const Strings lines = logLines(logPath);
    EXPECT_EQ(Strings(lines.end() - 9, lines.end()),
              (Strings{"   -> Moving to trash : " + moved, "   -> Moving to trash : " + held,
                       "      *** An error occured while killing the file ***",
                       "          in use: a process holds it open", "   -> Moving to trash : " + gone,
                       "      *** The file no longer exists: nothing left to kill ***", "", "",
                       "1 error(s) happened while killing selected files."}));
    EXPECT_EQ(test::readWholeFile(temp / "data/Trash/files/a.tmp"), "12");
    EXPECT_EQ(rows(), Strings{"c/sub/b.tmp"});

    fake.messageBoxes.answerNext(MessageAnswer::No);
    Command3_Click(context);
    EXPECT_EQ(logLines(logPath).back(), "Selected Files have been moved to the trash.");
    state.choices.setOptLog(false);
    file("c/c.tmp");
    search();
    Command3_Click(context);
    ASSERT_EQ(fake.messageBoxes.shown.size(), 3u);
    EXPECT_EQ(fake.messageBoxes.shown[2].text, "Selected Files have been moved to the trash.");
    EXPECT_TRUE(exists(temp / "data/Trash/files/b.tmp") && exists(temp / "data/Trash/files/c.tmp"));
}

// One file under two names goes under both; one file met twice (a special folder twice) is listed and
// deleted once, so nothing fails.
TEST_F(Deletion, AFileMetTwiceIsListedOnceAndOneUnderTwoNamesGoesUnderBoth)
{
    const std::string first = file("c/first.tmp");
    ASSERT_EQ(link(first.c_str(), (temp / "c/second.tmp").c_str()), 0);
    file("t/twice");
    setSpecialFolder(0, temp / "t");
    setSpecialFolder(1, temp / "t");
    search();
    ASSERT_EQ(rows(), (Strings{"c/first.tmp", "c/second.tmp", "t/twice"}));

    const DeletionOutcome outcome = DeleteListedFiles(context, false);

    EXPECT_EQ(outcome.failures, 0u);
    EXPECT_EQ(rows(), Strings{});
    for (const char* gone : {"c/first.tmp", "c/second.tmp", "t/twice"})
        EXPECT_FALSE(exists(temp / gone)) << gone;
}

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
            // A run over no rows first: the sanitizer's check of a virtual call probes memory through a
            // pipe the first time it meets a class, which a starved process cannot open.
            ResultsList noRows('/');
            WorkContext warm{state, fake.platform, host, noRows};
            DeleteListedFiles(warm, false);
            std::vector<UniqueFd> filler;
            const rlimit limit{64, 64};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
                return 100;
            while (filler.emplace_back(open("/dev/null", O_RDONLY | O_CLOEXEC)))
                ;
            filler.resize(filler.size() - 1 - free);
            DeletionOptions quiet; // a stream's first use is another such probe
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

// Files of this process cannot grow past `bytes` while it lives, as on a full disk; writes past it fail
// with EFBIG instead of raising the signal.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST_F(Deletion, ALogThatCannotBeWrittenIsReportedAndTheFilesAreStillDeleted)
{
    struct Case
    {
        const char* name;
        std::string installFolder;
        bool prompt;
        Strings report;    // pieces the report holds
        bool full = false; // the file system refuses to let the log grow
    };
    const std::string missing = temp / "no/such/folder";
    const std::string full = temp.makeFolder("full");
    // A log name planted as a link must not make the deletion write through it.
    const std::string linked = temp.makeFolder("linked");
    const std::string target = temp.writeFile("target.txt", "keep");
    ASSERT_EQ(symlink(target.c_str(), (linked + "/DUSTREL.LOG").c_str()), 0);
    // Nor a second name of a file elsewhere, a folder, or a FIFO with or without a reader.
    const std::string twinned = temp.makeFolder("twinned");
    const std::string twin = temp.writeFile("twin.txt", "keep");
    ASSERT_EQ(link(twin.c_str(), (twinned + "/DUSTREL.LOG").c_str()), 0);
    const std::string folder = temp.makeFolder("folder");
    temp.makeFolder("folder/DUSTREL.LOG");
    const std::string fifo = temp.makeFolder("fifo");
    const std::string readFifo = temp.makeFolder("read-fifo");
    ASSERT_EQ(mkfifo((fifo + "/DUSTREL.LOG").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((readFifo + "/DUSTREL.LOG").c_str(), 0644), 0);
    const UniqueFd reader(open((readFifo + "/DUSTREL.LOG").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(reader);
    const std::vector<Case> cases = {
        {"missing folder, command",
         missing,
         true,
         {"could not be created", missing + "/DUSTREL.LOG", "No such file or directory"}},
        {"unknown folder, command",
         "",
         true,
         {"could not be created", "the installation folder is not known"}},
        {"link planted as the log, automatic",
         linked,
         false,
         {"could not be created", linked + "/DUSTREL.LOG", "Too many levels of symbolic links"}},
        {"second name of a file elsewhere, automatic",
         twinned,
         false,
         {"could not be created", twinned + "/DUSTREL.LOG", "other names"}},
        {"folder, automatic", folder, false, {"could not be created", "Is a directory"}},
        {"FIFO, automatic", fifo, false, {"could not be created", "No such device or address"}},
        {"FIFO with a reader, automatic", readFifo, false, {"could not be created", "not a regular file"}},
        {"disk full, command",
         full,
         true,
         {"could not be written", full + "/DUSTREL.LOG", "File too large"},
         true},
        {"disk full, automatic", full, false, {"could not be written", "File too large"}, true},
    };
    state.choices.setOptLog(true);
    const bool rootLogBefore = exists("/DUSTREL.LOG");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string victim = file("c/x.tmp");
        search();
        state.DTR_PATH = c.installFolder;
        fake.messageBoxes.shown.clear();
        fake.processes.opened.clear();
        ProblemStream problems;

        {
            std::optional<FileSizeLimit> limit;
            if (c.full)
                limit.emplace(16);
            DeleteAsChosen(context, c.prompt, {true, problems.get()});
        }

        EXPECT_FALSE(exists(victim));
        std::string report;
        if (c.prompt) {
            ASSERT_EQ(fake.messageBoxes.shown.size(), 2u);
            EXPECT_EQ(fake.messageBoxes.shown[0].icon, MessageIcon::Exclamation);
            report = fake.messageBoxes.shown[0].text;
            // No offer to read a log that is not there or stops short.
            EXPECT_EQ(fake.messageBoxes.shown[1].text, "Selected Files have been correctly killed.");
            EXPECT_EQ(problems.text(), "");
        } else {
            EXPECT_TRUE(fake.messageBoxes.shown.empty());
            report = problems.text();
        }
        for (const std::string& piece : c.report)
            EXPECT_NE(report.find(piece), std::string::npos) << piece << " not in: " << report;
        EXPECT_TRUE(fake.processes.opened.empty());
    }
    EXPECT_EQ(exists("/DUSTREL.LOG"), rootLogBefore) << "an unknown folder must not mean the root";
    EXPECT_EQ(test::readWholeFile(target), "keep");
    EXPECT_EQ(test::readWholeFile(twin), "keep");
    char byte = 0;
    EXPECT_LE(read(reader.get(), &byte, 1), 0) << "nothing is written into a FIFO";
}

} // namespace
} // namespace dustrel
