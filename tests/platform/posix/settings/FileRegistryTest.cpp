#include "platform/posix/settings/FileRegistry.h"

#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace dustrel::posix {
namespace {

using namespace std::string_literals;
using test::readWholeFile;
using test::TempFolder;

constexpr auto LM = RegistryRoot::LocalMachine;
constexpr auto CU = RegistryRoot::CurrentUser;
constexpr std::size_t kAny = static_cast<std::size_t>(-1);
const std::string kKey = "SOFTWARE\\Quorvane\\Dustrel";

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.' || std::string(entry->d_name).starts_with(".H"))
                names.emplace_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// 0 when there is nothing at the path.
unsigned modeOf(const std::string& path)
{
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

// Runs `body` in a child process; exitCodeOf waits for it.
pid_t spawn(const std::function<int()>& body)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return pid;
}

int exitCodeOf(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST(FileRegistry, ReadsMakeNothingAndTheFirstWriteMakesAPrivateFolder)
{
    TempFolder temp;
    const std::string folder = temp / "config/dustrel";
    FileRegistry registry(folder);
    EXPECT_FALSE(registry.keyExists(LM, kKey));
    EXPECT_EQ(registry.queryValue(LM, kKey, "TypeOfFiles", 255), std::nullopt);
    EXPECT_EQ(registry.setValue(LM, kKey, "TypeOfFiles", "1"), RegistryWrite::KeyMissing);
    EXPECT_EQ(modeOf(temp / "config"), 0u) << "nothing is made before a write";

    ASSERT_TRUE(registry.createKey(LM, kKey).ok());
    EXPECT_EQ(modeOf(temp / "config"), 0700u);
    EXPECT_EQ(modeOf(folder), 0700u);
    for (const char* level : {"SOFTWARE", "software\\quorvane", "SOFTWARE\\Quorvane\\Dustrel"})
        EXPECT_TRUE(registry.keyExists(LM, level)) << level;
    EXPECT_FALSE(registry.keyExists(CU, kKey));
    EXPECT_EQ(registry.setValue(LM, kKey, "TypeOfFiles", "0101"), RegistryWrite::Written);
    EXPECT_EQ(registry.setValue(LM, "", "AtTheRoot", "r"), RegistryWrite::Written);
    EXPECT_EQ(readWholeFile(registry.filePath(LM)), "REGEDIT4\n\n"
                                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane]\n\n"
                                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]\n"
                                                    "\"TypeOfFiles\"=\"0101\"\n\n"
                                                    "[HKEY_LOCAL_MACHINE]\n"
                                                    "\"AtTheRoot\"=\"r\"\n");
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"HKEY_LOCAL_MACHINE.reg"})
        << "no file for the other root";

    for (const char* bad : {"\\SOFTWARE", "SOFTWARE\\", "SOFTWARE\\\\Quorvane", "SOFT\nWARE"}) {
        EXPECT_FALSE(registry.createKey(LM, bad).ok()) << bad;
        EXPECT_FALSE(registry.keyExists(LM, bad)) << bad;
        EXPECT_EQ(registry.setValue(LM, bad, "x", "1"), RegistryWrite::KeyMissing) << bad;
    }
}

TEST(FileRegistry, NamesIgnoreLetterCaseAndValuesAreBytes)
{
    TempFolder temp;
    FileRegistry registry(temp.path());
    ASSERT_TRUE(registry.createKey(CU, "Software\\Q").ok());
    ASSERT_EQ(registry.setValue(CU, "Software\\Q", "IgnoreNb", "1"), RegistryWrite::Written);
    ASSERT_EQ(registry.setValue(CU, "SOFTWARE\\q", "IGNORENB", "2"), RegistryWrite::Written);
    const std::string bytes = "\0\x01\"\\\n\xFF\xC3\xA9 end"s;
    ASSERT_EQ(registry.setValue(CU, "Software\\Q", "Bytes", bytes), RegistryWrite::Written);
    const std::string file = readWholeFile(registry.filePath(CU));
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Q]\n\"IgnoreNb\"=\"2\"\n"), std::string::npos) << file;

    FileRegistry other(temp.path()); // reads the file, not the first one's memory
    EXPECT_EQ(other.queryValue(CU, "software\\Q", "ignorenb", 255), "2");
    EXPECT_EQ(other.queryValue(CU, "Software\\Q", "BYTES", 255), bytes);

    const struct
    {
        std::size_t size, capacity;
        bool read;
    } limits[] = {{255, 255, true}, {256, 255, false}, {256, 256, true}, {0, 0, true}, {1, 0, false}};
    for (const auto& limit : limits) {
        ASSERT_EQ(registry.setValue(CU, "Software\\Q", "Long", std::string(limit.size, 'x')),
                  RegistryWrite::Written);
        EXPECT_EQ(other.queryValue(CU, "Software\\Q", "Long", limit.capacity).has_value(), limit.read)
            << limit.size << " bytes read with room for " << limit.capacity;
    }
    EXPECT_EQ(other.queryValue(CU, "Software\\Q", "Missing", kAny), std::nullopt);
    EXPECT_EQ(other.queryValue(CU, "Software\\Missing", "IgnoreNb", kAny), std::nullopt);
}

