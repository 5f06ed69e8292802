#include "scan/SearchRun.h"

#include "base/Text.h"
#include "support/FileSystemTestSupport.h"
#include "support/ScanFixture.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dustrel {
namespace {

using Strings = std::vector<std::string>;

constexpr std::size_t kBak = 0, kOld = 1, kTmp = 2;

class SearchRun : public test::ScanFixture, public ::testing::Test
{
protected:
    // `relative` in another letter case, the temporary folder's own part left as it is.
    std::string upperBelowTemp(const std::string& relative)
    {
        return toUpperAscii(temp / relative).replace(0, temp.path().size(), temp.path());
    }
};

TEST_F(SearchRun, ListsDrivesDepthFirstInNameOrderThenTheSpecialFoldersInTheirOrder)
{
    addDrive('C', "c");
    addDrive('D', "d");
    addDrive('E', "e", false);
    files({"c/x.tmp", "c/A.TMP", "c/a.tmp", "c/_.bak", "c/keep.txt", "c/B/y.bak", "c/a/z.tmp",
           "c/a/sub/w.old", "c/_z/v.tmp", "d/q.old", "e/unticked.tmp"},
          "12345");
    files({"sp0/any.txt", "sp0/NOEXT", "sp0/inner/not-listed.tmp", "sp1/unticked.tmp"});
    // No cache1: passed over.
    files({"ie/f1", "ie/cache2/f2", "ie/cache4/f4", "ie/cache4/deeper/no", "ie/cache5/no"});
    setSpecialFolder(0, temp / "sp0");
    setSpecialFolder(1, temp / "sp1", false);
    setSpecialFolder(4, temp / "ie");
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
    EXPECT_EQ(results.WASTED_SIZE(), 50);
    EXPECT_EQ(host.statusText(), "   Total wasted size : 50 byte(s) - 14 file(s).");
    // Search back as the default, Stop off, Delete on, the pointer back.
    const auto button = [&](Command command) {
        return std::make_pair(host.button(command).enabled, host.button(command).isDefault);
    };
    EXPECT_EQ(button(Command::Search), std::make_pair(true, true));
    EXPECT_EQ(button(Command::Stop), std::make_pair(false, false));
    EXPECT_TRUE(host.button(Command::Delete).enabled);
    EXPECT_EQ(host.pointer(), Pointer::Default);
    EXPECT_TRUE(state.SEARCHING); // stays true after a run that ends by itself

    host.onPump = nullptr;
    search(); // from an empty list and a zero total again
    EXPECT_EQ(results.size(), 14u);
    EXPECT_EQ(results.WASTED_SIZE(), 50);
}

TEST_F(SearchRun, ASelectedSpecialFolderMetOnTheWayIsListedOnceByItsOwnStep)
{
    addDrive('C', "c");
    files({"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/a.tmp", "c/Temp/plain.txt", "c/Temp/sub/b.tmp"});
    tickRule(kTmp);
    struct Case
    {
        std::string specialFolder;
        bool untickAtPump;
        Strings rows;
    };
    const Case cases[] = {
        {temp / "c/Temp",
         false,
         {"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/sub/b.tmp", "c/Temp/a.tmp", "c/Temp/plain.txt"}},
        // The walk takes the path as written: that folder does not exist, so its own step finds nothing.
        {upperBelowTemp("c/Temp"), false, {"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/sub/b.tmp"}},
        {temp / "c/", false, {"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/a.tmp", "c/Temp/sub/b.tmp"}},
        // Unticked while the walk is in c/Other: the ticks are read at every folder entered, so c/Temp is
        // then an ordinary folder.
        {temp / "c/Temp", true, {"c/Other/c.tmp", "c/Other/sub/d.tmp", "c/Temp/a.tmp", "c/Temp/sub/b.tmp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.specialFolder + (c.untickAtPump ? ", unticked at a pump" : ""));
        setSpecialFolder(0, c.specialFolder);
        host.onPump = [&] {
            if (c.untickAtPump)
                state.choices.setDirState(0, CheckState::Clear);
        };
        search();
        EXPECT_EQ(rows(), c.rows);
    }
}

TEST_F(SearchRun, TheIgnoreListAndTheProgramsOwnFileAreComparedWholeAndWithoutLetterCase)
{
    const std::string root = addDrive('C', "c");
    files({"c/r.tmp", "c/r2.tmp", "c/a/Mixed.TMP", "c/a/kept.tmp", "t/~DF1234.TMP", "t/other"});
    state.IGN_TBL.reset(temp / "t/~DF1234.TMP");
    state.IGN_TBL.setEntries({
        root + "r.tmp",                  // a root file: one separator
        root + "/r2.tmp",                // another text, but that very file
        upperBelowTemp("c/a/mixed.tmp"), // another case
        temp / "c/a",                    // a folder ignores nothing below
    });
    // The events log, in either place it may be written to, is the program's own file too.
    state.DTR_PATH = temp / "c/inst";
    fake.folders.state = temp / "c/state";
    files({"c/inst/DUSTREL.LOG", "c/state/dustrel/DUSTREL.LOG", "c/state/other.log"});
    state.CSTM_TBL.setPatterns({"*.LOG"});
    setSpecialFolder(0, temp / "t");
    tickRule(kTmp);
    search();
    EXPECT_EQ(rows(), (Strings{"c/a/kept.tmp", "c/state/other.log", "t/other"}));
}

TEST_F(SearchRun, ListsEveryRegularFileThatMatchesOnceAndNothingElse)
{
    addDrive('C', "c");
    files({"c/.hidden.tmp", "c/.cache/in-hidden-folder.tmp", "c/new\nline.tmp", "c/bad-\xff\xfe-utf8.tmp",
           "c/elsewhere/far.tmp", "c/NULL"});
    chmod(file("c/read-only.tmp").c_str(), 0444);
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

    EXPECT_EQ(rows(), (Strings{"c/.hidden.tmp", "c/bad-\xff\xfe-utf8.tmp", "c/new\nline.tmp",
                               "c/read-only.tmp", "c/.cache/in-hidden-folder.tmp", "c/elsewhere/far.tmp"}));

    // "NULL" stands for nothing chosen and matches nothing; as a pattern of the user's it is a name.
    state.choices.setFileState(kTmp, CheckState::Clear);
    file("c/null");
    file("c/NULL.TXT");
    for (const auto& [custom, expected] :
         {std::pair{Strings{}, Strings{}}, {{"NULL"}, {"c/NULL", "c/null"}}}) {
        state.CSTM_TBL.setPatterns(custom);
        search();
        EXPECT_EQ(rows(), expected);
    }
}

// A row names the first rule that matches: ticked file types in check-box order, then the custom
// patterns in order; a ticked special folder's files name the folder, whatever else they match.
TEST_F(SearchRun, EachRowNamesTheFirstRuleThatListedIt)
{
    addDrive('C', "c");
    const std::pair<const char*, const char*> expected[] = {
        {"c/x.bak", "*.BAK Files"},         // also the custom X*
        {"c/~x.tmp", "*.TMP Files"},        // also ~*.* of a later type
        {"c/~x.doc", "*.~* / ~*.* Files"},  // the second piece of its type
        {"c/y.bak.junk", "Custom: *.JUNK"}, // also the later custom Y*
        {"c/yes", "Custom: Y*"},            // the later custom alone
        {"c/MSCREATE.DIR", "MSCREATE.DIR Files"},
        {"c/tmp/z.bak", "Temporary Directory"}, // a special folder met on the walk
        {"ie/cache2/f", "MS Internet Explorer Cache Directory"},
    };
    for (const auto& [path, rule] : expected)
        file(path);
    setSpecialFolder(0, temp / "c/tmp");
    setSpecialFolder(4, temp / "ie");
    for (const std::size_t type : {kBak, kTmp, std::size_t{3}, std::size_t{17}})
        tickRule(type);
    state.CSTM_TBL.setPatterns({"*.JUNK", "X*", "Y*"});

    search();

    std::map<std::string, std::string> rules;
    for (std::size_t row = 0; row < results.size(); ++row)
        rules[rows()[row]] = results.rule(row);
    ASSERT_EQ(rules.size(), std::size(expected));
    for (const auto& [path, rule] : expected)
        EXPECT_EQ(rules[path], rule) << path;
}

TEST_F(SearchRun, StopAtAPumpEndsTheRunBeforeTheNextFolderAndKeepsWhatWasFound)
{
    addDrive('C', "c");
    addDrive('D', "d");
    files({"c/root.tmp", "c/a/1.tmp", "c/a/2.tmp", "c/a/deeper/3.tmp", "c/b/4.tmp", "d/5.tmp", "sp/6.tmp"},
          "12");
    setSpecialFolder(0, temp / "sp");
    tickRule(kTmp);
    std::size_t visibleAtPump = 0;
    host.button(Command::Delete).enabled = true; // from an earlier run
    host.onPump = [&] {
        visibleAtPump = results.size(); // the window has been told of every row so far
        EXPECT_EQ(results.pendingRows(), 0u);
        EXPECT_TRUE(host.button(Command::Stop).enabled);
        EXPECT_FALSE(host.button(Command::Delete).enabled) << "a half-built list must not be deletable";
        Command2_Click(state);
    };

    search();

    EXPECT_EQ(host.pumps(), 1);
    EXPECT_EQ(visibleAtPump, 3u);
    EXPECT_EQ(rows(), (Strings{"c/root.tmp", "c/a/1.tmp", "c/a/2.tmp"}));
    EXPECT_EQ(host.statusText(), "   Search stopped: Total wasted size : 6 byte(s) - 3 file(s).");
    EXPECT_TRUE(host.button(Command::Delete).enabled);
    EXPECT_FALSE(host.button(Command::Stop).enabled);
}

TEST_F(SearchRun, PassesOverWhatThePackageManagersOwnUnderAnyPath)
{
    addDrive('C', "c");
    // Merged /usr: the databases name c/lib, the walk sees c/usr/lib.
    files({"c/usr/lib/dpkg.tmp", "c/usr/lib/moved.old", "c/usr/lib/stray.tmp", "c/usr/lib/pacman.old",
           "c/usr/lib/backup.old", "c/usr/lib/rpm.tmp", "c/usr/lib/cache/index.dat", "c/usr/lib/cache/junk",
           "db/pacman/ALPM_DB_VERSION"});
    ASSERT_EQ(symlink("usr/lib", (temp / "c/lib").c_str()), 0);
    const std::string lib = temp / "c/lib/";
    file("db/dpkg/a:amd64.list", "/.\n" + lib + "\n" + lib + "dpkg.tmp\n" + lib + "cache/index.dat\n");
    file("db/dpkg/a:amd64.md5sums", lib + "stray.tmp\n");
    file("db/diversions", lib + "moved\n" + lib + "moved.old\na\n");
    file("db/pacman/theme-1.0-1/files", "%FILES%\nlib/\nlib/pacman.old\n\n%BACKUP%\nlib/backup.old\tabc\n");
    const std::string rpm =
        file("bin/rpm",
             "#!/bin/sh\n[ \"$*\" = '-qa --qf [%{FILENAMES}\\n]' ] || exit 2\necho " + lib + "rpm.tmp\n");
    ASSERT_EQ(chmod(rpm.c_str(), 0755), 0);
    const test::ScopedEnv path("PATH", (temp / "bin:/usr/bin:/bin").c_str());
    fake.packages = posix::PackageDatabases(
        {temp / "db/dpkg", temp / "db/diversions", temp / "db/pacman", temp / "c", "rpm"});
    setSpecialFolder(0, temp / "c/lib/cache");
    tickRule(kOld);
    tickRule(kTmp);

    search();
    EXPECT_EQ(rows(), (Strings{"c/usr/lib/backup.old", "c/usr/lib/stray.tmp", "c/lib/cache/junk"}));
    EXPECT_EQ(describeDatabases(fake.packages.ownedFiles({}).databases),
              "dpkg (1 package), pacman (1 package), rpm");
}

// A database present but not read completely: nobody knows what it owns, so the search lists nothing and
// says which database and why, within the time the query is given.
TEST_F(SearchRun, ListsNothingWhenAPackageDatabaseCannotBeReadCompletely)
{
    addDrive('C', "c");
    file("c/a.tmp");
    tickRule(kTmp);
    const auto sparse = [&](const std::string& path, off_t size) {
        ASSERT_EQ(truncate(file(path, "").c_str(), size), 0) << std::strerror(errno);
    };
    const struct
    {
        const char* rpm; // the script standing in for the command, if any
        std::function<void(const std::string& db)> layOut;
        std::string why;
    } cases[] = {
        {"exit 1", {}, "): ended with status 1"},
        {"exec >&-; exec sleep 30", {}, "): no answer within 1 second"},
        {"head -c 200000 /dev/zero", {}, "): a line longer than 4352 bytes"},
        {"yes /usr/share/a-path-long-enough-that-the-lines-are-few/x | head -c 2000000",
         {},
         "): more than 1048576 bytes of output"},
        {nullptr,
         [&](const std::string& db) { ASSERT_EQ(symlink("/nowhere", (temp / db + "/d/a.list").c_str()), 0); },
         "/d): a.list: Too many levels of symbolic links"},
        {nullptr, [&](const std::string& db) { sparse(db + "/d/a.list", off_t{64} << 30); },
         "/d): a.list: more than 1048576 bytes of records"},
        {nullptr, [&](const std::string& db) { sparse(db + "/d/a.list", 600000); },
         "/d): a.list: a line longer than 4352 bytes"},
        {nullptr, [&](const std::string& db) { temp.makeFolder(db + "/diversions"); },
         "/d): " + temp / "db7/diversions: not a regular file"},
        {nullptr, [&](const std::string& db) { temp.makeFolder(db + "/p/pkg-1.0-1"); },
         "/p): pkg-1.0-1/files: No such file or directory"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.why);
        const std::string db = "db" + std::to_string(i);
        posix::PackageDatabases::Locations locations = test::noPackageDatabases();
        locations.dpkgInfo = temp.makeFolder(db + "/d");
        locations.dpkgDiversions = temp / db + "/diversions";
        locations.pacmanLocal = temp.makeFolder(db + "/p");
        locations.rpmLimit = std::chrono::seconds(1);
        locations.recordLimits.databaseBytes = 1 << 20;
        if (c.rpm != nullptr) {
            locations.rpm = file(db + "/rpm", std::string("#!/bin/sh\n") + c.rpm + "\n");
            ASSERT_EQ(chmod(locations.rpm.c_str(), 0755), 0);
        } else {
            c.layOut(db);
        }
        fake.packages = posix::PackageDatabases(locations);
        const auto start = std::chrono::steady_clock::now();
        search();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        ASSERT_FALSE(searched.ok());
        EXPECT_THAT(searched.error().message, ::testing::HasSubstr(c.why));
        EXPECT_EQ(rows(), Strings{});
        EXPECT_EQ(host.statusText(), "   Total wasted size : 0 byte(s) - 0 file(s).");
    }
}

// The answer of unchanged records serves the next search; a package installed since, or an owned file
// replaced since, is seen at once.
TEST_F(SearchRun, ReusesThePackageRecordsOnlyWhileTheyStayUnchanged)
{
    addDrive('C', "c");
    const std::string a = file("c/a.tmp"), b = file("c/b.tmp");
    file("db/dpkg/a.list", a + "\n");
    posix::PackageDatabases::Locations locations = test::noPackageDatabases();
    locations.dpkgInfo = temp / "db/dpkg";
    locations.settledSeconds = 0;
    fake.packages = posix::PackageDatabases(locations);
    tickRule(kTmp);
    search();
    EXPECT_EQ(rows(), Strings{"c/b.tmp"});
    ASSERT_EQ(unlink(a.c_str()), 0);
    file("c/a.tmp");
    file("db/dpkg/b.list", b + "\n");
    search();
    EXPECT_EQ(rows(), Strings{});
}

TEST_F(SearchRun, AsAUserListsOnlyWhatTheUserMayDeleteAndNothingOfAFolderItCannotEnter)
{
    addDrive('C', "c");
    test::openToEveryone(temp.path());
    files({"c/own.tmp", "c/roots.tmp", "c/a/1.tmp", "c/a/inner/2.tmp", "c/b/3.tmp", "c/b/roots.tmp",
           "c/system/4.tmp", "c/tmp/mine.tmp", "c/tmp/mine.txt", "c/tmp/roots.tmp"});
    // The user's own tree, with a sticky folder of the user's, but for two folders of root's: an ordinary
    // one and a sticky one open to all, which is also the temporary folder.
    constexpr uid_t kNobody = 65534;
    for (const char* path : {"c", "c/own.tmp", "c/a", "c/a/1.tmp", "c/a/inner", "c/a/inner/2.tmp", "c/b",
                             "c/b/3.tmp", "c/tmp/mine.tmp", "c/tmp/mine.txt"})
        ASSERT_EQ(chown((temp / path).c_str(), kNobody, kNobody), 0) << path;
    ASSERT_EQ(chmod((temp / "c/tmp").c_str(), 01777), 0);
    ASSERT_EQ(chmod((temp / "c/b").c_str(), 01777), 0);
    ASSERT_EQ(chmod((temp / "c/a").c_str(), 0), 0);
    setSpecialFolder(0, temp / "c/tmp");
    tickRule(kTmp);

    // Root's file in the user's own folders may go; nothing in root's folder, nor root's file in the sticky
    // one, may.
    const Strings expected{"c/own.tmp",     "c/roots.tmp",    "c/b/3.tmp",
                           "c/b/roots.tmp", "c/tmp/mine.tmp", "c/tmp/mine.txt"};
    const int status = test::runAsNobody([&] {
        search();
        return rows() == expected ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    // Root may delete anything here, the user's files in the user's sticky folder too.
    search();
    EXPECT_EQ(rows(), (Strings{"c/own.tmp", "c/roots.tmp", "c/a/1.tmp", "c/a/inner/2.tmp", "c/b/3.tmp",
                               "c/b/roots.tmp", "c/system/4.tmp", "c/tmp/mine.tmp", "c/tmp/mine.txt",
                               "c/tmp/roots.tmp"}));
}

} // namespace
} // namespace dustrel
