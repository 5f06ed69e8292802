// "/AUTO" as cron would start it: no display, settings, drives and temporary folder in one folder of its
// own, and a decoy folder outside it that a link inside points to.

#include "Machine.h"
#include "ProgramRun.h"

#include <cstdlib>
#include <fcntl.h>
#include <glob.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::test {
namespace {

struct Settings
{
    std::string drives = "11";
    std::string logFile = "No";
    std::string installPath;
    std::string types = "1111111111111111111";
};

void writeSettings(const Machine& machine, const Settings& settings)
{
    const std::string install =
        settings.installPath.empty() ? machine.folder / "install" : settings.installPath;
    machine.folder.writeFile("config/dustrel/HKEY_LOCAL_MACHINE.reg",
                             "REGEDIT4\n\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]\n"
                             "\"TypeOfFiles\"=\"" +
                                 settings.types +
                                 "\"\n"
                                 "\"Directories\"=\"11111\"\n"
                                 "\"Drives\"=\"" +
                                 settings.drives +
                                 "\"\n"
                                 "\"IgnoreNb\"=\"1\"\n"
                                 "\"Ignore1\"=\"" +
                                 machine.folder / "disk-d/KEEP.BAK" +
                                 "\"\n"
                                 "\"CustomNb\"=\"1\"\n"
                                 "\"Custom1\"=\"*.JUNK\"\n"
                                 "\"InstallPath\"=\"" +
                                 install + "\"\n\"LogFile\"=\"" + settings.logFile +
                                 "\"\n\"SaveParams\"=\"Yes\"\n");
}

// Rubbish and keepers on both drives and in the temporary folder, and a decoy outside the machine that
// a folder link on C: points to.
struct Tree
{
    explicit Tree(Machine& m) : machine(m)
    {
        machine.folder.makeFolder("disk-c/a/b");
        rubbish = {machine.folder.writeFile("disk-c/OLD.BAK", "1"),
                   machine.folder.writeFile("disk-c/a/b/~WRL0001.TMP", "22"),
                   machine.folder.writeFile("disk-d/notes.JUNK", "333"),
                   machine.folder.writeFile("tmp/session.dat", "4444")};
        keepers = {machine.folder.writeFile("disk-c/report.txt", "k"),
                   machine.folder.writeFile("disk-d/KEEP.BAK", "k"), decoy.writeFile("OUTSIDE.BAK", "k")};
        symlink(decoy.path().c_str(), (machine.folder / "disk-c/link").c_str());
    }

    void expectRubbishGoneAndKeepersKept() const
    {
        for (const std::string& path : rubbish)
            EXPECT_FALSE(exists(path)) << path;
        for (const std::string& path : keepers)
            EXPECT_TRUE(exists(path)) << path;
        EXPECT_TRUE(exists(machine.folder / "disk-c/link"));
    }

    Machine& machine;
    TempFolder decoy;
    std::vector<std::string> rubbish;
    std::vector<std::string> keepers;
};

TEST(AutoMode, DeletesTheSavedChoicesSilentlyAndTouchesNothingOutside)
{
    Machine machine;
    writeSettings(machine, {});
    Tree tree(machine);
    const std::string settingsBefore = readWholeFile(machine.settingsFile());

    const ProgramResult run = runDustrel({"/auto"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(run.standardError, "");
    tree.expectRubbishGoneAndKeepersKept();
    EXPECT_FALSE(exists(machine.folder / "install/DUSTREL.LOG"));
    // An automatic pass saves nothing.
    EXPECT_EQ(readWholeFile(machine.settingsFile()), settingsBefore);
}

TEST(AutoMode, WritesTheEventsLogWhenAskedAndStartsNoViewerWithoutADisplay)
{
    Machine machine;
    writeSettings(machine, {"11", "Yes", ""});
    Tree tree(machine);

    const ProgramResult run = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(run.standardError, "");
    tree.expectRubbishGoneAndKeepersKept();

    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_NE(log.find("Dustrel v2.1 - Events Log\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\n\r\nSelected Files have been correctly killed.\r\n"), std::string::npos) << log;
    for (const std::string& path : tree.rubbish)
        EXPECT_NE(log.find(path), std::string::npos) << path << "\n" << log;
}

TEST(AutoMode, AFileInUseFailsTheRunWithStatusOne)
{
    Machine machine;
    writeSettings(machine, {"11", "Yes", ""});
    Tree tree(machine);
    const std::string held = machine.folder.writeFile("disk-d/HELD.TMP", "held");
    const int fd = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    const ProgramResult run = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    close(fd);
    EXPECT_EQ(run.exitStatus, 1) << run.standardError;
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_TRUE(exists(held));
    tree.expectRubbishGoneAndKeepersKept();
    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_NE(log.find("1 error(s) happened while killing selected files."), std::string::npos) << log;
}

TEST(AutoMode, ALogThatCannotBeCreatedIsReportedAndTheFilesStillGo)
{
    Machine machine;
    writeSettings(machine, {"11", "Yes", machine.folder / "missing"});
    Tree tree(machine);

    const ProgramResult run = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_NE(run.standardError.find(machine.folder / "missing/DUSTREL.LOG"), std::string::npos)
        << run.standardError;
    tree.expectRubbishGoneAndKeepersKept();
}

TEST(AutoMode, NoDriveTickedStillEmptiesTheTickedSpecialFolders)
{
    Machine machine;
    writeSettings(machine, {"00", "No", ""});
    Tree tree(machine);

    const ProgramResult run = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_FALSE(exists(machine.folder / "tmp/session.dat"));
    EXPECT_TRUE(exists(machine.folder / "disk-c/OLD.BAK"));
    EXPECT_TRUE(exists(machine.folder / "disk-d/notes.JUNK"));
}

TEST(AutoMode, WithoutSavedChoicesCleansNothingAndFails)
{
    Machine machine;
    Tree tree(machine);

    const ProgramResult run = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.standardError.find("No parameters have been saved yet"), std::string::npos)
        << run.standardError;
    for (const std::string& path : tree.rubbish)
        EXPECT_TRUE(exists(path)) << path;
    EXPECT_FALSE(exists(machine.settingsFile()));
}

// Paths matching a shell pattern.
std::vector<std::string> matching(const std::string& pattern)
{
    std::vector<std::string> paths;
    glob_t found{};
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i)
            paths.emplace_back(found.gl_pathv[i]);
    }
    globfree(&found);
    return paths;
}

