// "/AUTO" as cron would start it: no display, settings, drives and temporary folder in one folder of its
// own, and a decoy folder outside it that a link inside points to.

#include "Machine.h"
#include "ProgramRun.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace dustrel::test {
namespace {

struct Settings
{
    std::string drives = "11";
    std::string logFile = "No";
    std::string installPath;
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
                                                          {"SaveParams", "Yes"}};
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
