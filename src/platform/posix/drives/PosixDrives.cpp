#include "platform/posix/drives/PosixDrives.h"

#include "base/Text.h"
#include "platform/posix/processes/ChildProcess.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace dustrel::posix {

namespace {

constexpr std::string_view discFileSystems[] = {"iso9660", "udf"};

// rootfs is the kernel's first root, itself a ramfs or tmpfs.
constexpr std::string_view memoryFileSystems[] = {"tmpfs", "ramfs", "rootfs"};

template <std::size_t N> bool listed(const std::string_view (&list)[N], std::string_view fsType)
{
    return std::find(std::begin(list), std::end(list), fsType) != std::end(list);
}

// statvfs in a child process, given up after `limit` with ETIMEDOUT.
Result<struct statvfs> boundedStatvfs(const std::string& path, std::chrono::milliseconds limit)
{
    const char* const cPath = path.c_str();
    auto child = ChildProcess::fork([cPath](int out) {
        struct statvfs st = {};
        if (::statvfs(cPath, &st) != 0)
            return 1;
        return ChildProcess::writeAnswer(out, &st, sizeof st) ? 0 : 1;
    });
    if (!child)
        return child.error();
    std::string answer;
    const Result<void> finished = child->finish({limit, sizeof(struct statvfs)}, [&](std::string_view piece) {
        answer.append(piece);
        return Result<void>();
    });
    if (!finished)
        return finished.error();
    if (answer.size() != sizeof(struct statvfs))
        return Error{EIO, "no answer", path};
    struct statvfs st = {};
    std::memcpy(&st, answer.data(), sizeof st);
    return st;
}

} // namespace

DriveType driveTypeOfFileSystem(std::string_view fsType)
{
    if (isRemoteFileSystem(fsType))
        return DriveType::Remote;
    if (listed(discFileSystems, fsType))
        return DriveType::CdRom;
    if (listed(memoryFileSystems, fsType))
        return DriveType::RamDisk;
    return DriveType::Fixed;
}

PosixDrives::PosixDrives(DriveMap map, std::string sysfsRoot, std::chrono::milliseconds sizeQueryLimit)
    : m_map(std::move(map)), m_sysfsRoot(std::move(sysfsRoot)), m_sizeQueryLimit(sizeQueryLimit)
{}

DriveType PosixDrives::driveType(char letter)
{
    const MappedDrive* drive = m_map.find(letter);
    if (drive == nullptr)
        return DriveType::NoRootDir;
    const DriveType byType = driveTypeOfFileSystem(drive->fsType);
    if (byType != DriveType::Fixed)
        return byType;
    // Major 0 is a file system without a block device of its own: tmpfs, overlay, network shares, and
    // btrfs, which reports an anonymous device number.
    if (drive->major != 0 && isRemovable(drive->major, drive->minor))
        return DriveType::Removable;
    return DriveType::Fixed;
}

bool PosixDrives::isRemovable(unsigned major, unsigned minor) const
{
    PosixFileSystem fileSystem;
    const std::string device =
        m_sysfsRoot + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    // A whole disk has its own flag; a partition has none and takes its disk's, one level up through
    // the device link.
    auto flag = fileSystem.readFile(device + "/removable", 64);
    if (!flag)
        flag = fileSystem.readFile(device + "/../removable", 64);
    return flag.ok() && trimRight(*flag, " \t\n") == "1";
}

std::optional<DiskSpace> PosixDrives::diskFreeSpace(char letter)
{
    const MappedDrive* drive = m_map.find(letter);
    if (drive == nullptr || drive->unreachable)
        return std::nullopt;
    const Result<struct statvfs> measured = boundedStatvfs(drive->root, m_sizeQueryLimit);
    if (!measured) {
        if (measured.error().code == ETIMEDOUT)
            m_unanswered.insert(drive->letter);
        return std::nullopt;
    }
    const struct statvfs& st = *measured;
    DiskSpace space;
    space.bytesPerSector = st.f_frsize != 0 ? st.f_frsize : st.f_bsize;
    space.sectorsPerCluster = 1;
    space.totalClusters = st.f_blocks;
    space.freeClusters = st.f_bavail;
    return space;
}

std::string PosixDrives::rootPath(char letter)
{
    const MappedDrive* drive = m_map.find(letter);
    return drive != nullptr ? drive->root : std::string();
}

bool PosixDrives::unreachable(char letter)
{
    const MappedDrive* drive = m_map.find(letter);
    return drive != nullptr && (drive->unreachable || m_unanswered.count(drive->letter) != 0);
}

char PosixDrives::currentDrive()
{
    // Given no buffer, getcwd allocates one as long as the path needs.
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd || cwd.get()[0] != '/')
        return 0;
    return m_map.letterHolding(cwd.get());
}

} // namespace dustrel::posix
