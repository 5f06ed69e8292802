#include "platform/posix/walk/PosixFolderCursor.h"

#include "platform/posix/io/DescriptorLimit.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <map>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <tuple>
#include <unistd.h>

namespace dustrel::posix {
namespace {

using test::TempFolder;

std::map<std::string, EntryType> byName(const std::vector<FolderEntry>& entries)
{
    std::map<std::string, EntryType> result;
    for (const FolderEntry& entry : entries)
        result[entry.name] = entry.type;
    return result;
}

// The entries of the cursor's folder as a list, or the failure.
Result<std::vector<FolderEntry>> entriesOf(FolderCursor& cursor)
{
    FolderContents contents;
    if (auto read = cursor.readEntries(contents); !read)
        return read.error();
    std::vector<FolderEntry> result;
    for (std::size_t i = 0; i < contents.size(); ++i)
        result.push_back(FolderEntry{std::string(contents.name(i)), contents.type(i)});
    return result;
}

void makeSocket(const std::string& path)
{
    const UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
}

// Every kind of entry a walk may meet, under names that break naive quoting, splitting or decoding.
using Opening = PosixFolderCursor::Opening;

std::string openingName(const testing::TestParamInfo<Opening>& info)
{
    return info.param == Opening::Beneath ? "Beneath" : "Checked";
}

// Every test below runs with both ways of opening a subfolder: the one the system offers and the plain
// one with its checks afterwards, which older systems get.
class CursorOpening : public testing::TestWithParam<Opening>
{
};

class CursorTreeTest : public testing::TestWithParam<Opening>
{
protected:
    void SetUp() override
    {
        for (const std::string& name : awkwardNames)
            tree.writeFile(name, name);
        tree.writeFile("empty", "");
        ASSERT_EQ(link((tree / "empty").c_str(), (tree / "empty-twin").c_str()), 0);
        tree.makeFolder("sub");
        ASSERT_EQ(symlink("nowhere", (tree / "broken-link").c_str()), 0);
        // To a folder below, not above: a followed link is then no loop either.
        ASSERT_EQ(symlink((tree / "sub").c_str(), (tree / "folder-link").c_str()), 0);
        ASSERT_EQ(mkfifo((tree / "fifo").c_str(), 0644), 0);
        makeSocket(tree / "socket");
        ASSERT_EQ(truncate(tree.writeFile("sparse", "").c_str(), kFiveGigabytes), 0);
        ASSERT_TRUE(cursor.open(tree.path()));
    }

