#include "platform/posix/session/PosixSystemFolders.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace dustrel::test {
namespace {

TEST(SystemFolders, TheInstalledFolderIsTheOneWithTheHelpPageBesideTheExecutablesFolder)
{
    TempFolder temp;
    temp.makeFolder("usr/share/dustrel");
    temp.writeFile("usr/share/dustrel/DUSTREL.HTML", "<html>");
    temp.makeFolder("build/share/dustrel");
    const struct
    {
        std::string executable;
        std::string folder;
    } cases[] = {
        {temp / "usr/bin/dustrel", temp / "usr/share/dustrel"},
        {temp / "build/bin/dustrel", ""}, // a build: no help page there
        {"/dustrel", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(posix::installedFolderOf(c.executable), c.folder) << c.executable;
}

} // namespace
} // namespace dustrel::test
