#include "cleanup/Deletion.h"

#include "DeletionFixture.h"
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
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel {
namespace {

using posix::UniqueFd;
using test::Deletion;
using test::exists;
using test::kBak;
using test::logLines;
using test::ProblemStream;
using test::Strings;

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
