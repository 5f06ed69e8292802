#include "platform/posix/walk/ListedFileDeleter.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {
namespace {

using test::TempFolder;

// A mount list with one line per mount point, in this order.
MountTable mountsAt(std::initializer_list<std::string> points)
{
    std::string text;
    int id = 20;
    for (const std::string& point : points) {
        text += std::to_string(id) + " 1 0:" + std::to_string(id) + " / " + point + " rw - ext4 /dev/x rw\n";
        ++id;
    }
    return MountTable::parse(text);
}

bool exists(const std::string& path)
{
    struct stat st
    {
    };
    return lstat(path.c_str(), &st) == 0;
}

unsigned modeOf(const std::string& path)
{
    struct stat st
    {
    };
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::size_t trashInfoFiles(const std::string& root)
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        count += entry.path().extension() == ".trashinfo" ? 1u : 0u;
    return count;
}

TEST(TrashRules, ChooseTheTrashOfTheFilesMountAndEncodeTheOriginalPath)
{
    const TrashRules rules(mountsAt({"/", "/home", "/mnt/usb"}), 1000, "/home/me/.local/share");
    const struct
    {
        std::string path;
        TrashPlace::Kind kind;
        const char* topdir;
        const char* pathLine;
    } cases[] = {
        {"/home/me/a b.tmp", TrashPlace::Kind::Home, "/home/me/.local/share", "/home/me/a%20b.tmp"},
        {"/mnt/usb/d/100%.tmp", TrashPlace::Kind::Volume, "/mnt/usb", "d/100%25.tmp"},
        {"/var/tmp/new\nline", TrashPlace::Kind::Volume, "/", "var/tmp/new%0Aline"},
        {"/mnt/usb/\xff\xc3\xa9~_-.x", TrashPlace::Kind::Volume, "/mnt/usb", "%FF%C3%A9~_-.x"},
    };
    for (const auto& c : cases) {
        const auto place = rules.placeFor(c.path);
        ASSERT_TRUE(place) << c.path;
        EXPECT_EQ(place->kind, c.kind) << c.path;
        EXPECT_EQ(place->topdir, c.topdir) << c.path;
        EXPECT_EQ(place->pathLine, c.pathLine) << c.path;
    }
    EXPECT_FALSE(rules.placeFor("relative/x.tmp"));
    // A name at the longest a folder allows still has room for ".<n>.trashinfo".
    EXPECT_LE(trashEntryName(std::string(255, 'a'), 12).size() + 10, 255u);
}

// Files moved through a deletion cursor, by rules that put temp/vol on a mount of its own and the data
// home on the mount "/" that holds everything else.
class Trash : public testing::Test
{
protected:
    void SetUp() override { tzset(); }
    void TearDown() override { tzset(); }

    Result<Removal> trash(const std::string& path, const TempFolder& root, uid_t uid = getuid())
    {
        ListedFileDeleter cursor([&] {
            return Result<TrashRules>(TrashRules(mountsAt({"/", root / "vol"}), uid, dataHome));
        });
        const std::size_t slash = path.rfind('/');
        const auto listed = PosixFileSystem().fileInfo(path);
        if (!listed)
            return listed.error();
        if (auto opened = cursor.open(path.substr(0, slash)); !opened)
            return opened.error();
        return cursor.moveToTrash(path.substr(slash + 1), *listed, OpenFiles{}, kWhen);
    }
    std::string info(const std::string& trashFolder, const std::string& entry)
    {
        return test::readWholeFile(trashFolder + "/info/" + entry + ".trashinfo");
    }

