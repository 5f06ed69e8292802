#include "scan/SearchRun.h"

#include "scan/ScanFixture.h"
#include "state/Text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dustrel {
namespace {

using test::ScanFixture;
using Strings = std::vector<std::string>;

constexpr std::size_t kBak = 0, kOld = 1, kTmp = 2;

class SearchRun : public ScanFixture, public ::testing::Test
{
};

TEST_F(SearchRun, ListsDrivesDepthFirstInNameOrderThenTheSpecialFoldersInTheirOrder)
{
    addDrive('C', "c");
    addDrive('D', "d");
    addDrive('E', "e", false);
    for (const char* file : {"c/x.tmp", "c/A.TMP", "c/a.tmp", "c/_.bak", "c/keep.txt", "c/B/y.bak",
                             "c/a/z.tmp", "c/a/sub/w.old", "c/_z/v.tmp", "d/q.old", "e/unticked.tmp"}) {
        const std::string path(file);
        temp.makeFolder(path.substr(0, path.rfind('/')));
        temp.writeFile(path, "12345");
    }
    temp.makeFolder("sp0");
    temp.writeFile("sp0/any.txt", "1");
    temp.writeFile("sp0/NOEXT", "1");
    temp.makeFolder("sp0/inner");
    temp.writeFile("sp0/inner/not-listed.tmp", "1");
    temp.makeFolder("sp1");
    temp.writeFile("sp1/unticked.tmp", "1");
    for (const char* folder : {"ie", "ie/cache2", "ie/cache4", "ie/cache4/deeper", "ie/cache5"})
        temp.makeFolder(folder);
    for (const char* file : {"ie/f1", "ie/cache2/f2", "ie/cache4/f4", "ie/cache4/deeper/no", "ie/cache5/no"})
        temp.writeFile(file, "1");
    setSpecialFolder(0, temp / "sp0");
    setSpecialFolder(1, temp / "sp1", false);
    setSpecialFolder(4, temp / "ie"); // no cache1: passed over
    tickRule(kBak);
    tickRule(kOld);
    tickRule(kTmp);
    Strings statusAtPumps;
    host.onPump = [&] { statusAtPumps.emplace_back(host.statusText()); };

    search();

    EXPECT_EQ(rows(), (Strings{"c/_.bak", "c/A.TMP", "c/a.tmp", "c/x.tmp", "c/_z/v.tmp", "c/a/z.tmp",
                               "c/a/sub/w.old", "c/B/y.bak", "d/q.old", "sp0/any.txt", "sp0/NOEXT", "ie/f1",
                               "ie/cache2/f2", "ie/cache4/f4"}));
    EXPECT_EQ(results.folder(0), temp / "c/"); // a drive root keeps its separator
    EXPECT_EQ(results.folder(4), temp / "c/_z");
    EXPECT_EQ(results.folder(9), temp / "sp0");
    const std::string c = "Searching " + temp / "c";
    EXPECT_EQ(statusAtPumps, (Strings{c + "/_z", c + "/a", c + "/a/sub", c + "/B"}));

    EXPECT_EQ(state.FILTRE, "*.BAK;*.OLD;*.TMP");
    EXPECT_EQ(state.WASTED_SIZE, 9 * 5 + 5);
    EXPECT_EQ(host.statusText(), "   Total wasted size : 50 byte(s) - 14 file(s).");
    EXPECT_TRUE(host.button(Command::Delete).enabled);
    EXPECT_TRUE(host.button(Command::Search).enabled);
    EXPECT_TRUE(host.button(Command::Search).isDefault);
    EXPECT_FALSE(host.button(Command::Stop).enabled);
    EXPECT_FALSE(host.button(Command::Stop).isDefault);
    EXPECT_EQ(host.pointer(), Pointer::Default);
    EXPECT_TRUE(state.SEARCHING); // stays true after a run that ends by itself

    host.onPump = nullptr;
    search(); // a second run starts from an empty list and a zero total
    EXPECT_EQ(results.size(), 14u);
    EXPECT_EQ(state.WASTED_SIZE, 50);
}

TEST_F(SearchRun, ASelectedSpecialFolderMetOnTheWayIsListedOnceByItsOwnStep)
{
    addDrive('C', "c");
    temp.makeFolder("c/Temp/sub");
    temp.makeFolder("c/Other/sub");
    temp.writeFile("c/Temp/a.tmp", "1");
    temp.writeFile("c/Temp/plain.txt", "1");
    temp.writeFile("c/Temp/sub/b.tmp", "1");
    temp.writeFile("c/Other/c.tmp", "1");
    temp.writeFile("c/Other/sub/d.tmp", "1");
    tickRule(kTmp);

    struct Case
    {
        const char* name;
        std::string specialFolder;
        Strings rows;
    };
    const std::vector<Case> cases = {
        {"same letter case",
         temp / "c/Temp",
         {"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/sub/b.tmp", "c/Temp/a.tmp", "c/Temp/plain.txt"}},
        // The walk takes the path as the special folder; the folder named in that case does not exist, so
        // its own step finds nothing.
        {"other letter case",
         toUpperAscii(temp / "c/Temp").replace(0, temp.path().size(), temp.path()),
         {"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/sub/b.tmp"}},
        {"the drive root",
         temp / "c/",
         {"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/a.tmp", "c/Temp/sub/b.tmp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSpecialFolder(0, c.specialFolder);
        search();
        EXPECT_EQ(rows(), c.rows);
    }
}

TEST_F(SearchRun, TheSpecialFolderTicksAreReadAtEveryFolderEntered)
{
    addDrive('C', "c");
    temp.makeFolder("c/a");
    temp.makeFolder("c/b");
    temp.writeFile("c/b/x.tmp", "1");
    temp.writeFile("c/b/y.txt", "1");
    setSpecialFolder(0, temp / "c/b");
    tickRule(kTmp);
    // Unticked while the walk is in c/a: c/b is then an ordinary folder, and the special step is skipped.
    host.onPump = [&] { state.choices.setDirState(0, CheckState::Clear); };

    search();

    EXPECT_EQ(rows(), Strings{"c/b/x.tmp"});
}

TEST_F(SearchRun, TheIgnoreListAndTheProgramsOwnFileAreComparedWholeAndWithoutLetterCase)
{
    const std::string root = addDrive('C', "c");
    temp.makeFolder("c/a");
    temp.makeFolder("t");
    for (const char* file :
         {"c/r.tmp", "c/r2.tmp", "c/a/Mixed.TMP", "c/a/kept.tmp", "t/~DF1234.TMP", "t/other"})
        temp.writeFile(file, "1");
    state.IGN_TBL.reset(temp / "t/~DF1234.TMP");
    state.IGN_TBL.setEntries({
        root + "r.tmp",   // a root file: one separator
        root + "/r2.tmp", // two separators: another text
        toUpperAscii(temp / "c/a/mixed.tmp").replace(0, temp.path().size(), temp.path()), // another case
        temp / "c/a", // a folder ignores nothing below
    });
    setSpecialFolder(0, temp / "t");
    tickRule(kTmp);

    search();

    EXPECT_EQ(rows(), (Strings{"c/r2.tmp", "c/a/kept.tmp", "t/other"}));
}

TEST_F(SearchRun, ListsEveryRegularFileThatMatchesOnceAndNothingElse)
{
    addDrive('C', "c");
    temp.makeFolder("c/.cache");
    temp.makeFolder("c/elsewhere");
    temp.writeFile("c/.hidden.tmp", "1");
    temp.writeFile("c/.cache/in-hidden-folder.tmp", "1");
    chmod(temp.writeFile("c/read-only.tmp", "1").c_str(), 0444);
    temp.writeFile(std::string("c/new\nline.tmp"), "1");
    temp.writeFile(std::string("c/bad-\xff\xfe-utf8.tmp"), "1");
    temp.writeFile("c/elsewhere/far.tmp", "1");
    ASSERT_EQ(mkfifo((temp / "c/fifo.tmp").c_str(), 0644), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = temp / "c/socket.tmp";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(symlink((temp / "c/elsewhere/far.tmp").c_str(), (temp / "c/link.tmp").c_str()), 0);
    ASSERT_EQ(symlink((temp / "c/elsewhere").c_str(), (temp / "c/linked-folder").c_str()), 0);
    // The same rule twice, once in another letter case.
    tickRule(kTmp);
    state.CSTM_TBL.setPatterns({"*.TMP", "*.tmp"});

    search();
    close(sock);

    EXPECT_EQ(rows(), (Strings{"c/.hidden.tmp", std::string("c/bad-\xff\xfe-utf8.tmp"),
                               std::string("c/new\nline.tmp"), "c/read-only.tmp",
                               "c/.cache/in-hidden-folder.tmp", "c/elsewhere/far.tmp"}));
}

TEST_F(SearchRun, NullAsThePatternListMatchesOnlyFilesNamedNull)
{
    addDrive('C', "c");
    for (const char* file : {"c/NULL", "c/null", "c/NULL.TXT", "c/x.tmp"})
        temp.writeFile(file, "1");
    search();
    EXPECT_EQ(rows(), (Strings{"c/NULL", "c/null"}));
}

TEST_F(SearchRun, StopAtAPumpEndsTheRunBeforeTheNextFolderAndKeepsWhatWasFound)
{
    addDrive('C', "c");
    addDrive('D', "d");
    for (const char* file :
         {"c/root.tmp", "c/a/1.tmp", "c/a/2.tmp", "c/a/deeper/3.tmp", "c/b/4.tmp", "d/5.tmp", "sp/6.tmp"}) {
        const std::string path(file);
        temp.makeFolder(path.substr(0, path.rfind('/')));
        temp.writeFile(path, "12");
    }
    setSpecialFolder(0, temp / "sp");
    tickRule(kTmp);
    std::size_t visibleAtPump = 0;
    host.onPump = [&] {
        visibleAtPump = results.size(); // the window has been told of every row so far
        EXPECT_EQ(results.pendingRows(), 0u);
        EXPECT_TRUE(host.button(Command::Stop).enabled);
        Command2_Click(state);
    };

    search();

    EXPECT_EQ(host.pumps(), 1);
    EXPECT_EQ(visibleAtPump, 3u);
    EXPECT_EQ(rows(), (Strings{"c/root.tmp", "c/a/1.tmp", "c/a/2.tmp"}));
    EXPECT_EQ(host.statusText(), "   Total wasted size : 6 byte(s) - 3 file(s).");
    EXPECT_TRUE(host.button(Command::Delete).enabled);
    EXPECT_FALSE(host.button(Command::Stop).enabled);
}

TEST_F(SearchRun, AFolderThatCannotBeEnteredIsSkippedWhole)
{
    addDrive('C', "c");
    test::openToEveryone(temp.path());
    for (const char* file : {"c/root.tmp", "c/a/1.tmp", "c/a/inner/2.tmp", "c/b/3.tmp"}) {
        const std::string path(file);
        temp.makeFolder(path.substr(0, path.rfind('/')));
        temp.writeFile(path, "1");
    }
    ASSERT_EQ(chmod((temp / "c/a").c_str(), 0), 0);
    tickRule(kTmp);

    const std::string found = test::runUnprivileged([this] {
        search();
        std::string out;
        for (const std::string& row : rows())
            out += row + "\n";
        return out;
    });

    EXPECT_EQ(found, "c/root.tmp\nc/b/3.tmp\n");
}

} // namespace
} // namespace dustrel
