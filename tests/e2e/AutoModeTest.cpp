// "/AUTO" as cron would start it: no display, settings, drives and temporary folder in one folder of its
// own, and a decoy folder outside it that a link inside points to.

#include "Machine.h"
#include "ProgramRun.h"
#include "support/FileSystemTestSupport.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <glob.h>
#include <gtest/gtest.h>
#include <memory>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::test {
namespace {

// Saved values by name, written in order; a value starting with "dword:" is written as a number.
using Values = std::vector<std::pair<std::string, std::string>>;

Values savedValues(const Machine& machine, const Values& changes)
{
    Values values = {{"TypeOfFiles", std::string(19, '1')},
                     {"Directories", "11111"},
                     {"Drives", "11"},
                     {"IgnoreNb", "0"},
                     {"CustomNb", "0"},
                     {"InstallPath", machine.folder / "install"},
                     {"LogFile", "No"},
                     {"SaveParams", "Yes"},
                     // The files a test makes are new: their age has tests of its own.
                     {"TempMinAge", "0"}};
    for (const auto& [name, value] : changes) {
        auto it = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == name; });
        if (it != values.end())
            it->second = value;
        else
            values.emplace_back(name, value);
    }
    return values;
}

void writeValues(const Machine& machine, const Values& changes)
{
    std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]\n";
    for (const auto& [name, value] : savedValues(machine, changes))
        text += "\"" + name + "\"=" + (value.starts_with("dword:") ? value : "\"" + value + "\"") + "\n";
    machine.folder.writeFile("config/dustrel/HKEY_LOCAL_MACHINE.reg", text);
}

std::string canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

ProgramResult autoRun(const Machine& machine, const std::string& folder = {})
{
    return runDustrel({"/AUTO"}, machine.environment(), folder.empty() ? machine.folder / "install" : folder);
}

