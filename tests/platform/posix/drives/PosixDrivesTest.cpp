#include "platform/posix/drives/PosixDrives.h"

#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace dustrel::test {
namespace {

using posix::DriveMap;
using posix::PosixDrives;

// Mimics /sys/dev/block: each device number links to its device's folder, and a partition's folder
// ("sda/sda1") sits inside its disk's, so that "<partition>/../removable" is the disk's flag as on a real
// system.
struct FakeSysfs
{
    FakeSysfs() { folder.makeFolder("dev/block"); }
    void device(const std::string& number, const std::string& path, const char* removable = nullptr)
    {
        folder.makeFolder("devices/" + path);
        if (removable != nullptr)
            folder.writeFile("devices/" + path + "/removable", removable);
        EXPECT_EQ(symlink(("../../devices/" + path).c_str(), (folder / "dev/block/" + number).c_str()), 0);
    }
    TempFolder folder;
};

// "C / 3" per drive: letter, root and drive type.
std::string describe(PosixDrives& drives)
{
    std::string text;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const DriveType type = drives.driveType(letter);
        if (type != DriveType::NoRootDir)
            text += std::string(1, letter) + " " + drives.rootPath(letter) + " " +
                    std::to_string(static_cast<int>(type)) + "\n";
    }
    return text;
}

TEST(PosixDrives, LettersRootsAndTypesOfRealMountLists)
{
    const struct
    {
        const char* file;
        const char* removablePartition; // the stick of that machine, if any
        std::string drives;
    } cases[] = {
        {"path-mountinfo-media-vfat", "8:1",
         "C / 3\nD /boot/efi/ 3\nE /dev/shm/ 6\nF /media/blaa/0097-98D8/ 2\nG /run/ 6\nH /run/lock/ 6\n"
         "I /run/user/1000/ 6\n"},
        {"jaraco-docker-mountinfo-overlay-root", nullptr, "C / 3\n"},
        // The later of two mounts on /mnt/nfs/test-dupe hides the first, so that point is a separate drive.
        // Network shares get no letter: a share whose server is gone would hang every run.
        {"node-exporter-mountinfo-nfs", nullptr, "C / 3\nD /root/ 6\n"},
        // The tab sorts before the blank, so the tab's mount point keeps device 260:0.
        {"node-exporter-mountinfo-octal-escapes", nullptr,
         "C / 3\nD /boot/ 3\nE /dev/shm/ 6\nF /run/ 6\nG /run/lock/ 6\nH /run/user/1000/ 6\n"
         "I /var/lib/containers/storage/overlay/ 3\n"
         "J /var/lib/kubelet/plugins/kubernetes.io/vsphere-volume/mounts/[vsanDatastore]\tbafb9e5a-8856-7e6c-"
         "699c-801844e77a4a/kubernetes-dynamic-pvc-3eba5bba-48a3-11e8-89ab-005056b92113.vmdk/ 3\n"},
        {"util-linux-mountinfo-btrfs-subvolumes", nullptr, "C / 3\n"},
        {"util-linux-mountinfo-systemd-desktop", "8:17",
         "C / 3\nD /boot/ 3\nE /boot/efi/ 3\nF /dev/shm/ 6\nG /home/ 3\nH /home/archive/ 2\nI /home/games/ "
         "3\n"
         "J /run/ 6\nK /run/user/0/ 6\nL /run/user/1000/ 6\nM /tmp/ 6\n"},
    };
    for (const auto& c : cases) {
        FakeSysfs sysfs;
        if (c.removablePartition != nullptr) {
            sysfs.device("8:0", "stick", "1\n");
            sysfs.device(c.removablePartition, "stick/stick1");
        }
        const std::string text = readWholeFile(std::string(DUSTREL_TEST_DATA) + "/mountinfo/" + c.file);
        ASSERT_FALSE(text.empty()) << c.file;
        PosixDrives drives(DriveMap(text, ""), sysfs.folder.path());
        EXPECT_EQ(describe(drives), c.drives) << c.file;
    }
}

TEST(PosixDrives, RemovableFlagOfTheDiskOrThePartitionsDisk)
{
    FakeSysfs sysfs;
    sysfs.device("8:0", "sda", "0\n");
    sysfs.device("8:1", "sda/sda1");
    sysfs.device("8:16", "sdb", "1\n");
    sysfs.device("8:17", "sdb/sdb1");
    sysfs.device("11:0", "sr0", "1"); // no final new line
    sysfs.device("7:0", "loop0");
    const DriveMap map("1 0 8:1 / / rw - ext4 a rw\n"
                       "2 1 8:16 / /d rw - ext4 a rw\n"    // a whole disk without partitions
                       "3 1 8:17 / /e rw - vfat a rw\n"    // a partition of that disk
                       "4 1 11:0 / /f rw - iso9660 a rw\n" // a disc is a disc, removable or not
                       "5 1 7:0 / /g rw - squashfs a rw\n" // no flag at all
                       "6 1 9:9 / /h rw - ext4 a rw\n"     // not in sysfs
                       "7 1 0:77 / /i rw - tmpfs a rw\n"
                       "8 1 0:78 / /j rw - fuse.sshfs me@host: rw\n" // a network client, not a drive
                       "9 1 8:32 / /k rw - fuseblk /dev/sdc1 rw\n",  // a local disk through FUSE
                       "");
    PosixDrives drives(map, sysfs.folder.path());
    EXPECT_EQ(describe(drives), "C / 3\nD /d/ 2\nE /e/ 2\nF /f/ 5\nG /g/ 3\nH /h/ 3\nI /i/ 6\nJ /k/ 3\n");
}