    static constexpr FileTime kWhen{std::chrono::seconds{1'000'000'000}};
    test::ScopedEnv utc{"TZ", "UTC"};
    TempFolder temp;
    std::string dataHome = temp / "home/data";
};

TEST_F(Trash, AVolumeUsesItsSharedTrashOnlyWhenItIsFitElseTheUsersOwn)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "making folders of another user needs root";
    const std::string uid = std::to_string(getuid());
    // A trash folder of the user whose files/ and info/ another user made.
    const auto partsOf = [](const std::string& trash) {
        mkdir(trash.c_str(), 0700);
        for (const char* part : {"/files", "/info"}) {
            mkdir((trash + part).c_str(), 0700);
            ASSERT_EQ(chown((trash + part).c_str(), 65534, 65534), 0);
        }
    };
    const struct
    {
        const char* name;
        std::function<void(const TempFolder&)> setup;
        std::string trashFolder; // empty when the move must fail
        uid_t uidOffset = 0;
    } cases[] = {
        {"no trash yet", [](const TempFolder&) {}, "vol/.Trash-" + uid},
        {"a shared trash with the sticky bit",
         [](const TempFolder& t) { mkdir((t / "vol/.Trash").c_str(), 01777); }, "vol/.Trash/" + uid},
        {"a shared trash without it", [](const TempFolder& t) { mkdir((t / "vol/.Trash").c_str(), 0777); },
         "vol/.Trash-" + uid},
        {"a shared trash that is a link",
         [](const TempFolder& t) {
             mkdir((t / "elsewhere").c_str(), 01777);
             symlink((t / "elsewhere").c_str(), (t / "vol/.Trash").c_str());
         },
         "vol/.Trash-" + uid},
        {"the user's trash is a link",
         [&](const TempFolder& t) {
             t.makeFolder("elsewhere");
             symlink((t / "elsewhere").c_str(), (t / ("vol/.Trash-" + uid)).c_str());
         },
         ""},
        {"the user's trash cannot be made",
         [&](const TempFolder& t) { t.writeFile("vol/.Trash-" + uid, ""); }, ""},
        {"the user's trash belongs to another user", [](const TempFolder&) {}, "", 1},
        {"the user's trash is world-writable",
         [&](const TempFolder& t) {
             mkdir((t / ("vol/.Trash-" + uid)).c_str(), 0700);
             chmod((t / ("vol/.Trash-" + uid)).c_str(), 0777);
         },
         ""},
        {"its files/ and info/ belong to another user",
         [&](const TempFolder& t) { partsOf(t / ("vol/.Trash-" + uid)); }, ""},
        {"the user's folder in the shared trash has another user's parts",
         [&](const TempFolder& t) {
             mkdir((t / "vol/.Trash").c_str(), 01777);
             partsOf(t / ("vol/.Trash/" + uid));
         },
         "vol/.Trash-" + uid},
        {"the user's folder in the shared trash belongs to another user",
         [&](const TempFolder& t) {
             mkdir((t / "vol/.Trash").c_str(), 01777);
             mkdir((t / ("vol/.Trash/" + std::to_string(getuid() + 1))).c_str(), 0700);
         },
         "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder t;
        t.makeFolder("vol/d");
        const std::string file = t.writeFile("vol/d/f one.tmp", "data");
        c.setup(t);
        const auto moved = trash(file, t, getuid() + c.uidOffset);
        if (c.trashFolder.empty()) {
            EXPECT_FALSE(moved);
            EXPECT_TRUE(exists(file));
            EXPECT_EQ(trashInfoFiles(t.path()), 0u);
            continue;
        }
        ASSERT_TRUE(moved) << moved.error().describe();
        EXPECT_FALSE(exists(file));
        const std::string folder = t / c.trashFolder;
        EXPECT_EQ(test::readWholeFile(folder + "/files/f one.tmp"), "data");
        EXPECT_EQ(info(folder, "f one.tmp"),
                  "[Trash Info]\nPath=d/f%20one.tmp\nDeletionDate=2001-09-09T01:46:40\n");
        EXPECT_EQ(modeOf(folder), 0700u);
        EXPECT_EQ(trashInfoFiles(t.path()), 1u);
    }
}

TEST_F(Trash, TheHomeTrashKeepsFilesOfOneNameApartAndRefusesWhatItCannotTakeWhole)
{
    temp.makeFolder("c/a");
    temp.makeFolder("c/b");
    const std::string first = temp.writeFile("c/a/x 1%.tmp", "first");
    const std::string second = temp.writeFile("c/b/x 1%.tmp", "second");
    ASSERT_TRUE(trash(first, temp));
    ASSERT_TRUE(trash(second, temp));
    const std::string folder = dataHome + "/Trash";
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(test::readWholeFile(folder + "/files/x 1%.tmp"), "first");
    EXPECT_EQ(test::readWholeFile(folder + "/files/x 1%.tmp.2"), "second");
    EXPECT_NE(info(folder, "x 1%.tmp.2").find("\nPath=" + temp.path() + "/c/b/x%201%25.tmp\n"),
              std::string::npos);
    EXPECT_NE(info(folder, "x 1%.tmp").find("/c/a/x%201%25.tmp\n"), std::string::npos);
    // An entry left without its .trashinfo (another tool interrupted) keeps its content all the same.
    temp.writeFile("home/data/Trash/files/y.tmp", "earlier");
    ASSERT_TRUE(trash(temp.writeFile("c/a/y.tmp", "later"), temp));
    EXPECT_EQ(test::readWholeFile(folder + "/files/y.tmp"), "earlier");
    EXPECT_EQ(test::readWholeFile(folder + "/files/y.tmp.2"), "later");

    // Already in the trash: moving it again would part it from its .trashinfo.
    EXPECT_FALSE(trash(folder + "/files/x 1%.tmp", temp));
    EXPECT_TRUE(exists(folder + "/files/x 1%.tmp"));

    // A data home on another file system: the file is never copied there, and no .trashinfo stays.
    char shm[] = "/dev/shm/dustrel-trash-XXXXXX";
    struct stat here
    {
    };
    struct stat there
    {
    };
    if (mkdtemp(shm) == nullptr || stat(temp.path().c_str(), &here) != 0 || stat(shm, &there) != 0 ||
        here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    dataHome = shm;
    const std::string third = temp.writeFile("c/a/third.tmp", "third");
    const auto moved = trash(third, temp);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(exists(third));
    EXPECT_EQ(trashInfoFiles(shm), 0u);
    test::removeTree(shm);
}

TEST_F(Trash, AMoveRemovesOnlyOrphansItsOwnInterruptedMovesLeft)
{
    const std::string info = dataHome + "/Trash/info/";
    const auto infoFile = [&](const std::string& name, const std::string& date, unsigned mode = 0600,
                              const std::string& extra = "") {
        const std::string path = info + name + ".trashinfo";
        std::FILE* file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs((trashInfoText("/x/" + name, date) + extra).c_str(), file);
        std::fclose(file);
        chmod(path.c_str(), mode);
    };
    for (const char* folder : {"", "/files", "/info"})
        mkdir((temp.makeFolder("home/data") + "/Trash" + folder).c_str(), 0700);
    infoFile("x.tmp", "2001-09-09T01:45:00");                        // ours, the file never arrived
    infoFile("moving.tmp", "2001-09-09T01:46:10");                   // a move maybe still under way
    infoFile("shared.tmp", "2001-09-09T01:45:00", 0644);             // not as we write them
    infoFile("edited.tmp", "2001-09-09T01:45:00", 0600, "Note=x\n"); // likewise
    infoFile("kept.tmp", "2001-09-09T01:45:00");
    temp.writeFile("home/data/Trash/files/kept.tmp", "");
    temp.makeFolder("c");
    ASSERT_TRUE(trash(temp.writeFile("c/x.tmp", "new"), temp));

    EXPECT_EQ(test::readWholeFile(dataHome + "/Trash/files/x.tmp"), "new");
    EXPECT_EQ(trashInfoFiles(info), 5u);
    for (const char* left : {"x", "moving", "shared", "edited", "kept"})
        EXPECT_TRUE(exists(info + left + ".tmp.trashinfo")) << left;
    EXPECT_FALSE(exists(dataHome + "/Trash/files/x.tmp.2"));
}

TEST(TrashRules, CutNamesAtACharacterThatLeavesANameAndKnowTheirOwnInfoFiles)
{
    std::string accents;
    for (int i = 0; i < 150; ++i)
        accents += "\xc3\xa9";
    const struct
    {
        std::string name;
        std::size_t length; // of the entry for the first attempt
    } names[] = {
        {std::string(251, '\x80') + ".tmp", 245}, // no UTF-8 at all: cut at a byte
        {"a" + accents, 245},                     // cut between two characters
        {accents, 244},                           // never inside one
        {"short.tmp", 9},
    };
    for (const auto& n : names)
        EXPECT_EQ(trashEntryName(n.name, 1).size(), n.length);

    const std::string own = trashInfoText("d/a%20b.tmp", "2001-09-09T01:46:40");
    EXPECT_TRUE(ownTrashInfoDate(own));
    for (const std::string& foreign :
         {own + "\n", std::string("[Trash Info]\nPath=d/a b.tmp\nDeletionDate=2001-09-09T01:46:40\n"),
          trashInfoText("d/x", "2001-09-09"), trashInfoText("d/%4", "2001-09-09T01:46:40")})
        EXPECT_FALSE(ownTrashInfoDate(foreign)) << foreign;
}

} // namespace
} // namespace dustrel::posix