// The choices the tree is made for: every type, "*.JUNK", and D:'s KEEP.BAK ignored.
Values treeChoices(const Machine& machine, const Values& more)
{
    Values values = {{"IgnoreNb", "1"},
                     {"Ignore1", machine.folder / "disk-d/KEEP.BAK"},
                     {"CustomNb", "1"},
                     {"Custom1", "*.JUNK"}};
    values.insert(values.end(), more.begin(), more.end());
    return values;
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

TEST(AutoMode, DeletesTheSavedChoicesSaysWhatItCleanedAndTouchesNothingOutside)
{
    Machine machine;
    writeValues(machine, treeChoices(machine, {}));
    Tree tree(machine);
    const std::string settingsBefore = readWholeFile(machine.settingsFile());
    // A display that cannot be opened, as a stale cron or ssh environment names, is no display.
    std::map<std::string, std::string> environment = machine.environment();
    environment["DISPLAY"] = ":77";

    const ProgramResult run = runDustrel({"/auto"}, environment, machine.folder / "install");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(run.standardError, "Dustrel v2.1\nCleaned: 4 file(s), 10 byte(s).\n");
    tree.expectRubbishGoneAndKeepersKept();
    EXPECT_FALSE(exists(machine.folder / "install/DUSTREL.LOG"));
    // An automatic pass saves nothing.
    EXPECT_EQ(readWholeFile(machine.settingsFile()), settingsBefore);
}

// A run started while another one cleans with the same settings (cron and a slow pass) ends at once.
TEST(AutoMode, ASecondRunWhileOneIsCleaningEndsWithStatusOneAndTouchesNothing)
{
    Machine machine;
    writeValues(machine, treeChoices(machine, {{"LogFile", "Yes"}}));
    Tree tree(machine);
    // This process stands in for the first run. It holds the lock only shared: a run takes it exclusively,
    // so that a second run, taking it the same way, is kept out too.
    const int first = open((machine.folder / "config/dustrel").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(flock(first, LOCK_SH), 0);

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

// A deep tree under a small descriptor limit is cleaned whole; under one too small for the walk the run
// fails with the reason and deletes nothing, never ending as if it had cleaned everything.
TEST(AutoMode, ADescriptorLimitEitherCleansADeepTreeWholeOrFailsTheRun)
{
    for (const int limit : {64, 12}) {
        Machine machine;
        writeValues(machine, {});
        std::string folder = "disk-c";
        for (int level = 0; level < 150; ++level) {
            machine.folder.makeFolder(folder += "/d");
            machine.folder.writeFile(folder + "/f.tmp", "");
        }
        const ProgramResult run = runDustrel(
            {"-c", "ulimit -n " + std::to_string(limit) + " && exec '" DUSTREL_EXECUTABLE "' /AUTO"},
            machine.environment(), machine.folder / "install", 60, "/bin/sh");
        const bool cleaned = limit == 64;
        EXPECT_EQ(run.exitStatus, cleaned ? 0 : 1) << limit;
        EXPECT_EQ(run.standardError.find("Too many open files") != std::string::npos, !cleaned)
            << run.standardError;
        EXPECT_NE(exists(machine.folder / "disk-c/d/f.tmp"), cleaned);
        EXPECT_NE(exists(machine.folder / (folder + "/f.tmp")), cleaned);
    }
}

// What a shell command prints on its standard output.
std::string outputOf(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// With the trash option, files on the home's file system go to the home trash, and those of other mounts
// to the trash at their mount point: a tmpfs as the temporary folder, a bind mount as drive D:. The
// desktop's own tools then list them and bring them back. The next runs leave every trash alone.
TEST(AutoMode, MovesTheFilesToTheTrashOfTheirMountWhereTheDesktopFindsThem)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "the kernel refuses a private mount namespace";
    Machine machine;
    const std::string tmp = machine.folder / "tmp", diskD = machine.folder / "disk-d";
    if (mount("tmpfs", tmp.c_str(), "tmpfs", 0, "mode=0755") != 0 ||
        mount(machine.folder.makeFolder("d-source").c_str(), diskD.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "the kernel refuses a tmpfs or a bind mount";
    const auto unmount = [](const char* p) { umount2(p, MNT_DETACH); };
    const std::unique_ptr<const char, decltype(unmount)> tmpMount(tmp.c_str(), unmount),
        dMount(diskD.c_str(), unmount);
    writeValues(machine, treeChoices(machine, {{"LogFile", "Yes"}, {"UseTrash", "Yes"}}));
    Tree tree(machine);
    tree.rubbish.push_back(machine.folder.writeFile("disk-d/two words 100%.JUNK", "restore me"));

    const ProgramResult run = autoRun(machine);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "Dustrel v2.1\nMoved to the trash: 5 file(s), 20 byte(s).\n");
    tree.expectRubbishGoneAndKeepersKept();
    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_NE(log.find("\r\n\r\nSelected Files have been moved to the trash.\r\n"), std::string::npos) << log;
    EXPECT_TRUE(exists(diskD + "/.Trash-0/files/notes.JUNK"));
    EXPECT_TRUE(exists(tmp + "/.Trash-0/files/session.dat"));
    EXPECT_TRUE(exists(machine.folder / "home/.local/share/Trash/files/OLD.BAK"));

    const std::string tools = "env -i PATH=/usr/bin:/bin HOME='" + machine.folder / "home" +
                              "' XDG_DATA_HOME='" + machine.folder / "home/.local/share" + "' ";
    const std::string listed = outputOf(tools + "trash-list");
    for (const std::string& path : tree.rubbish) {
        EXPECT_NE(log.find("   -> Moving to trash : " + path + "\r\n"), std::string::npos) << path;
        EXPECT_NE(listed.find(" " + path + "\n"), std::string::npos) << path << " in\n" << listed;
    }
    outputOf("echo 0 | " + tools + "trash-restore '" + tree.rubbish.back() + "'");
    EXPECT_EQ(readWholeFile(tree.rubbish.back()), "restore me");
    unlink(tree.rubbish.back().c_str());
    const std::string trashed = outputOf(tools + "trash-list");
    for (const char* useTrash : {"Yes", "No"}) {
        writeValues(machine, treeChoices(machine, {{"UseTrash", useTrash}}));
        const ProgramResult again = autoRun(machine);
        EXPECT_EQ(again.exitStatus, 0) << useTrash << again.standardError;
    }
    EXPECT_EQ(outputOf(tools + "trash-list"), trashed);
}

// A file some process holds open stays and fails the run; the events log names every file tried, and no
// viewer is started on it without a display.
TEST(AutoMode, AFileInUseFailsTheRunWithStatusOneAndTheLogSaysSo)
{
    Machine machine;
    writeValues(machine, treeChoices(machine, {{"LogFile", "Yes"}}));
    Tree tree(machine);
    const std::string held = machine.folder.writeFile("disk-d/HELD.TMP", "held");
    const int fd = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    const ProgramResult run = autoRun(machine);
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
    writeValues(machine, treeChoices(machine, {{"Drives", "00"}}));
    Tree tree(machine);

    const ProgramResult run = autoRun(machine);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_FALSE(exists(machine.folder / "tmp/session.dat"));
    EXPECT_TRUE(exists(machine.folder / "disk-c/OLD.BAK"));
    EXPECT_TRUE(exists(machine.folder / "disk-d/notes.JUNK"));
}

TEST(AutoMode, WithoutSavedChoicesCleansNothingAndFails)
{
    Machine machine;
    Tree tree(machine);

    const ProgramResult run = autoRun(machine);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.standardError.find("No parameters have been saved yet"), std::string::npos)
        << run.standardError;
    for (const std::string& path : tree.rubbish)
        EXPECT_TRUE(exists(path)) << path;
    EXPECT_FALSE(exists(machine.settingsFile()));
}

TEST(AutoMode, KeepsWhatTheIgnoreListNamesHoweverReachedAndDeletesEachFileOnce)
{
    Machine machine;
    // D: is a folder of C:, so the walk meets its files twice.
    unlink((machine.folder / "config/dustrel/drives/d:").c_str());
    machine.folder.makeFolder("disk-c/inner");
    symlink((machine.folder / "disk-c/inner").c_str(), (machine.folder / "config/dustrel/drives/d:").c_str());
    const std::string twice = machine.folder.writeFile("disk-c/inner/twice.TMP", "t");
    // Longer than the 255 bytes a short read buffer holds.
    machine.folder.makeFolder("disk-c/" + std::string(200, 'f'));
    machine.folder.makeFolder("disk-c/var/h");
    const std::string longPath = machine.folder.writeFile(
        "disk-c/" + std::string(200, 'f') + "/" + std::string(70, 'n') + ".BAK", "k");
    // Named through a link to the folder, as a home folder that is a link names it.
    const std::string thesis = machine.folder.writeFile("disk-c/var/h/thesis.bak", "k");
    symlink((machine.folder / "disk-c/var/h").c_str(), (machine.folder / "h").c_str());
    // The installation folder on a drive, with "*.LOG" chosen: the events log must not list itself.
    const std::string install = machine.folder.makeFolder("disk-c/install");
    machine.folder.writeFile("disk-c/install/DUSTREL.LOG", "last run\r\n");
    writeValues(machine, {{"IgnoreNb", " 2"},
                          {"Ignore1", longPath},
                          {"Ignore2", machine.folder / "h/thesis.bak"},
                          {"CustomNb", "+1"},
                          {"Custom1", "*.LOG"},
                          {"InstallPath", install},
                          {"LogFile", "Yes"}});

    const ProgramResult run = autoRun(machine, install);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_TRUE(exists(longPath));
    EXPECT_TRUE(exists(thesis));
    EXPECT_FALSE(exists(twice));
    const std::string log = readWholeFile(install + "/DUSTREL.LOG");
    EXPECT_NE(log.find("Selected Files have been correctly killed."), std::string::npos) << log;
}

// The list of what a pass would delete refuses what the pass refuses.
TEST(AutoMode, RefusesChoicesThatCannotBeReadAsSaved)
{
    const struct
    {
        const char* what;
        const char* mode;
        Values values;
    } cases[] = {
        {"count not a number", "/AUTO", {{"IgnoreNb", "abc"}, {"Ignore1", "/x"}}},
        {"entry missing", "/LIST", {{"IgnoreNb", "2"}, {"Ignore1", "/x"}}},
        {"entry too long", "/AUTO", {{"IgnoreNb", "1"}, {"Ignore1", std::string(40000, 'x')}}},
        {"drives changed, saved without roots", "/AUTO", {{"Drives", "111"}}},
        {"a custom type every name matches",
         "/LIST",
         {{"CustomNb", "2"}, {"Custom1", "*.JUNK"}, {"Custom2", "*.X;*.*"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine machine;
        const std::string rubbish = machine.folder.writeFile("disk-c/OLD.BAK", "1");
        writeValues(machine, c.values);
        const ProgramResult run = runDustrel({c.mode}, machine.environment(), machine.folder / "install");
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_NE(run.standardError.find("Nothing was cleaned"), std::string::npos) << run.standardError;
        EXPECT_TRUE(exists(rubbish));
    }
}

// /LIST prints what /AUTO would delete, with the rule behind each file, and deletes nothing; /AUTO then
// says which file stayed and why.
TEST(AutoMode, ListShowsWhatThePassWouldDeleteAndThePassSaysWhatStayed)
{
    Machine machine;
    writeValues(machine, {{"CustomNb", "1"}, {"Custom1", "*.XYZ"}});
    machine.folder.makeFolder("disk-c/sub");
    const std::string held = machine.folder.writeFile("disk-c/a.bak", "1234");
    const std::string tmp = machine.folder.writeFile("tmp/old.dat", "123456789");
    const timespec old[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, tmp.c_str(), old, 0), 0);
    const std::vector<std::string> files = {machine.folder.writeFile("disk-c/keep.txt", "k"), held,
                                            machine.folder.writeFile("disk-c/sub/b.TMP", "123"),
                                            machine.folder.writeFile("disk-c/c.xyz", "123456"), tmp};

    const ProgramResult list = runDustrel({"/list"}, machine.environment(), machine.folder / "install");
    EXPECT_EQ(list.exitStatus, 0) << list.standardError;
    EXPECT_EQ(list.standardOutput, "4\t*.BAK Files\t" + held + "\n6\tCustom: *.XYZ\t" + files[3] +
                                       "\n3\t*.TMP Files\t" + files[2] + "\n9\tTemporary Directory\t" + tmp +
                                       "\n");
    EXPECT_EQ(list.standardError, "Dustrel v2.1\nTotal wasted size : 22 byte(s) - 4 file(s).\n");
    for (const std::string& path : files)
        EXPECT_TRUE(exists(path)) << path;

    const int fd = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const ProgramResult run = autoRun(machine);
    close(fd);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, "Dustrel v2.1\nCleaned: 3 file(s), 18 byte(s).\nStayed: 1 file(s).\n   " +
                                     held + "\n      in use: a process holds it open\n");
    EXPECT_TRUE(exists(held));
}

TEST(AutoMode, TicksFollowTheirDrivesAndADriveAddedSinceTheSaveIsLeftAlone)
{
    Machine machine;
    for (const char* drive : {"e", "f"}) {
        machine.folder.makeFolder(std::string("disk-") + drive);
        symlink((machine.folder / (std::string("disk-") + drive)).c_str(),
                (machine.folder / (std::string("config/dustrel/drives/") + drive + ":")).c_str());
    }
    const auto root = [&](const char* drive) { return canonical(machine.folder / drive) + "/"; };
    // Saved with C: and D: ticked and E: clear, before F: came; then C:'s folder went.
    writeValues(machine, {{"Drives", "110"},
                          {"DriveRoots", root("disk-c") + "\\n" + root("disk-d") + "\\n" + root("disk-e")},
                          {"IgnoreNb", "dword:00000001"},
                          {"Ignore1", machine.folder / "disk-d/KEEP.BAK"}});
    std::map<std::string, bool> kept;
    for (const char* drive : {"d", "e", "f"})
        kept[machine.folder.writeFile(std::string("disk-") + drive + "/OLD.BAK", "1")] = *drive != 'd';
    kept[machine.folder.writeFile("disk-d/KEEP.BAK", "k")] = true;
    removeTree(machine.folder / "disk-c");

    const ProgramResult run = autoRun(machine);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    for (const auto& [path, expected] : kept)
        EXPECT_EQ(exists(path), expected) << path;
}

TEST(AutoMode, TheTemporaryFolderIsTakenAsTheWalkReachesItAndNeverTheHomeFolder)
{
    const struct
    {
        const char* temp; // relative to the machine
        const char* file; // in it, deleted unless it is the home folder
        bool deleted;
    } cases[] = {{"tmp-link", "tmp/session.dat", true}, {"home", "home/notes.txt", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.temp);
        Machine machine;
        symlink((machine.folder / "tmp").c_str(), (machine.folder / "tmp-link").c_str());
        machine.folder.makeFolder("disk-c/proj");
        const std::string file = machine.folder.writeFile(c.file, "x");
        // No file type and no pattern chosen: files named null are not rubbish.
        const std::string null = machine.folder.writeFile("disk-c/proj/null", "x");
        writeValues(machine, {{"TypeOfFiles", std::string(19, '0')}});
        auto environment = machine.environment();
        environment["TMPDIR"] = machine.folder / c.temp;
        const ProgramResult run = runDustrel({"/AUTO"}, environment, machine.folder / "install");
        EXPECT_EQ(run.exitStatus, 0) << run.standardError;
        EXPECT_EQ(exists(file), !c.deleted);
        EXPECT_TRUE(exists(null));
    }
}

// E: links to a share whose server is gone: a FUSE mount whose daemon never answers, in a mount namespace
// of the test's own. The start gives up on it within seconds, and the run cleans the others without it.
TEST(AutoMode, ADriveThatNeverAnswersIsLeftAloneAndTheRunEndsInTime)
{
    Machine machine;
    const std::string dead = machine.folder.makeFolder("dead");
    if (!mountDeadFileSystem(dead))
        GTEST_SKIP() << "cannot mount a FUSE file system in a private mount namespace here";
    const auto unmount = [](const char* p) { umount2(p, MNT_DETACH); };
    const std::unique_ptr<const char, decltype(unmount)> deadMount(dead.c_str(), unmount);
    symlink(dead.c_str(), (machine.folder / "config/dustrel/drives/e:").c_str());
    writeValues(machine, {{"Drives", "111"}});
    const std::string rubbish = machine.folder.writeFile("disk-d/OLD.BAK", "1");

    const auto start = std::chrono::steady_clock::now();
    const ProgramResult run = runDustrel({"/AUTO"}, machine.environment(), machine.folder / "install", 30);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_FALSE(exists(rubbish));
}

// Paths matching a shell pattern.
std::vector<std::string> matching(const std::string& pattern)
{
    std::vector<std::string> paths;
    glob_t found{};
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i)
            paths.emplace_back(found.gl_pathv[i]);
    }
    globfree(&found);
    return paths;
}

// Drive C: is the system's library folder, read-only in a mount namespace of the run's own, as the root
// file system is to a cleaner run as root: the package's check files match *.CHK but are never listed.
TEST(AutoMode, AsRootListsNothingThatInstalledPackagesOwn)
{
    const std::string system = "/usr/lib/x86_64-linux-gnu";
    const std::vector<std::string> owned = matching(system + "/*.chk");
    if (geteuid() != 0 || std::system("unshare -m true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the kernel refuses a private mount namespace here";
    ASSERT_FALSE(owned.empty()) << "no *.chk file in " << system
                                << " (scripts/install-deps.sh test adds libnss3)";
    Machine machine;
    writeValues(machine, {{"TypeOfFiles", "0100000001000000000"}, {"LogFile", "Yes"}});
    const std::vector<std::string> rubbish = {machine.folder.writeFile("disk-d/z.chk", "z"),
                                              machine.folder.writeFile("disk-d/y.old", "y")};

    const std::string script = "mount --bind -o ro \"$1\" \"$2\" && exec \"$3\" /AUTO";
    const ProgramResult run =
        runDustrel({"-m", "--propagation", "private", "/bin/sh", "-c", script, "sh", system,
                    machine.folder / "disk-c", DUSTREL_EXECUTABLE},
                   machine.environment(), machine.folder / "install", 120, "/usr/bin/unshare");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    for (const std::string& path : rubbish)
        EXPECT_FALSE(exists(path)) << path;
    for (const std::string& path : owned)
        EXPECT_TRUE(exists(path)) << path;
    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_EQ(log.find(machine.folder / "disk-c"), std::string::npos) << log;
    EXPECT_NE(log.find("Total wasted size : 2 byte(s) - 2 file(s)."), std::string::npos) << log;
}

// Run by a user from cron, a pass deletes the user's own rubbish and lists nothing the user may not delete,
// so that its status says whether the user's cleaning worked.
TEST(AutoMode, AsAUserListsOnlyWhatTheUserMayDeleteAndSucceeds)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "setting up another user's files needs root";
    constexpr uid_t kUser = 65534;
    Machine machine;
    writeValues(machine, {{"Drives", "10"}, {"LogFile", "Yes"}});
    ASSERT_EQ(std::system(("chown -R 65534:65534 " + machine.folder.path()).c_str()), 0);
    ASSERT_EQ(chmod(machine.folder.path().c_str(), 0755), 0);
    machine.folder.makeFolder("disk-c/system");
    machine.folder.makeFolder("disk-c/shared");
    ASSERT_EQ(chmod((machine.folder / "disk-c/shared").c_str(), 01777), 0);
    machine.folder.makeFolder("disk-c/mine");
    ASSERT_EQ(chown((machine.folder / "disk-c/mine").c_str(), kUser, kUser), 0);
    const std::vector<std::string> roots = {machine.folder.writeFile("disk-c/system/a.bak", "1"),
                                            machine.folder.writeFile("disk-c/shared/b.bak", "1")};
    const std::vector<std::string> own = {machine.folder.writeFile("disk-c/shared/c.bak", "1"),
                                          machine.folder.writeFile("disk-c/mine/d.bak", "1")};
    for (const std::string& path : own)
        ASSERT_EQ(chown(path.c_str(), kUser, kUser), 0);

    // The build may sit where the user cannot reach it (a checkout in root's home): the user runs a copy.
    const std::string program = machine.folder / "dustrel";
    ASSERT_EQ(std::system(("cp '" + std::string(DUSTREL_EXECUTABLE) + "' '" + program + "'").c_str()), 0);
    const ProgramResult run =
        runDustrel({"--reuid=65534", "--regid=65534", "--clear-groups", program, "/AUTO"},
                   machine.environment(), machine.folder / "install", 60, "/usr/bin/setpriv");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    for (const std::string& path : own)
        EXPECT_FALSE(exists(path)) << path;
    for (const std::string& path : roots)
        EXPECT_TRUE(exists(path)) << path;
    const std::string log = readWholeFile(machine.folder / "install/DUSTREL.LOG");
    EXPECT_NE(log.find("Total wasted size : 2 byte(s) - 2 file(s)."), std::string::npos) << log;
}

} // namespace
} // namespace dustrel::test
