#include "ProgramRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dustrel::test {
namespace {

// A machine of its own for each run: settings, temporary folder and drives all inside one folder, and
// no display.
struct Machine
{
    Machine()
    {
        folder.makeFolder("home");
        folder.makeFolder("config/dustrel/drives");
        folder.makeFolder("tmp");
        folder.makeFolder("disk-c");
        folder.makeFolder("disk-d");
        folder.makeFolder("install");
        symlink((folder / "disk-c").c_str(), (folder / "config/dustrel/drives/c:").c_str());
        symlink((folder / "disk-d").c_str(), (folder / "config/dustrel/drives/d:").c_str());
    }

    std::map<std::string, std::string> environment() const
    {
        return {{"HOME", folder / "home"},
                {"XDG_CONFIG_HOME", folder / "config"},
                {"XDG_DATA_HOME", folder / "home/.local/share"},
                {"XDG_CACHE_HOME", folder / "home/.cache"},
                {"TMPDIR", folder / "tmp"},
                {"LC_ALL", "C"}};
    }

    std::string settingsFile() const { return folder / "config/dustrel/HKEY_LOCAL_MACHINE.reg"; }

    TempFolder folder;
};

bool exists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

TEST(CommandLine, ReginitInLowerCaseWritesEveryDefaultWithoutADisplay)
{
    Machine machine;
    const ProgramResult run = runDustrel({"/reginit"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "Dustrel v2.1\nRegistry initialised.\nDefault parameters set.\n");
    EXPECT_EQ(run.standardOutput, "");

    const std::string settings = readWholeFile(machine.settingsFile());
    EXPECT_EQ(settings.rfind("REGEDIT4\n", 0), 0u) << settings;
    const std::string install = machine.folder / "install";
    for (const std::string& line : std::vector<std::string>{
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]", "\"TypeOfFiles\"=\"1111111111111111111\"",
          "\"Directories\"=\"11111\"", "\"Drives\"=\"11\"", "\"IgnoreNb\"=\"0\"", "\"CustomNb\"=\"0\"",
          "\"InstallPath\"=\"" + install + "\"", "\"LogFile\"=\"No\"", "\"SaveParams\"=\"Yes\""}) {
        EXPECT_NE(settings.find(line + "\n"), std::string::npos) << line << "\nin\n" << settings;
    }
}

TEST(CommandLine, UnknownOrCombinedSwitchesAreRefusedWithStatusTwoAndNoSettings)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"/AUTO", "/NOSPLASH"}, {"AUTO"}, {"/auto "}, {"--help"}}) {
        SCOPED_TRACE(arguments[0]);
        Machine machine;
        const ProgramResult run = runDustrel(arguments, machine.environment(), machine.folder / "install");
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.standardError, "Dustrel v2.1\n"
                                     "Unknown parameter.\n"
                                     "Allowed parameters are : \n"
                                     "\t/AUTO : Automatic mode\n"
                                     "\t/DEBUG : Debug mode\n"
                                     "\t/NOSPLASH : Disable splash screen\n"
                                     "\t/REGINIT : Initialise registry\n");
        EXPECT_FALSE(exists(machine.folder / "config/dustrel/HKEY_LOCAL_MACHINE.reg"));
        EXPECT_FALSE(exists(machine.folder / "config/dustrel/HKEY_CURRENT_USER.reg"));
    }
}

} // namespace
} // namespace dustrel::test
