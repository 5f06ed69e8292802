#include "discovery/PublicVariables.h"

#include "platform/posix/owners/PackageDatabases.h"
#include "settings/Parameters.h"
#include "state/ProgramState.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>
#include <utime.h>

namespace dustrel {
namespace {

using test::FakePlatform;
using test::TempFolder;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr const char* kUsers = "SOFTWARE\\Netscape\\Netscape Navigator\\Users";

void setModified(const std::string& path, std::chrono::system_clock::time_point when)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    utimbuf times{seconds, seconds};
    ASSERT_EQ(utime(path.c_str(), &times), 0) << path;
}

TEST(SpecialFolders, RegistryFoldersLoseOneTrailingSeparator)
{
    FakePlatform fake;
    fake.registry.put(HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Recent",
                      "/home/u/Recent/");
    fake.registry.put(HKLM, kSettingsKey, "InstallPath", "/opt/dustrel");
    fake.registry.put(HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths",
                      "Directory", "/");
    fake.folders.temp = "/var/tmp/";
    fake.folders.windows = "/home/u";
    EXPECT_EQ(GetRecentFolder(fake.platform), "/home/u/Recent");
    EXPECT_EQ(GetInstallFolder(fake.platform), "/opt/dustrel");
    EXPECT_EQ(GetExplorerCache(fake.platform), "") << "a root loses its one separator";
    EXPECT_EQ(GetTempFolder(fake.platform), "/var/tmp");
    EXPECT_EQ(GetWindowsFolder(fake.platform), "/home/u");
    EXPECT_EQ(GetNavigatorCache(fake.platform), "");

    // The root as installation folder stays usable: its help page and events log have a place.
    for (const auto& [saved, folder] : {std::pair{"/", "/"}, {"//", "/"}, {"/opt/", "/opt"}, {"", ""}}) {
        fake.registry.put(HKLM, kSettingsKey, "InstallPath", saved);
        EXPECT_EQ(GetInstallFolder(fake.platform), folder) << saved;
    }

    fake.platform.pathRules = PathRules::windows();
    fake.folders.temp = "C:\\WINDOWS\\TEMP\\";
    EXPECT_EQ(GetTempFolder(fake.platform), "C:\\WINDOWS\\TEMP");
}

TEST(EventsLog, NeverGoesIntoAFolderAPackageInstalled)
{
    // Run as root, the installation folder is writable whoever installed it. "@" is the test's folder;
    // the expected folder of the log is empty for a refusal.
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"/usr\n/usr/share\n", true, "install"},
        {"@/install\n@/install/DUSTREL.HTML\n", true, "state/dustrel"},
        {"@/install/\n", true, "state/dustrel"},
        {"@/install/DUSTREL.HTML\n", true, "install"},
        {"@/install\n", false, ""}};
    for (const auto& [listed, stateFolder, expected] : cases) {
        TempFolder temp;
        FakePlatform fake;
        temp.makeFolder("install");
        temp.makeFolder("dpkg");
        std::string list = listed;
        for (std::size_t at; (at = list.find('@')) != std::string::npos;)
            list.replace(at, 1, temp.path());
        temp.writeFile("dpkg/dustrel.list", list);
        fake.packages =
            posix::PackageDatabases({temp / "dpkg", "/nonexistent", "/nonexistent", "/", "/nonexistent"});
        fake.folders.state = stateFolder ? temp.makeFolder("state") : "";
        const Result<std::string> place = GetEventsLogPath(fake.platform, temp / "install", true);
        EXPECT_EQ(place.ok() ? *place : "", expected.empty() ? "" : temp / (expected + "/DUSTREL.LOG"))
            << listed;
    }
}

