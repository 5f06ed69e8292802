#include "Machine.h"
#include "ProgramRun.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace dustrel::test {
namespace {

// An empty DISPLAY names no display; ":77" names one that cannot be opened, as a stale variable in a cron,
// ssh or tmux environment does. Neither may stop the run.
TEST(CommandLine, ReginitInLowerCaseWritesEveryDefaultWithAnEmptyOrADeadDisplay)
{
    for (const char* display : {"", ":77"}) {
        SCOPED_TRACE(display);
        Machine machine;
        std::map<std::string, std::string> environment = machine.environment();
        environment["DISPLAY"] = display;
        const ProgramResult run = runDustrel({"/reginit"}, environment, machine.folder / "install");
        EXPECT_EQ(run.exitStatus, 0) << run.standardError;
        EXPECT_EQ(run.standardError, "Dustrel v2.1\nRegistry initialised.\nDefault parameters set.\n");
        EXPECT_EQ(run.standardOutput, "");

        const std::string settings = readWholeFile(machine.settingsFile());
        EXPECT_EQ(settings.rfind("REGEDIT4\n", 0), 0u) << settings;
        const std::string install = machine.folder / "install";
        for (const std::string& line : std::vector<std::string>{
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]",
                 "\"TypeOfFiles\"=\"1111111010111011010\"", "\"Directories\"=\"11111\"", "\"Drives\"=\"11\"",
                 "\"IgnoreNb\"=\"0\"", "\"CustomNb\"=\"0\"", "\"InstallPath\"=\"" + install + "\"",
                 "\"LogFile\"=\"No\"", "\"SaveParams\"=\"Yes\"", "\"UseTrash\"=\"No\"",
                 "\"TempMinAge\"=\"24\""}) {
            EXPECT_NE(settings.find(line + "\n"), std::string::npos) << line << "\nin\n" << settings;
        }
    }
}

// Anything but a regular file under the settings store's lock name (a FIFO would wait for a writer for
// ever) is refused, and the run ends.
TEST(CommandLine, ReginitRefusesALockThatIsNotARegularFileInsteadOfHanging)
{
    Machine machine;
    ASSERT_EQ(mkfifo((machine.folder / "config/dustrel/.lock").c_str(), 0600), 0);
    const ProgramResult run = runDustrel({"/REGINIT"}, machine.environment(), machine.folder / "install", 20);
    EXPECT_EQ(run.exitStatus, 1) << run.standardError;
    EXPECT_NE(run.standardError.find("The default parameters could not be written."), std::string::npos)
        << run.standardError;
    EXPECT_FALSE(exists(machine.settingsFile()));
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

TEST(CommandLine, WindowModesWithoutADisplayEndAtOnceInsteadOfWaitingUnseen)
{
    for (const std::string argument : {"", "/nosplash", "/DEBUG"})
        for (const char* display : {"", ":77"}) {
            SCOPED_TRACE(argument + " DISPLAY=" + display);
            Machine machine;
            std::map<std::string, std::string> environment = machine.environment();
            environment["DISPLAY"] = display;
            const std::vector<std::string> arguments =
                argument.empty() ? std::vector<std::string>{} : std::vector<std::string>{argument};
            const ProgramResult run = runDustrel(arguments, environment, machine.folder / "install", 20);
            EXPECT_EQ(run.exitStatus, 1);
            EXPECT_NE(run.standardError.find("Without one, use /AUTO or /REGINIT."), std::string::npos)
                << run.standardError;
            EXPECT_EQ(run.standardOutput, "");
        }
}

} // namespace
} // namespace dustrel::test
