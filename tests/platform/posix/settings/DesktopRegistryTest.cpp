#include "platform/posix/settings/DesktopRegistry.h"

#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace dustrel::test {
namespace {

using posix::DesktopRegistry;

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
constexpr const char* shellFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* navigatorCache = "SOFTWARE\\Netscape\\Netscape Navigator\\Cache";
constexpr const char* users = "SOFTWARE\\Netscape\\Netscape Navigator\\Users";
constexpr const char* explorerCache =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths";

class DesktopRegistryTest : public ::testing::Test
{
protected:
    std::optional<std::string> query(RegistryRoot root, const std::string& key, const char* value,
                                     std::size_t capacity = 255)
    {
        return registry.queryValue(root, key, value, capacity);
    }
    void profilesIni(const std::string& text)
    {
        temp.makeFolder("home/.mozilla/firefox");
        temp.writeFile("home/.mozilla/firefox/profiles.ini", text);
    }

    TempFolder temp;
    FakeRegistry store;
    DesktopRegistry registry{store, posix::DesktopFolders{temp / "home", temp / "data", temp / "cache"}};
};

TEST_F(DesktopRegistryTest, RecentDocumentsOnlyWhenTheFolderExistsAndTheStoreAlwaysWins)
{
    EXPECT_FALSE(query(HKCU, shellFolders, "Recent"));
    EXPECT_FALSE(registry.keyExists(HKCU, shellFolders));
    const std::string recent = temp.makeFolder("data/RecentDocuments");
    EXPECT_EQ(query(HKCU, shellFolders, "Recent"), recent);
    EXPECT_EQ(query(HKCU, "software\\MICROSOFT\\windows\\CurrentVersion\\Explorer\\shell folders", "RECENT"),
              recent);
    EXPECT_TRUE(registry.keyExists(HKCU, shellFolders));
    EXPECT_FALSE(query(HKLM, shellFolders, "Recent"));
    EXPECT_FALSE(query(HKCU, shellFolders, "Desktop"));
    EXPECT_FALSE(query(HKCU, shellFolders, "Recent", recent.size() - 1)) << "too long for the caller";

    store.put(HKCU, shellFolders, "Recent", "/stored");
    EXPECT_EQ(query(HKCU, shellFolders, "Recent"), "/stored");
    store.put(HKCU, shellFolders, "Recent", std::string(300, 'x'));
    EXPECT_FALSE(query(HKCU, shellFolders, "Recent")) << "a stored value too long still hides the desktop's";
    EXPECT_EQ(query(HKCU, shellFolders, "Recent", 300), std::string(300, 'x'));
}

TEST_F(DesktopRegistryTest, EverythingElseGoesToTheStore)
{
    EXPECT_EQ(registry.setValue(HKLM, "SOFTWARE\\Quorvane\\Dustrel", "Drives", "1"),
              RegistryWrite::KeyMissing);
    ASSERT_TRUE(registry.createKey(HKLM, "SOFTWARE\\Quorvane\\Dustrel").ok());
    EXPECT_EQ(registry.setValue(HKLM, "SOFTWARE\\Quorvane\\Dustrel", "Drives", "10"), RegistryWrite::Written);
    EXPECT_EQ(query(HKLM, "SOFTWARE\\Quorvane\\Dustrel", "drives"), "10");
    EXPECT_FALSE(query(HKLM, "SOFTWARE\\Quorvane\\Dustrel", "drives", 1));
    EXPECT_TRUE(registry.keyExists(HKLM, "SOFTWARE\\Quorvane"));
}

TEST_F(DesktopRegistryTest, BrowserCaches)
{
    EXPECT_FALSE(query(HKLM, explorerCache, "Directory"));
    const std::string chrome = temp.makeFolder("cache/google-chrome/Default/Cache/Cache_Data");
    EXPECT_EQ(query(HKLM, explorerCache, "Directory"), chrome);
    const std::string chromium = temp.makeFolder("cache/chromium/Default/Cache/Cache_Data");
    EXPECT_EQ(query(HKLM, explorerCache, "Directory"), chromium);
    EXPECT_TRUE(registry.keyExists(HKLM, explorerCache));

    profilesIni("[Profile0]\nName=default\nIsRelative=1\nPath=ab12.default\nDefault=1\n");
    EXPECT_FALSE(query(HKCU, navigatorCache, "Cache dir"));
    const std::string entries = temp.makeFolder("cache/mozilla/firefox/ab12.default/cache2/entries");
    EXPECT_EQ(query(HKCU, navigatorCache, "cache DIR"), entries);
}

TEST_F(DesktopRegistryTest, TheBrowserUserAndItsFolder)
{
    EXPECT_FALSE(query(HKLM, users, "CurrentUser"));
    EXPECT_FALSE(registry.keyExists(HKLM, users));
    // A comment line of a megabyte must not hide the profiles after it.
    profilesIni("# " + std::string(1 << 20, 'c') +
                "\r\n[Profile0]\r\nName=Work\r\nIsRelative=1\r\nPath=w.work\r\n");
    EXPECT_EQ(query(HKLM, users, "CurrentUser"), "Work");
    EXPECT_EQ(query(HKLM, std::string(users) + "\\work", "DirRoot"), temp / "home/.mozilla/firefox/w.work");
    EXPECT_FALSE(query(HKLM, std::string(users) + "\\Other", "DirRoot"));
    EXPECT_TRUE(registry.keyExists(HKLM, users));
    EXPECT_TRUE(registry.keyExists(HKLM, std::string(users) + "\\WORK"));
    EXPECT_FALSE(registry.keyExists(HKLM, std::string(users) + "\\Other"));
}

TEST(MozillaProfiles, TheDefaultProfile)
{
    const struct
    {
        const char* what;
        std::string ini;
        std::string profile; // "name folder", or "none"
    } cases[] = {
        {"installation's choice wins",
         "[Profile1]\nName=a\nIsRelative=1\nPath=a.a\nDefault=1\n[Profile0]\nName=b\nIsRelative=1\nPath=b.b\n"
         "[Install4F96D1932A9F858E]\nDefault=b.b\nLocked=1\n",
         "b /ff/b.b"},
        {"installation's choice names no profile",
         "[Install1]\nDefault=gone\n[Profile0]\nName=a\nPath=a.a\n[Profile1]\nName=b\nPath=b.b\nDefault=1\n",
         "b /ff/b.b"},
        {"flagged default", "[Profile0]\nName=a\nPath=a.a\n[Profile1]\nName=b\nPath=b.b\nDefault=1\n",
         "b /ff/b.b"},
        {"the only profile",
         "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=a\nIsRelative=1\nPath=a.a/\n", "a /ff/a.a"},
        {"two profiles, none chosen", "[Profile0]\nName=a\nPath=a.a\n[Profile1]\nName=b\nPath=b.b\n", "none"},
        {"absolute path", "[Profile0]\nName=abs\nIsRelative=0\nPath=/srv/p\n", "abs /srv/p"},
        {"profile without a name", "[Profile0]\nPath=x.x\nDefault=1\n[Profile1]\nName=b\nPath=b.b\n",
         "b /ff/b.b"},
        {"BOM, CRLF, comments and blanks",
         "\xEF\xBB\xBF; c\r\n# c\r\n [Profile0] \r\n Name = Sp ace \r\nPath=s.s\r\n", "Sp ace /ff/s.s"},
        {"keys of a broken header stay out of the section before",
         "[Profile0]\nName=a\nPath=a.a\n[Profile1\nDefault=1\nName=b\n", "a /ff/a.a"},
        {"keys before any section", "Name=x\nPath=y\n", "none"},
        {"not a profile section", "[ProfileX]\nName=a\nPath=a.a\n", "none"},
        {"empty", "", "none"},
    };
    for (const auto& c : cases) {
        const auto profile = posix::defaultMozillaProfile(c.ini, "/ff");
        EXPECT_EQ(profile ? profile->name + " " + profile->folder : "none", c.profile) << c.what;
    }
}

} // namespace
} // namespace dustrel::test