TEST(FileRegistry, SeesChangesMadeByHandAndKeysKnownFromTheKeysBelow)
{
    TempFolder temp;
    FileRegistry registry(temp.path());
    const std::string path =
        temp.writeFile("HKEY_LOCAL_MACHINE.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"x\"=\"1\"\n");
    EXPECT_EQ(registry.queryValue(LM, "A\\B\\C", "x", 255), "1");
    temp.writeFile("HKEY_LOCAL_MACHINE.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"x\"=\"2\"\n");
    EXPECT_EQ(registry.queryValue(LM, "A\\B\\C", "x", 255), "2") << "same size, later time";

    EXPECT_TRUE(registry.keyExists(LM, "A\\B"));
    temp.writeFile(".HKEY_LOCAL_MACHINE.reg.x3Fq9Z", "left by a crash");
    EXPECT_EQ(registry.setValue(LM, "a\\b", "y", "3"), RegistryWrite::Written);
    EXPECT_EQ(namesIn(temp.path()), std::vector<std::string>{"HKEY_LOCAL_MACHINE.reg"});
    EXPECT_EQ(readWholeFile(path), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"x\"=\"2\"\n\n[HKEY_LOCAL_"
                                   "MACHINE\\a\\b]\n\"y\"=\"3\"\n");
}

TEST(FileRegistry, KeepsAFileItCannotReadBesideTheNewOne)
{
    const struct
    {
        const char* what;
        std::string content;
        off_t size; // made sparse to this size when not 0
    } cases[] = {
        {"binary",
         "REGEDIT4\n\x7F"
         "ELF\x02\x01\x01\0\0\0"s,
         0},
        {"oversized", "REGEDIT4\n", static_cast<off_t>(RegFile::kMaxFileSize) + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp;
        const std::string path = temp.writeFile("HKEY_LOCAL_MACHINE.reg", c.content);
        if (c.size != 0) {
            ASSERT_EQ(truncate(path.c_str(), c.size), 0);
        }
        FileRegistry registry(temp.path());
        EXPECT_FALSE(registry.keyExists(LM, kKey));
        EXPECT_EQ(registry.queryValue(LM, kKey, "IgnoreNb", kAny), std::nullopt);
        EXPECT_EQ(namesIn(temp.path()).size(), 1u) << "reads leave it alone";

        ASSERT_TRUE(registry.createKey(LM, kKey).ok());
        ASSERT_EQ(registry.setValue(LM, kKey, "IgnoreNb", "1"), RegistryWrite::Written);
        const std::vector<std::string> names = namesIn(temp.path());
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0], "HKEY_LOCAL_MACHINE.reg");
        EXPECT_TRUE(names[1].starts_with("HKEY_LOCAL_MACHINE.reg.corrupt-2")) << names[1];
        EXPECT_EQ(names[1].size(), std::string("HKEY_LOCAL_MACHINE.reg.corrupt-20261206T153000").size());
        if (c.size == 0) {
            EXPECT_EQ(readWholeFile(temp / names[1]), c.content);
        } else {
            struct stat st = {};
            ASSERT_EQ(::stat((temp / names[1]).c_str(), &st), 0);
            EXPECT_EQ(st.st_size, c.size);
        }
        ASSERT_TRUE(RegFile::parse(readWholeFile(path)).ok());
        EXPECT_EQ(FileRegistry(temp.path()).queryValue(LM, kKey, "IgnoreNb", 255), "1");

        // A second spoiled file within the same second gets a name of its own.
        temp.writeFile("HKEY_LOCAL_MACHINE.reg", "spoiled again");
        ASSERT_EQ(registry.setValue(LM, "", "x", "1"), RegistryWrite::Written);
        EXPECT_EQ(namesIn(temp.path()).size(), 3u);
    }
}