TEST(PosixDrives, FreeSpaceOfARootAndOfNothing)
{
    TempFolder temp;
    const std::string drivesFolder = temp.makeFolder("drives");
    temp.makeFolder("gone");
    ASSERT_EQ(symlink("/", (drivesFolder + "/c:").c_str()), 0);
    ASSERT_EQ(symlink((temp / "gone").c_str(), (drivesFolder + "/d:").c_str()), 0);
    PosixDrives drives(DriveMap("", drivesFolder), temp.path());
    removeTree(temp / "gone"); // the drive's folder went away after the map was made

    const auto space = drives.diskFreeSpace('C');
    ASSERT_TRUE(space.has_value());
    EXPECT_EQ(space->sectorsPerCluster, 1u);
    EXPECT_GT(space->bytesPerSector, 0u);
    EXPECT_GT(space->totalClusters, 0u);
    EXPECT_LE(space->freeClusters, space->totalClusters);
    EXPECT_FALSE(drives.diskFreeSpace('D').has_value());
    EXPECT_FALSE(drives.diskFreeSpace('E').has_value());
    EXPECT_EQ(drives.rootPath('E'), "");
    EXPECT_EQ(drives.driveType('?'), DriveType::NoRootDir);
}

// A FUSE mount whose daemon never answers, in a private mount namespace: every call that reaches it waits
// until the connection closes. Whether it is reached through the mount list or a drive link, to its root
// or below, the drive is of unknown size and unreachable, and the others are not.
TEST(PosixDrives, ADriveThatNeverAnswersIsUnreachableWithAnUnknownSizeInTime)
{
    TempFolder temp;
    const std::string dead = temp.makeFolder("dead"), links = temp.makeFolder("drives");
    for (const auto& [name, target] : {std::pair{"c:", temp.path()}, {"e:", dead}, {"f:", dead + "/sub"}})
        ASSERT_EQ(symlink(target.c_str(), (links + "/" + name).c_str()), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (!mountDeadFileSystem(dead))
            _exit(77);
        // Listed as a disk, as a drive link to such a folder would be.
        PosixDrives drives(
            DriveMap("1 0 8:1 / / rw - ext4 a rw\n2 1 0:99 / " + dead + " rw - ext4 b rw\n", ""), temp.path(),
            std::chrono::milliseconds(300));
        const bool unknown = !drives.diskFreeSpace('D').has_value() && drives.unreachable('D');
        PosixDrives linked(DriveMap("", links, std::chrono::milliseconds(300)), temp.path());
        const bool linksKnown = linked.rootPath('E') == dead + "/" &&
                                linked.rootPath('F') == dead + "/sub/" && linked.unreachable('E') &&
                                linked.unreachable('F') && !linked.diskFreeSpace('F') &&
                                !linked.unreachable('C');
        _exit(unknown && linksKnown && drives.diskFreeSpace('C').has_value() && !drives.unreachable('C') ? 0
                                                                                                         : 1);
    }
    int status = -1;
    for (int waited = 0; waited < 200 && waitpid(child, &status, WNOHANG) == 0; ++waited)
        usleep(100'000);
    if (status == -1) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the size query waited on the dead mount";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "cannot mount a FUSE file system in a private mount namespace here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(PosixDrives, CurrentDriveIsTheOneHoldingTheCurrentFolder)
{
    TempFolder temp;
    const std::string drivesFolder = temp.makeFolder("drives");
    const std::string inside = temp.makeFolder("data/inner");
    temp.makeFolder("other");
    ASSERT_EQ(symlink((temp / "data").c_str(), (drivesFolder + "/d:").c_str()), 0);
    auto driveIn = [](PosixDrives& drives, const std::string& folder) {
        std::unique_ptr<char, decltype(&std::free)> old(getcwd(nullptr, 0), &std::free);
        EXPECT_EQ(chdir(folder.c_str()), 0) << folder;
        const char letter = drives.currentDrive();
        EXPECT_EQ(chdir(old.get()), 0);
        return letter;
    };
    PosixDrives links(DriveMap("", drivesFolder), temp.path());
    EXPECT_EQ(driveIn(links, inside), 'D');
    EXPECT_EQ(driveIn(links, temp / "other"), 0);
    PosixDrives mounts(DriveMap("", ""), temp.path());
    EXPECT_EQ(driveIn(mounts, inside), 'C');
}

} // namespace
} // namespace dustrel::test
