#include "platform/posix/drives/DriveMap.h"

#include "base/Text.h"
#include "platform/posix/session/XdgPaths.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dustrel::posix {

namespace {

// Kernel interfaces and desktop helpers that are mounted like file systems but keep no user files.
// clang-format off
constexpr std::string_view pseudoFileSystems[] = {
    "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "securityfs", "debugfs", "tracefs", "bpf",
    "pstore", "mqueue", "hugetlbfs", "configfs", "fusectl", "binfmt_misc", "autofs", "efivarfs", "nsfs",
    "rpc_pipefs", "nfsd", "selinuxfs", "apparmorfs", "xenfs", "cpuset", "pipefs", "sockfs",
    "fuse.gvfsd-fuse", "fuse.gvfs-fuse-daemon", "fuse.portal", "fuse.xdg-document-portal", "fuse.lxcfs",
};
// clang-format on

// File systems whose files lie on another machine, or behind a daemon of their own: either can stop
// answering, and then every call that touches them waits.
constexpr std::string_view networkFileSystems[] = {
    "nfs", "nfs4", "cifs",  "smb3",   "smbfs", "ncpfs",    "sshfs", "9p",       "ceph",   "glusterfs",
    "afs", "coda", "davfs", "lustre", "gpfs",  "virtiofs", "fuse",  "orangefs", "beegfs", "pvfs2",
};

// Everything mounted below these is a view of the kernel, whatever type the list gives it.
constexpr std::string_view kernelFolders[] = {"/proc", "/sys"};

// Drive links are named by one letter and a colon.
char linkLetter(std::string_view name)
{
    if (name.size() != 2 || name[1] != ':')
        return 0;
    const char c = asciiUpper(name[0]);
    return c >= 'A' && c <= 'Z' ? c : 0;
}

// Where a link leads as the link itself says, made absolute against the folder that holds it; empty
// when it cannot be read. Reading a link never reaches the file system it points into.
std::string linkTarget(const std::string& folder, const std::string& name)
{
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink((folder + "/" + name).c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
        return {};
    target.resize(static_cast<std::size_t>(length));
    return target.front() == '/' ? target : folder + "/" + target;
}

struct LinkedFolder
{
    std::string path; // empty when the link leads to no folder
    bool unreachable = false;
};

// Follows a drive link in child processes given up after `limit`, since the folder it names may lie on a
// share that no longer answers and no signal ends a call that waits on one.
LinkedFolder followLink(const std::string& folder, const std::string& name, std::chrono::milliseconds limit)
{
    const Result<std::string> resolved = boundedRealPath(folder + "/" + name, limit);
    if (!resolved) {
        if (resolved.error().code != ETIMEDOUT)
            return {};
        return {linkTarget(folder, name), true};
    }
    const std::vector<Result<struct stat>> answer = boundedStat({*resolved}, true, limit);
    if (answer.front())
        return {S_ISDIR(answer.front()->st_mode) ? *resolved : std::string(), false};
    const bool silent = answer.front().error().code == ETIMEDOUT;
    return {silent ? *resolved : std::string(), silent};
}

} // namespace

bool isPseudoFileSystem(std::string_view fsType)
{
    return std::find(std::begin(pseudoFileSystems), std::end(pseudoFileSystems), fsType) !=
           std::end(pseudoFileSystems);
}

bool isRemoteFileSystem(std::string_view fsType)
{
    // "fuse.sshfs", "fuse.rclone"...: the daemon behind a FUSE mount may be a network client; a local
    // disk through FUSE mounts as "fuseblk".
    return fsType.starts_with("fuse.") ||
           std::find(std::begin(networkFileSystems), std::end(networkFileSystems), fsType) !=
               std::end(networkFileSystems);
}

DriveMap::DriveMap(std::string_view mountInfo, const std::string& drivesFolder,
                   std::chrono::milliseconds lookupLimit)
{
    const MountTable mounts = MountTable::parse(mountInfo);
    if (!drivesFolder.empty() && isFolder(drivesFolder))
        mapLinks(drivesFolder, mounts, lookupLimit);
    else
        mapMounts(mounts);
}

DriveMap DriveMap::fromSystem()
{
    PosixFileSystem fileSystem;
    // The list is a few kilobytes even on busy machines; the limit only guards against a runaway file.
    auto text = fileSystem.readFile("/proc/self/mountinfo", 64 * 1024 * 1024);
    return DriveMap(text.ok() ? std::string_view(*text) : std::string_view(),
                    dustrelConfigFolder() + "/drives");
}

const MappedDrive* DriveMap::find(char letter) const
{
    const char upper = asciiUpper(letter);
    for (const MappedDrive& drive : m_drives) {
        if (drive.letter == upper)
            return &drive;
    }
    return nullptr;
}

char DriveMap::letterHolding(std::string_view path) const
{
    const MappedDrive* best = nullptr;
    for (const MappedDrive& drive : m_drives) {
        const std::string_view folder = withoutTrailingSeparatorsKeepingRoot(drive.root, '/');
        if (!pathIsWithin(path, folder))
            continue;
        // Strictly longer, so that of two letters on one folder the first keeps it.
        if (best == nullptr || folder.size() > withoutTrailingSeparatorsKeepingRoot(best->root, '/').size())
            best = &drive;
    }
    return best != nullptr ? best->letter : 0;
}

bool DriveMap::add(char letter, std::string root, const MountEntry* fileSystem, bool unreachable)
{
    letter = asciiUpper(letter);
    if (letter < 'A' || letter > 'Z' || find(letter) != nullptr)
        return false;
    if (root.empty() || root.front() != '/')
        return false;
    MappedDrive drive;
    drive.letter = letter;
    drive.root = withOneTrailingSeparator(root, '/');
    drive.unreachable = unreachable;
    if (fileSystem != nullptr) {
        drive.fsType = fileSystem->fsType;
        drive.major = fileSystem->major;
        drive.minor = fileSystem->minor;
    }
    auto at = std::find_if(m_drives.begin(), m_drives.end(),
                           [&](const MappedDrive& d) { return d.letter > letter; });
    m_drives.insert(at, std::move(drive));
    return true;
}

void DriveMap::mapLinks(const std::string& drivesFolder, const MountTable& mounts,
                        std::chrono::milliseconds limit)
{
    m_fromLinks = true;
    PosixFileSystem fileSystem;
    auto entries = fileSystem.listFolder(drivesFolder);
    if (!entries)
        return; // the user asked for a map of links; one that cannot be read gives no drives
    // Sorted by name so that when both "C:" and "c:" exist the upper-case one wins on every machine,
    // whatever order the folder lists them in.
    std::sort(entries->begin(), entries->end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : *entries) {
        const char letter = linkLetter(entry.name);
        if (letter == 0 || entry.type != EntryType::Link)
            continue;
        // The system resolves a relative link target against the folder that holds the link.
        const LinkedFolder target = followLink(drivesFolder, entry.name, limit);
        if (!target.path.empty())
            add(letter, target.path, mounts.holder(target.path), target.unreachable);
    }
}

void DriveMap::mapMounts(const MountTable& mounts)
{
    // A later mount on the same point hides the earlier ones; std::map orders the points bytewise.
    std::map<std::string, const MountEntry*> visible;
    for (const MountEntry& entry : mounts.entries())
        visible[entry.mountPoint] = &entry;

    std::set<std::pair<unsigned, unsigned>> lettered;
    // The root folder is C: even when the list lacks it (a process in a folder that is not a mount
    // point, or no /proc): every file the program may walk lies below it.
    auto rootMount = visible.find("/");
    const MountEntry* rootEntry = rootMount != visible.end() ? rootMount->second : nullptr;
    add('C', "/", rootEntry);
    if (rootEntry != nullptr)
        lettered.insert({rootEntry->major, rootEntry->minor});

    char next = 'D';
    for (const auto& [visibleMountPoint, entry] : visible) {
        // Named, because clang 14 will not let a lambda capture a structured binding.
        const std::string& mountPoint = visibleMountPoint;
        if (next > 'Z')
            break;
        // A network share found in the mount list gets no letter, so that nothing asks it for its size
        // or walks it: a share whose server is gone would hang the start of every run.
        if (mountPoint == "/" || isPseudoFileSystem(entry->fsType) || isRemoteFileSystem(entry->fsType))
            continue;
        if (std::any_of(std::begin(kernelFolders), std::end(kernelFolders),
                        [&](std::string_view folder) { return pathIsWithin(mountPoint, folder); }))
            continue;
        if (!lettered.insert({entry->major, entry->minor}).second)
            continue;
        if (add(next, mountPoint, entry))
            ++next;
    }
}

} // namespace dustrel::posix