TEST(SpecialFolders, CommunicatorCacheComesFromThePreferenceFileOfTheBrowserUser)
{
    TempFolder home;
    const std::string root = home.path();
    const std::string afterHugeLine =
        std::string(1 << 20, 'x') + "\nuser_pref(\"browser.cache.directory\", \"/big\");";
    const struct
    {
        const char* name;
        const char* prefs; // nullptr: no prefs.js at all
        std::string expected;
        int stored = 2; // CurrentUser, then DirRoot
    } cases[] = {
        {"unix path",
         "// Mozilla User Preferences\nuser_pref(\"browser.cache.directory\", \"/home/u/cache/\");\n",
         "/home/u/cache"},
        {"doubled backslashes",
         "user_pref(\"browser.cache.directory\", \"C:\\\\Program Files\\\\Cache\");\r\n",
         "C:\\Program Files\\Cache"},
        {"no key line", "user_pref(\"browser.startup.page\", 1);\n", root + "/Cache"},
        {"key in other case", "user_pref(\"Browser.Cache.Directory\", \"/x\");\nuser_pref(\"a\", 1);\n",
         root + "/Cache"},
        {"key line too short", "user_pref(\"browser.cache.directory\", \");", ""},
        {"no newline at end", "user_pref(\"browser.cache.directory\", \"/c\");", "/c"},
        {"after a huge line", afterHugeLine.c_str(), "/big"},
        {"empty file", "", root + "/Cache"},
        {"no file", nullptr, root + "/Cache"},
        {"no DirRoot", "user_pref(\"browser.cache.directory\", \"/c\");", "", 1},
        {"no CurrentUser", "user_pref(\"browser.cache.directory\", \"/c\");", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform fake;
        if (c.stored > 0)
            fake.registry.put(HKLM, kUsers, "CurrentUser", "default");
        if (c.stored > 1)
            fake.registry.put(HKLM, std::string(kUsers) + "\\default", "DirRoot", root);
        unlink((root + "/prefs.js").c_str());
        if (c.prefs != nullptr)
            home.writeFile("prefs.js", c.prefs);
        EXPECT_EQ(GetCommunicatorCache(fake.platform), c.expected);
    }
}

TEST(SpecialFolders, TempFileIsTheYoungestUnderTenSecondsElseTheFirstByName)
{
    TempFolder temp;
    FakePlatform fake;
    const auto now = fake.clock.time;
    using std::chrono::seconds;
    struct Case
    {
        const char* name;
        std::vector<std::pair<const char*, int>> files; // name, age in seconds
        std::string expected;
    };
    const Case cases[] = {
        {"3 and 7 seconds", {{"~DFB.TMP", 7}, {"~DFA.TMP", 3}}, "~DFA.TMP"},
        {"both old", {{"~DFB.TMP", 60}, {"~dfa.tmp", 30}}, "~dfa.tmp"},
        {"future first", {{"~DFA.TMP", 2}, {"~DFZ.TMP", -100}}, "~DFZ.TMP"},
        {"exactly ten is too old", {{"~DFA.TMP", 60}, {"~DFB.TMP", 10}}, "~DFA.TMP"},
        {"none", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::removeTree(temp / "t");
        temp.makeFolder("t");
        temp.writeFile("t/OTHER.TMP", "");
        temp.makeFolder("t/~DFDIR.TMP");
        for (const auto& [name, age] : c.files)
            setModified(temp.writeFile(std::string("t/") + name, ""), now - seconds(age));
        EXPECT_EQ(GetTempFile(fake.platform, temp / "t"), temp / "t" + "/" + c.expected);
    }
    EXPECT_EQ(GetTempFile(fake.platform, ""), "");
}

TEST(InitPublicVariables, FillsTheStateAndTracesEveryValue)
{
    TempFolder temp;
    FakePlatform fake;
    fake.folders.windows = "/home/u";
    fake.folders.temp = temp.path() + "/";
    fake.registry.put(HKLM, kSettingsKey, "InstallPath", "/opt/dustrel/");
    ProgramState state;
    state.CSTM_TBL.setPatterns({"*.X"});
    InitPublicVariables(state, fake.platform);

    EXPECT_EQ(state.DTR_PATH, "/opt/dustrel");
    EXPECT_EQ(state.IGN_TBL.slot(0), temp.path() + "/");
    const std::string lines[] = {"     ",
                                 "     --> Sub InitPublicVariables()",
                                 "          --> FILTRE = ",
                                 "          --> CSTM_TBL() = 0",
                                 "          --> WIN_PATH = /home/u",
                                 "          --> DTR_PATH = /opt/dustrel",
                                 "          --> DIRECTORIES(0) = " + temp.path(),
                                 "          --> DIRECTORIES(1) = ",
                                 "          --> DIRECTORIES(2) = ",
                                 "          --> DIRECTORIES(3) = ",
                                 "          --> DIRECTORIES(4) = ",
                                 "          --> TMP_FILE = IGN_TBL(0) = " + temp.path() + "/",
                                 "     --> End Sub InitPublicVariables()"};
    std::string expected;
    for (const std::string& line : lines)
        expected += line + "\r\n";
    EXPECT_EQ(state.trace.text(), expected);
}

TEST(InitPublicVariables, SpecialFoldersAreNamedWithoutLinksAndAreNeverTheRootOrTheHomeFolder)
{
    TempFolder temp;
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(temp.path().c_str(), resolved), nullptr);
    const std::string real = resolved;
    temp.makeFolder("home/tmp");
    ASSERT_EQ(symlink((temp / "home/tmp").c_str(), (temp / "link").c_str()), 0);
    const struct
    {
        std::string given, expected;
    } cases[] = {{"/./", ""},
                 {temp / "home/", ""},
                 {temp / "link/./", real + "/home/tmp"},
                 {"/no/such/folder/", "/no/such/folder"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        FakePlatform fake;
        fake.folders.windows = temp / "link/..";
        fake.folders.temp = c.given;
        ProgramState state;
        InitPublicVariables(state, fake.platform);
        EXPECT_EQ(state.DIRECTORIES[0], c.expected);
        EXPECT_EQ(state.trace.text().find("not used") != std::string::npos, c.expected.empty());
    }
}

} // namespace
} // namespace dustrel
