// The installation as a user gets it: `cmake --install` into a prefix of the test's own, then the
// installed program run from there, by root as ./run.sh does and by a user who may not write in it.

#include "Machine.h"
#include "ProgramRun.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::test {
namespace {

// Installs this build under `prefix`; returns the installed executable.
std::string install(const Machine& machine, const std::string& prefix)
{
    const std::string command = "cmake --install '" + std::string(DUSTREL_BINARY_DIR) + "' --prefix '" +
                                prefix + "' > '" + (machine.folder / "install.log") + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readWholeFile(machine.folder / "install.log");
    return prefix + "/bin/dustrel";
}

TEST(Install, PutsTheProgramItsFolderTheDesktopEntryAndTheIconUnderThePrefix)
{
    Machine machine;
    const std::string prefix = machine.folder / "prefix";
    const std::string binary = install(machine, prefix);
    const std::string folder = prefix + "/share/dustrel";
    EXPECT_TRUE(exists(binary));
    EXPECT_NE(readWholeFile(folder + "/DUSTREL.HTML").find("<html"), std::string::npos);
    EXPECT_TRUE(exists(prefix + "/share/icons/hicolor/32x32/apps/dustrel.png"));
    const std::string entry = readWholeFile(prefix + "/share/applications/dustrel.desktop");
    for (const std::string& line :
         std::vector<std::string>{"[Desktop Entry]", "Type=Application", "Name=Dustrel", "Exec=" + binary,
                                  "Path=" + folder, "Icon=dustrel"})
        EXPECT_NE(entry.find(line + "\n"), std::string::npos) << line << "\nin\n" << entry;
    // The unattended run's service starts the very program installed.
    EXPECT_NE(readWholeFile(prefix + "/share/systemd/user/dustrel-auto.service")
                  .find("ExecStart=" + binary + " /AUTO\n"),
              std::string::npos);

    // The first run's defaults make the folder it starts in the installation folder.
    const ProgramResult run = runDustrel({"/REGINIT"}, machine.environment(), folder, 60, binary);
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_NE(readWholeFile(machine.settingsFile()).find("\"InstallPath\"=\"" + folder + "\"\n"),
              std::string::npos);
}

// A shared installation: root installs, an ordinary user cleans with the log option on. The log cannot go
// in the installation folder, so it goes in the user's own state folder, and the run still succeeds.
TEST(Install, AUserWhoMayNotWriteInTheInstallationFolderGetsTheEventsLogInTheirHome)
{
    Machine machine;
    machine.folder.makeFolder("disk-c/deep");
    const std::string junk = machine.folder.writeFile("disk-c/deep/OLD.BAK", "1");
    const std::string kept = machine.folder.writeFile("disk-c/notes.txt", "k");
    const std::string prefix = machine.folder / "prefix";
    const std::string folder = prefix + "/share/dustrel";
    machine.folder.writeFile("config/dustrel/HKEY_LOCAL_MACHINE.reg",
                             "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]\n"
                             "\"TypeOfFiles\"=\"1111111111111111111\"\n\"Directories\"=\"11111\"\n"
                             "\"Drives\"=\"11\"\n\"IgnoreNb\"=\"0\"\n\"CustomNb\"=\"0\"\n\"InstallPath\"=\"" +
                                 folder + "\"\n\"LogFile\"=\"Yes\"\n\"SaveParams\"=\"Yes\"\n");
    // Everything but the installation belongs to the user `nobody`.
    ASSERT_EQ(std::system(("chown -R 65534:65534 '" + machine.folder.path() + "'").c_str()), 0);
    const std::string binary = install(machine, prefix);

    const ProgramResult run =
        runDustrel({"--reuid=65534", "--regid=65534", "--clear-groups", binary, "/AUTO"},
                   machine.environment(), machine.folder / "home", 60, "/usr/bin/setpriv");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "Dustrel v2.1\nCleaned: 1 file(s), 1 byte(s).\n");
    EXPECT_FALSE(exists(junk));
    EXPECT_TRUE(exists(kept));
    EXPECT_FALSE(exists(folder + "/DUSTREL.LOG"));
    const std::string stateFolder = machine.folder / "home/.local/state/dustrel";
    const std::string log = readWholeFile(stateFolder + "/DUSTREL.LOG");
    EXPECT_NE(log.find("   -> Killing : " + junk + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Selected Files have been correctly killed.\r\n"), std::string::npos) << log;
    struct stat st
    {
    };
    ASSERT_EQ(stat(stateFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u) << "made by the user, not by root";
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}

} // namespace
} // namespace dustrel::test
