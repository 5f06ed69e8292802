#include "platform/posix/PosixDrives.h"

#include "base/Text.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <poll.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
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

// statvfs in a child process, given up after `limit`. The child calls only what is safe after fork() in a
// program with threads, and first closes every descriptor it does not write to: one that it kept, such as
// a lock, would stay held for as long as a hung child lives.
std::optional<struct statvfs> boundedStatvfs(const std::string& path, std::chrono::milliseconds limit)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    const char* const cPath = path.c_str();
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        const unsigned keep = static_cast<unsigned>(pipeFds[1]);
        if (keep > 0)
            ::close_range(0, keep - 1, 0);
        ::close_range(keep + 1, ~0u, 0);
        struct statvfs st = {};
        if (::statvfs(cPath, &st) != 0)
            ::_exit(1);
        const ssize_t written = ::write(pipeFds[1], &st, sizeof st);
        ::_exit(written == static_cast<ssize_t>(sizeof st) ? 0 : 1);
    }
    writeEnd.reset();

    struct statvfs st = {};
    std::size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool finished = false;
    while (!finished) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd waiting = {readEnd.get(), POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const ssize_t n = ::read(readEnd.get(), reinterpret_cast<char*>(&st) + got, sizeof st - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            got += static_cast<std::size_t>(n);
        finished = n <= 0 || got == sizeof st;
    }
    if (!finished) {
        // Still in the call: it may not even die before the call returns, so it is not waited for.
        ::kill(child, SIGKILL);
        return std::nullopt;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != sizeof st)
        return std::nullopt;
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
    if (drive == nullptr)
        return std::nullopt;
    const std::optional<struct statvfs> measured = boundedStatvfs(drive->root, m_sizeQueryLimit);
    if (!measured)
        return std::nullopt;
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

char PosixDrives::currentDrive()
{
    // Given no buffer, getcwd allocates one as long as the path needs.
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd || cwd.get()[0] != '/')
        return 0;
    return m_map.letterHolding(cwd.get());
}

} // namespace dustrel::posix