TEST(FileRegistry, AWriteTheSystemRefusesFailsAndLeavesTheFileAlone)
{
    for (const bool withLockFile : {false, true}) {
        SCOPED_TRACE(withLockFile ? "lock file there" : "no lock file");
        TempFolder temp;
        ASSERT_EQ(chmod(temp.path().c_str(), 0755), 0);
        const std::string folder = temp.makeFolder("dustrel");
        {
            FileRegistry owner(folder);
            ASSERT_TRUE(owner.createKey(LM, kKey).ok());
            ASSERT_EQ(owner.setValue(LM, kKey, "IgnoreNb", "7"), RegistryWrite::Written);
        }
        const std::string path = folder + "/HKEY_LOCAL_MACHINE.reg";
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
        if (!withLockFile) {
            ASSERT_EQ(unlink((folder + "/.lock").c_str()), 0);
        }
        const std::string before = readWholeFile(path);

        const int code = test::runAsNobody([&] {
            if (access(folder.c_str(), W_OK) == 0)
                return 11; // the folder must really refuse this process
            FileRegistry registry(folder);
            if (registry.queryValue(LM, kKey, "IgnoreNb", 255) != "7")
                return 12;
            if (registry.setValue(LM, kKey, "IgnoreNb", "8") != RegistryWrite::Failed)
                return 13;
            registry.beginBatch();
            if (registry.setValue(LM, kKey, "IgnoreNb", "9") != RegistryWrite::Written)
                return 14;
            if (registry.commitBatch().ok())
                return 15;
            return registry.queryValue(LM, kKey, "IgnoreNb", 255) == "7" ? 0 : 16;
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(readWholeFile(path), before);
        EXPECT_EQ(namesIn(folder), std::vector<std::string>{"HKEY_LOCAL_MACHINE.reg"})
            << "no temporary file left";
    }
}

TEST(FileRegistry, ABatchIsOneReplacementAndKeepsOtherTypesVerbatim)
{
    TempFolder temp;
    const std::string original =
        readWholeFile(std::string(DUSTREL_TEST_DATA) + "/reg/mswin-samples-sideshow-hex2-hex7.reg");
    const std::string path = temp.writeFile("HKEY_CURRENT_USER.reg", original);
    const std::string gadget =
        "Software\\Microsoft\\SideShow\\Gadgets\\{00BA1AD8-5381-449b-9A13-551FA4ADE0F2}";
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, temp.path().c_str(), IN_MOVED_TO), 0);
    auto replacements = [watch] {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(static_cast<void*>(at));
                count += std::string(event->name) == "HKEY_CURRENT_USER.reg" ? 1 : 100;
                at += sizeof(inotify_event) + event->len;
            }
        return count;
    };

    FileRegistry registry(temp.path());
    RegistryBatch batch(registry);
    ASSERT_TRUE(registry.createKey(CU, kKey).ok());
    constexpr int kValues = 20000;
    for (int i = 1; i <= kValues; ++i)
        ASSERT_EQ(
            registry.setValue(CU, kKey, "Ignore" + std::to_string(i), "/home/u/file" + std::to_string(i)),
            RegistryWrite::Written);
    EXPECT_EQ(registry.setValue(CU, gadget, "Title", "Pictures"), RegistryWrite::Written);
    EXPECT_EQ(registry.setValue(CU, "Software\\Nowhere", "x", "1"), RegistryWrite::KeyMissing);
    EXPECT_EQ(registry.queryValue(CU, kKey, "ignore77", 255), "/home/u/file77")
        << "the batch reads its writes";
    EXPECT_EQ(replacements(), 0) << "nothing written before the commit";
    ASSERT_TRUE(batch.commit().ok());
    EXPECT_EQ(replacements(), 1);
    close(watch);

    const std::string written = readWholeFile(path);
    const std::size_t endpoints = original.find("\"Endpoints\"");
    EXPECT_NE(written.find(original.substr(endpoints, original.find("\"OnlineOnly\"") - endpoints)),
              std::string::npos)
        << "values of other types are written back unchanged";
    FileRegistry fresh(temp.path());
    EXPECT_EQ(fresh.queryValue(CU, kKey, "Ignore20000", 255), "/home/u/file20000");
    EXPECT_EQ(fresh.queryValue(CU, gadget, "title", 255), "Pictures");
    const std::optional<std::string> held = fresh.queryValue(CU, gadget, "Endpoints", kAny);
    ASSERT_TRUE(held.has_value()) << "read as the bytes it holds, over its continued lines";
    EXPECT_TRUE(held->starts_with("{\0A\0"s) && held->ends_with("}\0\0\0\0\0"s));
}

// A scope left before its commit (a failure on the way) stores none of its writes.
TEST(FileRegistry, ABatchNeverCommittedStoresNothing)
{
    TempFolder temp;
    FileRegistry registry(temp.path());
    {
        RegistryBatch batch(registry);
        ASSERT_TRUE(registry.createKey(CU, kKey).ok());
        ASSERT_EQ(registry.setValue(CU, kKey, "IgnoreNb", "1"), RegistryWrite::Written);
    }
    EXPECT_FALSE(registry.keyExists(CU, kKey));
    EXPECT_EQ(namesIn(temp.path()), std::vector<std::string>{});
}

