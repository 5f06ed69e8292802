// The installation as a user gets it: `cmake --install` into a prefix of the test's own, then the
// installed program writing its defaults from its installation folder, as ./run.sh does on a first run.

#include "Machine.h"
#include "ProgramRun.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace dustrel::test {
namespace {

TEST(Install, PutsTheProgramItsFolderTheDesktopEntryAndTheIconUnderThePrefix)
{
    Machine machine;
    const std::string prefix = machine.folder / "prefix";
    const std::string command = "cmake --install '" + std::string(DUSTREL_BINARY_DIR) + "' --prefix '" +
                                prefix + "' > '" + (machine.folder / "install.log") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readWholeFile(machine.folder / "install.log");

    const std::string binary = prefix + "/bin/dustrel";
    const std::string folder = prefix + "/share/dustrel";
    EXPECT_TRUE(exists(binary));
    EXPECT_NE(readWholeFile(folder + "/DUSTREL.HTML").find("<html"), std::string::npos);
    EXPECT_TRUE(exists(prefix + "/share/icons/hicolor/32x32/apps/dustrel.png"));
    const std::string entry = readWholeFile(prefix + "/share/applications/dustrel.desktop");
    for (const std::string& line :
         std::vector<std::string>{"[Desktop Entry]", "Type=Application", "Name=Dustrel", "Exec=" + binary,
                                  "Path=" + folder, "Icon=dustrel"})
        EXPECT_NE(entry.find(line + "\n"), std::string::npos) << line << "\nin\n" << entry;

    // The first run's defaults make the folder it starts in the installation folder.
    const ProgramResult run = runDustrel({"/REGINIT"}, machine.environment(), folder, 60, binary);
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_NE(readWholeFile(machine.settingsFile()).find("\"InstallPath\"=\"" + folder + "\"\n"),
              std::string::npos);
}

} // namespace
} // namespace dustrel::test
