// "/AUTO" as cron would start it: no display, settings, drives and temporary folder in one folder of its
// own, and a decoy folder outside it that a link inside points to.

#include "Machine.h"
#include "ProgramRun.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

namespace dustrel::test {
namespace {

struct Settings
{
    std::string drives = "11";
    std::string logFile = "No";
    std::string installPath;
    std::string useTrash = "No";
};

void writeSettings(const Machine& machine, const Settings& settings)
{
    const std::string install =
        settings.installPath.empty() ? machine.folder / "install" : settings.installPath;
    const std::pair<std::string, std::string> values[] = {{"TypeOfFiles", "1111111111111111111"},
                                                          {"Directories", "11111"},
                                                          {"Drives", settings.drives},
                                                          {"IgnoreNb", "1"},
                                                          {"Ignore1", machine.folder / "disk-d/KEEP.BAK"},
                                                          {"CustomNb", "1"},
                                                          {"Custom1", "*.JUNK"},
                                                          {"InstallPath", install},
                                                          {"LogFile", settings.logFile},
                                                          {"SaveParams", "Yes"},
                                                          {"UseTrash", settings.useTrash}};
    std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]\n";
    for (const auto& [name, value] : values)
        text += "\"" + name + "\"=\"" + value + "\"\n";
    machine.folder.writeFile("config/dustrel/HKEY_LOCAL_MACHINE.reg", text);
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
    // A display that cannot be opened, as a stale cron or ssh environment names, is no display.
    std::map<std::string, std::string> environment = machine.environment();
    environment["DISPLAY"] = ":77";

    const ProgramResult run = runDustrel({"/auto"}, environment, machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(run.standardError, "");
    tree.expectRubbishGoneAndKeepersKept();
    EXPECT_FALSE(exists(machine.folder / "install/DUSTREL.LOG"));
    // An automatic pass saves nothing.
    EXPECT_EQ(readWholeFile(machine.settingsFile()), settingsBefore);
}

// A run started while another one cleans with the same settings (cron and a slow pass) ends at once.
TEST(AutoMode, ASecondRunWhileOneIsCleaningEndsWithStatusOneAndTouchesNothing)
{
    Machine machine;
    writeSettings(machine, {"11", "Yes", ""});
    Tree tree(machine);
    // This process stands in for the first run, holding what a run holds while it works.
    const int first = open((machine.folder / "config/dustrel").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(flock(first, LOCK_EX), 0);

    const ProgramResult second = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    close(first);
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.standardError, "Dustrel v2.1\nAnother automatic run is already cleaning with these "
                                    "settings.\nThis one ends without searching or deleting anything.\n");
    for (const std::string& path : tree.rubbish)
        EXPECT_TRUE(exists(path)) << path;
    EXPECT_FALSE(exists(machine.folder / "install/DUSTREL.LOG"));

    const ProgramResult after = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(after.exitStatus, 0) << after.standardError;
    tree.expectRubbishGoneAndKeepersKept();
}

// What a shell command prints on its standard output.
std::string outputOf(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// With the trash option, files on the home's file system go to the home trash, and those of other mounts
// to the trash at their mount point: a tmpfs as the temporary folder, a bind mount as drive D:. The
// desktop's own tools then list them and bring them back.
TEST(AutoMode, MovesTheFilesToTheTrashOfTheirMountWhereTheDesktopFindsThem)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "the kernel refuses a private mount namespace";
    Machine machine;
    const std::string tmp = machine.folder / "tmp", diskD = machine.folder / "disk-d";
    if (mount("tmpfs", tmp.c_str(), "tmpfs", 0, "mode=0755") != 0 ||
        mount(machine.folder.makeFolder("d-source").c_str(), diskD.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "the kernel refuses a tmpfs or a bind mount";
    const auto unmount = [](const char* p) { umount2(p, MNT_DETACH); };
    const std::unique_ptr<const char, decltype(unmount)> tmpMount(tmp.c_str(), unmount),
        dMount(diskD.c_str(), unmount);
    writeSettings(machine, {"11", "Yes", "", "Yes"});
    Tree tree(machine);
    tree.rubbish.push_back(machine.folder.writeFile("disk-d/two words 100%.JUNK", "restore me"));

    const ProgramResult run = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "");
    tree.expectRubbishGoneAndKeepersKept();
    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_NE(log.find("\r\n\r\nSelected Files have been moved to the trash.\r\n"), std::string::npos) << log;
    EXPECT_TRUE(exists(diskD + "/.Trash-0/files/notes.JUNK"));
    EXPECT_TRUE(exists(tmp + "/.Trash-0/files/session.dat"));
    EXPECT_TRUE(exists(machine.folder / "home/.local/share/Trash/files/OLD.BAK"));

    const std::string tools = "env -i PATH=/usr/bin:/bin HOME='" + machine.folder / "home" +
                              "' XDG_DATA_HOME='" + machine.folder / "home/.local/share" + "' ";
    const std::string listed = outputOf(tools + "trash-list");
    for (const std::string& path : tree.rubbish) {
        EXPECT_NE(log.find("   -> Moving to trash : " + path + "\r\n"), std::string::npos) << path;
        EXPECT_NE(listed.find(" " + path + "\n"), std::string::npos) << path << " in\n" << listed;
    }
    outputOf("echo 0 | " + tools + "trash-restore '" + tree.rubbish.back() + "'");
    EXPECT_EQ(readWholeFile(tree.rubbish.back()), "restore me");
}

// A file some process holds open stays and fails the run; the events log names every file tried, and no
// viewer is started on it without a display.
TEST(AutoMode, AFileInUseFailsTheRunWithStatusOneAndTheLogSaysSo)
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
    EXPECT_NE(log.find("Dustrel v2.1 - Events Log\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\n\r\n1 error(s) happened while killing selected files.\r\n"), std::string::npos)
        << log;
    for (const std::string& path : tree.rubbish)
        EXPECT_NE(log.find(path), std::string::npos) << path << "\n" << log;
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

} // namespace
} // namespace dustrel::test