TEST(FileRegistry, ALinkedFileIsReplacedWhereItPointsAndNumberValuesRead)
{
    TempFolder temp;
    temp.makeFolder("dotfiles");
    const std::string target =
        temp.writeFile("dotfiles/machine.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + kKey +
                                                   "]\n\"IgnoreNb\"=dword:0000000A\n"
                                                   "\"Short\"=dword:1\n\"Top\"=DWORD:FfFfFfFf\n"
                                                   "\"Odd\"=dword:0000000g\n");
    const std::string link = temp.makeFolder("cfg") + "/HKEY_LOCAL_MACHINE.reg";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    FileRegistry registry(temp / "cfg");
    EXPECT_EQ(registry.queryNumber(LM, kKey, "ignorenb"), 10u);
    EXPECT_EQ(registry.queryNumber(LM, kKey, "Short"), std::nullopt);
    EXPECT_EQ(registry.queryNumber(LM, kKey, "Top"), 0xFFFFFFFFu);
    EXPECT_EQ(registry.queryNumber(LM, kKey, "Odd"), std::nullopt);
    EXPECT_EQ(registry.queryValue(LM, kKey, "IgnoreNb", kAny), "\x0A\0\0\0"s) << "the number's bytes";

    ASSERT_EQ(registry.setValue(LM, kKey, "SaveParams", "No"), RegistryWrite::Written);
    struct stat st = {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(readWholeFile(target).find("\"SaveParams\"=\"No\""), std::string::npos);
    EXPECT_EQ(namesIn(temp / "dotfiles"), std::vector<std::string>{"machine.reg"});
}

TEST(FileRegistry, ValuesOfOtherTypesReadAsTheBytesTheyHold)
{
    const struct
    {
        const char* data;
        std::optional<std::string> bytes;
    } cases[] = {
        {"hex(1):59,65,73,00", "Yes\0"s},
        {"hex:59,65,73", "Yes"s},
        {"HEX(2):41,\\\n  42", "AB"s},
        {"hex(7fffffff):0,ff", "\0\xFF"s},
        {"hex:", ""s},
        {"dword:00000001", "\x01\0\0\0"s},
        {"dword:12345678", "\x78\x56\x34\x12"s},
        {"hex:593", std::nullopt},
        {"hex:59,,65", std::nullopt},
        {"hex:59,", std::nullopt},
        {"hex(x):59", std::nullopt},
        {"hex():59", std::nullopt},
        {"dword:0000001", std::nullopt},
        {"dword:0000000g", std::nullopt},
    };
    TempFolder temp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        temp.writeFile("HKEY_LOCAL_MACHINE.reg",
                       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + kKey + "]\n\"V\"=" + c.data + "\n");
        FileRegistry registry(temp.path());
        EXPECT_EQ(registry.queryValue(LM, kKey, "V", kAny), c.bytes);
        if (c.bytes && !c.bytes->empty()) {
            EXPECT_EQ(registry.queryValue(LM, kKey, "V", c.bytes->size() - 1), std::nullopt) << "too long";
        }
    }
}

TEST(FileRegistry, TwoProcessesSavingAtOnceKeepEachOthersValues)
{
    TempFolder temp;
    const std::string folder = temp / "dustrel";
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    auto writer = [&](char process) {
        close(start[1]);
        char go;
        (void)!read(start[0], &go, 1); // both begin when the parent closes the pipe
        FileRegistry registry(folder);
        if (!registry.createKey(LM, kKey))
            return 1;
        for (int i = 1; i <= 500; ++i)
            if (registry.setValue(LM, kKey, process + std::to_string(i), std::to_string(i)) !=
                RegistryWrite::Written)
                return 1;
        return 0;
    };
    const pid_t a = spawn([&] { return writer('A'); });
    const pid_t b = spawn([&] { return writer('B'); });
    close(start[0]);
    close(start[1]);
    EXPECT_EQ(exitCodeOf(a), 0);
    EXPECT_EQ(exitCodeOf(b), 0);

    auto file = RegFile::parse(readWholeFile(folder + "/HKEY_LOCAL_MACHINE.reg"));
    ASSERT_TRUE(file.ok()) << file.error().describe();
    int values = 0;
    file->forEachValue("HKEY_LOCAL_MACHINE\\" + kKey, [&](const RegFile::Value&) { ++values; });
    EXPECT_EQ(values, 1000);
    for (const char* name : {"A1", "A500", "B1", "B500"})
        EXPECT_NE(file->findValue("HKEY_LOCAL_MACHINE\\" + kKey, name), nullptr) << name;
}

} // namespace
} // namespace dustrel::posix