// Drive C: is the system's library folder, read-only in a mount namespace of the run's own, as the root
// file system is to a cleaner run as root: the package's check files match *.CHK but are never listed.
TEST(AutoMode, AsRootListsNothingThatInstalledPackagesOwn)
{
    const std::string system = "/usr/lib/x86_64-linux-gnu";
    const std::vector<std::string> owned = matching(system + "/*.chk");
    if (geteuid() != 0 || std::system("unshare -m true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the kernel refuses a private mount namespace here";
    ASSERT_FALSE(owned.empty()) << "no *.chk file in " << system
                                << " (scripts/install-deps.sh test adds libnss3)";
    Machine machine;
    writeSettings(machine, {"11", "Yes", "", "0100000001000000000"});
    const std::vector<std::string> rubbish = {machine.folder.writeFile("disk-d/z.chk", "z"),
                                              machine.folder.writeFile("disk-d/y.old", "y")};

    const std::string script = "mount --bind -o ro \"$1\" \"$2\" && exec \"$3\" /AUTO";
    const ProgramResult run =
        runDustrel({"-m", "--propagation", "private", "/bin/sh", "-c", script, "sh", system,
                    machine.folder / "disk-c", DUSTREL_EXECUTABLE},
                   machine.environment(), machine.folder / "install", 120, "/usr/bin/unshare");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    for (const std::string& path : rubbish)
        EXPECT_FALSE(exists(path)) << path;
    for (const std::string& path : owned)
        EXPECT_TRUE(exists(path)) << path;
    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_EQ(log.find(machine.folder / "disk-c"), std::string::npos) << log;
    EXPECT_NE(log.find("Total wasted size : 2 byte(s) - 2 file(s)."), std::string::npos) << log;
}

// Run by a user from cron, a pass deletes the user's own rubbish and lists nothing the user may not delete,
// so that its status says whether the user's cleaning worked.
TEST(AutoMode, AsAUserListsOnlyWhatTheUserMayDeleteAndSucceeds)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "setting up another user's files needs root";
    constexpr uid_t kUser = 65534;
    Machine machine;
    writeSettings(machine, {"10", "Yes", ""});
    ASSERT_EQ(std::system(("chown -R 65534:65534 " + machine.folder.path()).c_str()), 0);
    ASSERT_EQ(chmod(machine.folder.path().c_str(), 0755), 0);
    machine.folder.makeFolder("disk-c/system");
    machine.folder.makeFolder("disk-c/shared");
    ASSERT_EQ(chmod((machine.folder / "disk-c/shared").c_str(), 01777), 0);
    machine.folder.makeFolder("disk-c/mine");
    ASSERT_EQ(chown((machine.folder / "disk-c/mine").c_str(), kUser, kUser), 0);
    const std::vector<std::string> roots = {machine.folder.writeFile("disk-c/system/a.bak", "1"),
                                            machine.folder.writeFile("disk-c/shared/b.bak", "1")};
    const std::vector<std::string> own = {machine.folder.writeFile("disk-c/shared/c.bak", "1"),
                                          machine.folder.writeFile("disk-c/mine/d.bak", "1")};
    for (const std::string& path : own)
        ASSERT_EQ(chown(path.c_str(), kUser, kUser), 0);

    const ProgramResult run =
        runDustrel({"--reuid=65534", "--regid=65534", "--clear-groups", DUSTREL_EXECUTABLE, "/AUTO"},
                   machine.environment(), machine.folder / "install", 60, "/usr/bin/setpriv");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    for (const std::string& path : own)
        EXPECT_FALSE(exists(path)) << path;
    for (const std::string& path : roots)
        EXPECT_TRUE(exists(path)) << path;
    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_NE(log.find("Total wasted size : 2 byte(s) - 2 file(s)."), std::string::npos) << log;
}

} // namespace
} // namespace dustrel::test
