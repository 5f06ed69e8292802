#include "platform/posix/processes/PosixProcesses.h"

#include "base/Text.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {
namespace {

using namespace std::chrono_literals;

// The desktop's opener, standing in for xdg-open: it notes what it was given, then does as told. Its
// statuses 3 and 4 are those of no program for the file's type.
TEST(PosixProcesses, AnOpenerThatFailsIsToldWithTheFileAndOneThatStaysIsNot)
{
    const struct
    {
        const char* then;
        const char* problem; // empty: the viewer counts as shown
    } cases[] = {
        {"exit 0", ""},
        {"exit 3", "no program to show it was found"},
        {"exit 4", "no program could show it"},
        {"sleep 3; exit 3", ""}, // still running after the wait: a viewer is showing it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.then);
        test::TempFolder folder;
        folder.makeFolder("bin");
        const std::string given = folder / "given";
        const std::string opener =
            folder.writeFile("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + given + ".part'; mv '" +
                                                 given + ".part' '" + given + "'\n" + c.then + "\n");
        ASSERT_EQ(chmod(opener.c_str(), 0755), 0);
        const test::ScopedEnv path("PATH", (folder / "bin:" + std::getenv("PATH")).c_str());
        const std::string file = folder.writeFile("two words.html", "x");

        PosixProcesses processes(300ms);
        const Result<void> opened = processes.openPageAt(file, "topic-3");
        EXPECT_EQ(opened.ok(), *c.problem == '\0');
        if (!opened) {
            EXPECT_NE(opened.error().message.find(c.problem), std::string::npos) << opened.error().message;
            EXPECT_EQ(opened.error().path, file);
        }
        for (int tries = 0; tries < 100 && !test::exists(given); ++tries)
            usleep(10'000);
        EXPECT_EQ(test::readWholeFile(given), "file://" + percentEncodePath(file) + "#topic-3");
    }
}

} // namespace
} // namespace dustrel::posix