    static constexpr off_t kFiveGigabytes = 5368709120;
    const std::vector<std::string> awkwardNames{
        " ", "*", "?", ";", "'\"", "a\nb", "\xff\xfe", "-dash", std::string(255, 'n')};
    TempFolder tree;
    PosixFolderCursor cursor{GetParam()};
};

TEST_P(CursorTreeTest, ListsEveryEntryWithItsTypeAndRawName)
{
    std::map<std::string, EntryType> expected{
        {"empty", EntryType::File}, {"empty-twin", EntryType::File},  {"sparse", EntryType::File},
        {"sub", EntryType::Folder}, {"broken-link", EntryType::Link}, {"folder-link", EntryType::Link},
        {"fifo", EntryType::Other}, {"socket", EntryType::Other}};
    for (const std::string& name : awkwardNames)
        expected[name] = EntryType::File;

    const auto entries = entriesOf(cursor);
    ASSERT_TRUE(entries) << entries.error().describe();
    EXPECT_EQ(byName(*entries), expected);
    // A second listing of the same folder starts from the top again.
    EXPECT_EQ(byName(*entriesOf(cursor)), expected);
    EXPECT_EQ(byName(*PosixFileSystem().listFolder(tree.path())), expected);
}

TEST_P(CursorTreeTest, DescribesEntriesWithoutFollowingOrOpeningThem)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {1'600'000'000, 123'456'789}};
    ASSERT_EQ(utimensat(AT_FDCWD, (tree / "a\nb").c_str(), times, 0), 0);
    const auto newline = cursor.entryInfo("a\nb");
    ASSERT_TRUE(newline) << newline.error().describe();
    EXPECT_EQ(newline->size, 3);
    EXPECT_EQ(newline->modified.time_since_epoch(),
              std::chrono::seconds(1'600'000'000) + std::chrono::nanoseconds(123'456'789));

    EXPECT_EQ(cursor.entryInfo("sparse")->size, kFiveGigabytes);
    EXPECT_EQ(cursor.entryInfo("empty")->size, 0);
    EXPECT_EQ(cursor.entryInfo("empty")->inode, cursor.entryInfo("empty-twin")->inode);
    EXPECT_EQ(cursor.entryInfo(std::string(255, 'n'))->size, 255);
    EXPECT_EQ(cursor.entryInfo("folder-link")->type, EntryType::Link);
    EXPECT_EQ(cursor.entryInfo("broken-link")->type, EntryType::Link);
    EXPECT_EQ(cursor.entryInfo("fifo")->type, EntryType::Other);
    EXPECT_EQ(cursor.entryInfo("socket")->type, EntryType::Other);
    EXPECT_EQ(cursor.entryInfo("missing").error().code, ENOENT);
    EXPECT_EQ(cursor.entryInfo("sub/../empty").error().code, EINVAL);
}

TEST_P(CursorTreeTest, EntersOnlyRealSubfoldersAndStaysPutOtherwise)
{
    const struct
    {
        std::string name;
        int code;
    } refusals[] = {{"folder-link", ELOOP}, {"broken-link", ELOOP},
                    {"fifo", ENOTDIR},      {"socket", ENOTDIR},
                    {"empty", ENOTDIR},     {"missing", ENOENT},
                    {"sub/", EINVAL},       {"..", EINVAL},
                    {".", EINVAL},          {"", EINVAL}};
    const auto before = byName(*entriesOf(cursor));
    for (const auto& refusal : refusals) {
        const auto entered = cursor.enter(refusal.name);
        ASSERT_FALSE(entered) << refusal.name;
        EXPECT_EQ(entered.error().code, refusal.code) << refusal.name << ": " << entered.error().describe();
        EXPECT_EQ(cursor.depth(), 0u) << refusal.name;
    }
    EXPECT_EQ(byName(*entriesOf(cursor)), before);

    EXPECT_FALSE(cursor.leave()) << "never above the start folder";
    ASSERT_TRUE(cursor.enter("sub"));
    EXPECT_EQ(cursor.depth(), 1u);
    EXPECT_TRUE(entriesOf(cursor)->empty());
    ASSERT_TRUE(cursor.leave());
    EXPECT_EQ(byName(*entriesOf(cursor)), before);
}

// Many long names take several reads of the system's records; every entry must come once, and reading the
// folder again (into the same object, after a visit below) gives the same entries again.
TEST_P(CursorOpening, ReadsAFolderLargerThanItsBufferWholeAndOnce)
{
    TempFolder tree;
    std::map<std::string, EntryType> expected;
    for (int i = 0; i < 1500; ++i) {
        const std::string name = std::to_string(i) + std::string(150, i % 2 == 0 ? 'f' : 'F');
        tree.writeFile(name, "");
        expected[name] = EntryType::File;
    }
    tree.makeFolder("sub");
    tree.writeFile("sub/inside", "");
    expected["sub"] = EntryType::Folder;

    PosixFolderCursor cursor(GetParam());
    ASSERT_TRUE(cursor.open(tree.path()));
    FolderContents contents;
    for (const char* when : {"first", "again", "after a visit below"}) {
        if (std::string(when) == "after a visit below") {
            ASSERT_TRUE(cursor.enter("sub"));
            ASSERT_TRUE(cursor.readEntries(contents));
            EXPECT_EQ(contents.size(), 1u);
            ASSERT_TRUE(cursor.leave());
        }
        ASSERT_TRUE(cursor.readEntries(contents)) << when;
        std::map<std::string, EntryType> seen;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            EXPECT_EQ(std::strlen(contents.cName(i)), contents.name(i).size());
            EXPECT_TRUE(seen.emplace(std::string(contents.name(i)), contents.type(i)).second)
                << when << ": twice " << contents.name(i);
        }
        EXPECT_EQ(seen, expected) << when;
    }
}

TEST(PosixFolderCursor, FailsWhenNothingIsOpen)
{
    PosixFolderCursor cursor;
    EXPECT_FALSE(entriesOf(cursor));
    EXPECT_FALSE(cursor.enter("x"));
    EXPECT_FALSE(cursor.leave());
    TempFolder tree;
    EXPECT_EQ(cursor.open(tree.writeFile("file", "")).error().code, ENOTDIR);
}

TEST_P(CursorOpening, ClimbingBackStaysInTheFolderItLeft)
{
    TempFolder tree;
    tree.makeFolder("parent/child");
    PosixFolderCursor cursor(GetParam());
    ASSERT_TRUE(cursor.open(tree.path()));
    ASSERT_TRUE(cursor.enter("parent"));
    ASSERT_TRUE(cursor.enter("child"));
    ASSERT_EQ(rename((tree / "parent").c_str(), (tree / "moved").c_str()), 0);
    tree.makeFolder("parent");
    tree.writeFile("parent/planted", "");

    ASSERT_TRUE(cursor.leave());
    const auto entries = entriesOf(cursor);
    ASSERT_TRUE(entries);
    EXPECT_EQ(byName(*entries), (std::map<std::string, EntryType>{{"child", EntryType::Folder}}));
}

bool byteOrder(std::string_view a, std::string_view b);
bool readAhead(const PosixFolderCursor& cursor, std::size_t count);

TEST_P(CursorOpening, NeverEntersAnotherFileSystemOrAMountLoop)
{
    TempFolder tree;
    const std::string mountPoint = tree.makeFolder("mnt");
    const std::string loop = tree.makeFolder("sub/loop");
    const Opening opening = GetParam();
    const int status = test::runInChild([&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0 ||
            mount(tree.path().c_str(), loop.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return 77;
        mkdir((mountPoint + "/inner").c_str(), 0755);
        PosixFolderCursor cursor(opening, ReadAhead::Always, {.threads = 1, .walkLead = 0});
        cursor.setWalkOrder(&byteOrder);
        FolderContents contents;
        if (!cursor.open(tree.path()) || !cursor.readEntries(contents) ||
            (opening == Opening::Checked && cursor.opensBeneath()))
            return 1;
        // The helpers read "sub" and are refused "mnt" and "sub/loop" as the walk is.
        if (cursor.opensBeneath() &&
            (!readAhead(cursor, 3) || usleep(20'000) != 0 || cursor.foldersReadAhead() != 3))
            return 5;
        const auto other = cursor.enter("mnt");
        if (other || other.error().code != EXDEV || cursor.depth() != 0)
            return 2;
        if (!cursor.enter("sub"))
            return 3;
        // Refused as a mount point where the system can tell while opening, else as a loop.
        const auto looped = cursor.enter("loop");
        const int expected = cursor.opensBeneath() ? EXDEV : ELOOP;
        return !looped && looped.error().code == expected && cursor.depth() == 1 ? 0 : 4;
    });
    if (status == 77)
        GTEST_SKIP() << "cannot mount in a private mount namespace here";
    EXPECT_EQ(status, 0);
}

TEST_P(CursorOpening, AnUnreadableFolderFailsAndItsSiblingsStillWalk)
{
    TempFolder tree;
    ASSERT_EQ(chmod(tree.path().c_str(), 0755), 0);
    tree.makeFolder("locked");
    tree.writeFile("locked/secret", "");
    tree.makeFolder("open");
    tree.writeFile("open/inside", "");
    ASSERT_EQ(chmod((tree / "locked").c_str(), 0), 0);
    const Opening opening = GetParam();

    const int status = test::runAsNobody([&] {
        PosixFolderCursor cursor(opening);
        if (!cursor.open(tree.path()))
            return 1;
        const auto locked = cursor.enter("locked");
        if (locked || locked.error().code != EACCES || cursor.depth() != 0)
            return 2;
        if (!cursor.enter("open"))
            return 3;
        const auto inside = entriesOf(cursor);
        return inside && inside->size() == 1 && (*inside)[0].name == "inside" ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
}

// An ext4 image mounted in a private mount namespace: tmpfs has no immutable or append-only attribute.
TEST(PosixFolderCursor, PassesOverWhatAnAttributeKeepsFromBeingUnlinked)
{
    TempFolder tree;
    const std::string disk = tree.makeFolder("disk");
    const std::string image = tree / "ext4.img";
    const int status = test::runInChild([&] {
        close(creat(image.c_str(), 0600));
        if (truncate(image.c_str(), 8 << 20) != 0 ||
            std::system(("mkfs.ext4 -q -F '" + image + "' >/dev/null 2>&1").c_str()) != 0)
            return 77;
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            std::system(("mount -o loop '" + image + "' '" + disk + "' 2>/dev/null").c_str()) != 0)
            return 77;
        const auto setAttribute = [](const std::string& path, int attribute) {
            const UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
            return ioctl(fd.get(), FS_IOC_SETFLAGS, &attribute) == 0;
        };
        const struct
        {
            const char* folder;
            int fileAttribute;
            int folderAttribute;
        } cases[] = {{"plain", 0, 0},
                     {"immutable", FS_IMMUTABLE_FL, 0},
                     {"append-only", FS_APPEND_FL, 0},
                     {"in-immutable", 0, FS_IMMUTABLE_FL},
                     {"in-append-only", 0, FS_APPEND_FL}};
        int failed = 0;
        for (const auto& c : cases) {
            const std::string folder = disk + "/" + c.folder;
            mkdir(folder.c_str(), 0755);
            close(creat((folder + "/f").c_str(), 0644));
            if (!setAttribute(folder + "/f", c.fileAttribute) || !setAttribute(folder, c.folderAttribute))
                return 3;
            PosixFolderCursor cursor;
            const auto info = cursor.open(folder) ? cursor.entryInfo("f") : Result<FileInfo>(Error{});
            failed += (info && cursor.mayDelete(*info)) != (c.fileAttribute + c.folderAttribute == 0) ? 1 : 0;
            setAttribute(folder, 0);
            setAttribute(folder + "/f", 0);
        }
        return failed == 0 ? 0 : 2;
    });
    if (status == 77)
        GTEST_SKIP() << "no mkfs.ext4, or the kernel refused a loop mount of an ext4 image";
    EXPECT_EQ(status, 0);
}

bool byteOrder(std::string_view a, std::string_view b)
{
    return a < b;
}

// Waits, a few seconds at most, until the helpers have read `count` folders.
bool readAhead(const PosixFolderCursor& cursor, std::size_t count)
{
    for (int i = 0; i < 5000 && cursor.foldersReadAhead() < count; ++i)
        usleep(1000);
    return cursor.foldersReadAhead() >= count;
}

// The helpers only bring folders into the cache: a folder they read and that is then swapped for a link is
// refused as ever, and they never read more than their limit ahead of the walk.
TEST(PosixFolderCursor, ReadingAheadChangesNothingTheWalkChecksAndKeepsToItsLimit)
{
    TempFolder tree;
    tree.makeFolder("a/inside");
    tree.makeFolder("b");
    tree.makeFolder("decoy");
    tree.writeFile("decoy/planted", "");
    for (int i = 0; i < 20; ++i)
        tree.makeFolder("c/" + std::to_string(i));
    PosixFolderCursor cursor(Opening::Beneath, ReadAhead::Always, {.threads = 2, .aheadLimit = 8});
    cursor.setWalkOrder(&byteOrder);
    ASSERT_TRUE(cursor.open(tree.path()));
    ASSERT_FALSE(entriesOf(cursor)->empty());
    if (!cursor.opensBeneath())
        GTEST_SKIP() << "no openat2 here: nothing is read ahead";
    ASSERT_TRUE(cursor.readingAhead());
    ASSERT_TRUE(readAhead(cursor, 8));
    usleep(20'000);
    EXPECT_EQ(cursor.foldersReadAhead(), 8u) << "read further ahead than its limit";

    ASSERT_EQ(rename((tree / "b").c_str(), (tree / "b-moved").c_str()), 0);
    ASSERT_EQ(symlink("decoy", (tree / "b").c_str()), 0);
    ASSERT_TRUE(cursor.enter("a"));
    ASSERT_TRUE(entriesOf(cursor));
    ASSERT_TRUE(cursor.leave());
    EXPECT_EQ(cursor.enter("b").error().code, ELOOP);
    cursor.setWalkOrder(nullptr);
    EXPECT_FALSE(cursor.readingAhead());

    // On a warm cache nothing is read ahead, however slow a busy machine makes the reads.
    PosixFolderCursor warm;
    warm.setWalkOrder(&byteOrder);
    ASSERT_TRUE(warm.open(tree / "c"));
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(warm.enter(std::to_string(i)) && entriesOf(warm) && warm.leave());
    }
    EXPECT_EQ(warm.foldersReadAhead(), 0u);
}

struct TmpFiles : NameFilter
{
    bool matches(std::string_view name) const override { return name.ends_with(".tmp"); }
};

// A folder listed by a helper is handed over with the entries the walk would read and, for the files the
// filter picks and only those, what entryInfo() says of them.
TEST(PosixFolderCursor, AListingHandedOverIsTheFolderAsTheWalkReadsIt)
{
    TempFolder tree;
    tree.makeFolder("a/sub.tmp");
    tree.writeFile("a/x.tmp", "12345");
    tree.writeFile("a/y.txt", "1");
    ASSERT_EQ(link((tree / "a/x.tmp").c_str(), (tree / "a/\xff\n.tmp").c_str()), 0);
    ASSERT_EQ(mkfifo((tree / "a/fifo.tmp").c_str(), 0644), 0);
    const TmpFiles filter;
    // Nothing left to the walk: the one subfolder is the helpers' too.
    PosixFolderCursor cursor(Opening::Beneath, ReadAhead::Always, {.threads = 2, .walkLead = 0});
    cursor.setWalkOrder(&byteOrder, &filter);
    ASSERT_TRUE(cursor.open(tree.path()));
    ASSERT_TRUE(entriesOf(cursor));
    if (!cursor.opensBeneath())
        GTEST_SKIP() << "no openat2 here: nothing is read ahead";
    ASSERT_TRUE(readAhead(cursor, 1));
    ASSERT_TRUE(cursor.enter("a"));
    FolderContents handed;
    ASSERT_TRUE(cursor.readEntries(handed));
    EXPECT_EQ(cursor.listingsTaken(), 1u);

    PosixFolderCursor walk(Opening::Beneath, ReadAhead::Off);
    ASSERT_TRUE(walk.open(tree / "a"));
    const auto read = entriesOf(walk);
    std::vector<FolderEntry> entries;
    for (std::size_t i = 0; i < handed.size(); ++i) {
        entries.push_back(FolderEntry{std::string(handed.name(i)), handed.type(i)});
        const FileInfo* info = handed.info(i);
        ASSERT_EQ(info != nullptr, handed.type(i) == EntryType::File && filter.matches(handed.name(i)));
        if (const auto own = walk.entryInfo(handed.name(i)); info != nullptr && own) {
            EXPECT_EQ(
                std::tie(info->size, info->modified, info->changed, info->device, info->inode, info->owner),
                std::tie(own->size, own->modified, own->changed, own->device, own->inode, own->owner));
        }
    }
    EXPECT_EQ(byName(entries), byName(*read));
}

// Walks the whole tree below the open folder in byte order, writing down every folder's entries and the
// sizes of the files `filter` picks, as a search would take them: handed over, or asked.
void walkAll(PosixFolderCursor& cursor, const NameFilter& filter, const std::string& path, std::string& out)
{
    FolderContents contents;
    ASSERT_TRUE(cursor.readEntries(contents)) << path;
    std::vector<std::pair<std::string, EntryType>> entries;
    for (std::size_t i = 0; i < contents.size(); ++i)
        entries.emplace_back(contents.name(i), contents.type(i));
    std::sort(entries.begin(), entries.end());
    out.append(path).append(":");
    for (const auto& [name, type] : entries) {
        out.append(" ").append(name).append("/").append(std::to_string(static_cast<int>(type)));
        if (type == EntryType::File && filter.matches(name)) {
            const auto info = cursor.entryInfo(name);
            out.append("=").append(info ? std::to_string(info->size) : "?");
        }
    }
    out.append("\n");
    for (const auto& [name, type] : entries) {
        if (type != EntryType::Folder)
            continue;
        ASSERT_TRUE(cursor.enter(name)) << path << "/" << name;
        walkAll(cursor, filter, path + "/" + name, out);
        ASSERT_TRUE(cursor.leave());
    }
}

// However the walk and the helpers share the reading (a helper on every folder next, or leaving the next
// ones to the walk, one helper or several), the walk sees every folder as it reads them alone; and the
// helpers never take the one folder the walk enters next.
TEST(PosixFolderCursor, SharingTheReadingWithHelpersChangesNothingTheWalkSees)
{
    TempFolder tree;
    for (int a = 0; a < 6; ++a) {
        for (int b = 0; b < 5; ++b) {
            const std::string folder = std::to_string(a) + "/" + std::to_string(b);
            tree.makeFolder(folder + "/leaf");
            tree.writeFile(folder + "/x.tmp", std::string(static_cast<std::size_t>(a * 5 + b), 'x'));
            tree.writeFile(folder + "/y.txt", "y");
        }
    }
    const TmpFiles filter;
    std::string alone;
    PosixFolderCursor reference(Opening::Beneath, ReadAhead::Off);
    reference.setWalkOrder(&byteOrder, &filter);
    ASSERT_TRUE(reference.open(tree.path()));
    walkAll(reference, filter, ".", alone);

    for (const auto& [threads, walkLead] :
         std::vector<std::pair<std::size_t, std::size_t>>{{1, 0}, {1, 3}, {3, 1}}) {
        PosixFolderCursor cursor(Opening::Beneath, ReadAhead::Always,
                                 {.threads = threads, .walkLead = walkLead});
        cursor.setWalkOrder(&byteOrder, &filter);
        ASSERT_TRUE(cursor.open(tree.path()));
        std::string shared;
        walkAll(cursor, filter, ".", shared);
        EXPECT_EQ(shared, alone) << threads << " helpers leaving " << walkLead << " to the walk";
        EXPECT_LE(cursor.listingsTaken(), 6u * 5u * 2u + 6u);
        cursor.setWalkOrder(nullptr);
    }

    // Down a chain of single folders the one folder known is always the walk's next: no helper reads it,
    // which would only make the walk wait for it at every step.
    TempFolder chain;
    std::string path = "c";
    for (int i = 0; i < 20; ++i, path += "/c")
        chain.makeFolder(path);
    PosixFolderCursor cursor(Opening::Beneath, ReadAhead::Always, {.threads = 2});
    cursor.setWalkOrder(&byteOrder, &filter);
    ASSERT_TRUE(cursor.open(chain.path()));
    std::string walked;
    walkAll(cursor, filter, ".", walked);
    EXPECT_EQ(cursor.foldersReadAhead(), 0u);
}

// One helper per processor but the walk's, within bounds, and fewer where the descriptor limit is small.
TEST(PosixFolderCursor, StartsAHelperPerOtherProcessorWithinItsBoundsAndTheDescriptorLimit)
{
    // processors, descriptors, helpers
    for (const auto& [processors, descriptors, helpers] :
         std::vector<std::array<unsigned, 3>>{{1, 65536, 0},
                                              {0, 65536, 1},
                                              {2, 65536, 1},
                                              {12, 65536, 11},
                                              {64, 65536, 15},
                                              {16, 256, 4},
                                              {16, 63, 0}})
        EXPECT_EQ(DescriptorLimit::readAheadThreads(descriptors, readAheadHelpers(processors)), helpers)
            << processors;
}

INSTANTIATE_TEST_SUITE_P(BothOpenings, CursorTreeTest, testing::Values(Opening::Beneath, Opening::Checked),
                         openingName);
INSTANTIATE_TEST_SUITE_P(BothOpenings, CursorOpening, testing::Values(Opening::Beneath, Opening::Checked),
                         openingName);

} // namespace
} // namespace dustrel::posix
