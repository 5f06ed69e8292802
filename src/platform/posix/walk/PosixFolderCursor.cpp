#include "platform/posix/walk/PosixFolderCursor.h"

#include "base/Text.h"
#include "platform/posix/walk/FolderRecords.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

#if defined(SYS_openat2) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#define DUSTREL_HAVE_OPENAT2 1
#endif

namespace dustrel::posix {

namespace {

// O_NONBLOCK: should a FIFO or a device take the place of a folder, opening it must neither wait for a
// writer nor wake up a driver. O_DIRECTORY already refuses them, this only keeps it so if it did not.
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

// File systems on which every folder of a mount carries the device number of the mount: there, refusing
// mount points is enough to stay on one file system. On any other (btrfs subvolumes have device numbers
// of their own) each folder is asked.
constexpr std::array<unsigned long, 8> kOneDeviceFileSystems = {
    0xEF53,     // ext2, ext3, ext4
    0x58465342, // xfs
    0x01021994, // tmpfs
    0x858458F6, // ramfs
    0xF2F52010, // f2fs
    0x4D44,     // FAT
    0x2011BAB0, // exFAT
    0x7366746E, // NTFS
};

// A read from the cache takes a few microseconds; one that waits for the disk, from tens of them up. Such
// a read is confirmed by the disk reads of the thread, since on a busy machine a cached read may be slow
// for want of a processor; and a few of them must come before any helper starts.
constexpr std::chrono::microseconds kSlowRead{20};
constexpr std::size_t kSlowReadsToStart = 4;

Error notAName(std::string path)
{
    return Error{EINVAL, "not the name of an entry of the current folder", std::move(path)};
}

bool keepsOneDevice(int fd)
{
    struct statfs fs
    {
    };
    if (fstatfs(fd, &fs) != 0)
        return false;
    for (const unsigned long type : kOneDeviceFileSystems) {
        if (static_cast<unsigned long>(fs.f_type) == type)
            return true;
    }
    return false;
}

#ifdef DUSTREL_HAVE_OPENAT2
int openBeneath(int parent, const char* name)
{
    open_how how{};
    how.flags = static_cast<std::uint64_t>(kFolderFlags | O_NOFOLLOW);
    how.resolve = RESOLVE_NO_XDEV | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(syscall(SYS_openat2, parent, name, &how, sizeof how));
}
#endif

// Whether openat2 works here: a kernel before 5.6, or a sandbox that filters the call, says no.
bool canOpenBeneath(int folder)
{
#ifdef DUSTREL_HAVE_OPENAT2
    const UniqueFd probe(openBeneath(folder, "."));
    return static_cast<bool>(probe);
#else
    (void)folder;
    return false;
#endif
}

} // namespace

PosixFolderCursor::PosixFolderCursor(Opening opening, ReadAhead readAhead, FolderReadAhead::Limits limits)
    : m_chain(kFolderFlags), m_openBeneath(opening == Opening::Checked ? Support::No : Support::Unknown),
      m_readAheadMode(readAhead), m_readAheadLimits(limits)
{
    if (readAhead == ReadAhead::Always)
        m_readAheadLimits.idleAfter = 0;
    // Helpers that took the last descriptors would make the walk's own opens fail.
    m_readAheadLimits.threads = DescriptorLimit::readAheadThreads(DescriptorLimit::current(), limits.threads);
    m_readAheadLimits.coldThreads =
        m_readAheadLimits.threads == 0
            ? 0
            : DescriptorLimit::readAheadThreads(DescriptorLimit::current(),
                                                std::max(limits.threads, limits.coldThreads));
    m_readAheadLimits.heldFolders =
        std::min(limits.heldFolders, DescriptorLimit::kHeldPerHelper * m_readAheadLimits.coldThreads);
}

PosixFolderCursor::~PosixFolderCursor() = default;

Result<void> PosixFolderCursor::open(const std::string& path)
{
    endReadAhead();
    m_handed.reset();
    m_listingsTaken = 0;
    m_readAheadBefore = 0;
    m_slowReads = 0;
    const auto started = std::chrono::steady_clock::now();
    m_chain.clear();
    m_levels.clear();
    m_ancestors.clear();
    m_path.clear();

    UniqueFd fd(::open(path.c_str(), kFolderFlags));
    if (!fd)
        return systemError(errno, path);
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0)
        return systemError(errno, path);
    if (m_openBeneath == Support::Unknown)
        m_openBeneath = canOpenBeneath(fd.get()) ? Support::Yes : Support::No;
    m_checkEachFolder = m_openBeneath == Support::No || !keepsOneDevice(fd.get());
    m_device = st.st_dev;
    m_path = path;
    if (m_openBeneath == Support::No)
        m_ancestors.insert(st.st_ino);
    m_chain.start(std::move(fd));
    m_levels.push_back(Level{m_path.size(), st.st_ino, false});
    if (m_walkOrder != nullptr) {
        m_enterStarted = started;
        m_diskReads = diskReadsOfThisThread();
    }
    return {};
}

Result<void> PosixFolderCursor::readEntries(FolderContents& out)
{
    out.clear();
    if (auto state = m_chain.usable("walk", m_path); !state)
        return state.error();
    // Timed from the opening of a folder just entered: a cold folder waits there for its own record.
    std::chrono::steady_clock::time_point started = std::exchange(m_enterStarted, {});
    if (m_walkOrder != nullptr && started == std::chrono::steady_clock::time_point{})
        started = std::chrono::steady_clock::now();
    const int folder = m_chain.top();
    Level& level = m_levels.back();
    // The descriptor's position is where the last reading of this folder ended.
    if (level.read && lseek(folder, 0, SEEK_SET) != 0)
        return systemError(errno, m_path);
    if (m_handed && !level.read) {
        std::swap(out, m_handed->contents);
        const bool told = m_handed->subfoldersKnown;
        // Holding what the walk read before, with its memory: given back for a helper's next listing.
        m_spare = std::move(m_handed);
        ++m_listingsTaken;
        level.read = true;
        if (m_walkOrder != nullptr && !told)
            walkRead(out, std::chrono::steady_clock::now() - started);
        return {};
    }
    level.read = true;
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(kFolderBufferSize);
    if (const int code = readFolderRecords(folder, m_buffer.get(), out); code != 0)
        return systemError(code, m_path);
    if (m_walkOrder != nullptr)
        walkRead(out, std::chrono::steady_clock::now() - started);
    return {};
}

Result<FileInfo> PosixFolderCursor::entryInfo(std::string_view name)
{
    if (auto state = m_chain.usable("walk", m_path); !state)
        return state.error();
    if (!isSingleName(name))
        return notAName(joinPath(m_path, name, '/'));
    m_name.assign(name);
    FileInfo info;
    if (const int code = entryInfoAt(m_chain.top(), m_name.c_str(), info); code != 0)
        return systemError(code, joinPath(m_path, name, '/'));
    return info;
}

bool PosixFolderCursor::mayDelete(const FileInfo& entry)
{
    // Listed, it would fail at every run until somebody clears the attribute.
    if (entry.unlinkForbidden || !m_chain.usable("walk", m_path))
        return false;
    Level& level = m_levels.back();
    if (level.deleting == Deleting::Unknown)
        level.deleting = whatMayBeDeleted(m_chain.top());
    if (level.deleting != Deleting::OwnFiles)
        return level.deleting == Deleting::Anything;
    if (entry.owner == geteuid())
        return true;
    if (m_mayActForAnyOwner < 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
        const bool fowner = syscall(SYS_capget, &header, data) == 0 &&
                            (data[CAP_TO_INDEX(CAP_FOWNER)].effective & CAP_TO_MASK(CAP_FOWNER)) != 0;
        m_mayActForAnyOwner = fowner ? 1 : 0;
    }
    return m_mayActForAnyOwner == 1;
}

PosixFolderCursor::Deleting PosixFolderCursor::whatMayBeDeleted(int folder)
{
    // The system's own answer for the effective ids, the supplementary groups, the privileges, a
    // read-only mount and an immutable folder. Resolving "." needs the very search right asked for.
    if (faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return Deleting::Nothing;
    // An append-only folder takes new entries but gives none up, not even to root. One call tells that
    // and the sticky bit: it runs for every folder with a match.
    FileInfo info;
    unsigned mode = 0;
    if (entryInfoAt(folder, "", info, AT_EMPTY_PATH, &mode) != 0 || info.unlinkForbidden)
        return Deleting::Nothing;
    if ((mode & S_ISVTX) == 0 || info.owner == geteuid())
        return Deleting::Anything;
    return Deleting::OwnFiles;
}

UniqueFd PosixFolderCursor::openSubfolder(int parent, const char* name)
{
#ifdef DUSTREL_HAVE_OPENAT2
    if (m_openBeneath == Support::Yes)
        return UniqueFd(openBeneath(parent, name));
#endif
    return UniqueFd(openat(parent, name, kFolderFlags | O_NOFOLLOW));
}

Result<void> PosixFolderCursor::enter(std::string_view name)
{
    if (auto state = m_chain.usable("walk", m_path); !state)
        return state.error();
    if (!isSingleName(name))
        return notAName(joinPath(m_path, name, '/'));
    const auto started =
        m_walkOrder != nullptr ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
    m_name.assign(name);
    const int folder = m_chain.top();
    UniqueFd fd = openSubfolder(folder, m_name.c_str());
    if (!fd) {
        const int code = errno;
        if (code == EXDEV)
            return Error{EXDEV, "a mount point, not entered", joinPath(m_path, name, '/')};
        if (code != ELOOP && code != ENOTDIR)
            return systemError(code, joinPath(m_path, name, '/'));
        struct stat st
        {
        };
        if (fstatat(folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            return Error{ELOOP, "a symbolic link, never entered", joinPath(m_path, name, '/')};
        return Error{ENOTDIR, "not a folder", joinPath(m_path, name, '/')};
    }
    std::uint64_t inode = 0;
    if (m_checkEachFolder) {
        struct stat st
        {
        };
        if (fstat(fd.get(), &st) != 0)
            return systemError(errno, joinPath(m_path, name, '/'));
        if (!S_ISDIR(st.st_mode))
            return Error{ENOTDIR, "not a folder", joinPath(m_path, name, '/')};
        if (st.st_dev != m_device)
            return Error{EXDEV, "on another file system, not entered", joinPath(m_path, name, '/')};
        // Without openat2 a bind mount of a folder below itself stays on the same device and would never
        // end.
        if (m_openBeneath == Support::No) {
            if (m_ancestors.count(st.st_ino) != 0)
                return Error{ELOOP, "the same folder as one above it, not entered",
                             joinPath(m_path, name, '/')};
            m_ancestors.insert(st.st_ino);
        }
        inode = st.st_ino;
    }

    // Appended in place: copying the whole path at each level would make a deep walk quadratic.
    if (m_path.empty() || m_path.back() != '/')
        m_path += '/';
    m_path += name;
    m_chain.push(std::move(fd));
    m_levels.push_back(Level{m_path.size(), inode, false});
    m_enterStarted = started;
    m_handed.reset();
    if (m_readAhead)
        takeListing(m_chain.top(), name);
    return {};
}

void PosixFolderCursor::takeListing(int folder, std::string_view name)
{
    m_handed = m_readAhead->walkEntered(name, std::move(m_spare));
    if (!m_handed)
        return;
    // Only a listing of the very folder the walk opened: one swapped since a helper read it is read again.
    // Where enter() asked the folder already, its answer serves.
    struct stat st
    {
    };
    st.st_dev = static_cast<dev_t>(m_device);
    st.st_ino = static_cast<ino_t>(m_levels.back().inode);
    if ((!m_checkEachFolder && fstat(folder, &st) != 0) || st.st_dev != m_handed->device ||
        st.st_ino != m_handed->inode)
        m_handed.reset();
}

Result<void> PosixFolderCursor::leave()
{
    if (m_levels.empty())
        return Error{EBADF, "no folder is open", ""};
    if (m_levels.size() == 1)
        return Error{EINVAL, "already at the folder the walk started from", m_path};
    if (m_openBeneath == Support::No)
        m_ancestors.erase(m_levels.back().inode);
    m_handed.reset();
    auto popped = m_chain.pop();
    m_levels.pop_back();
    m_path.resize(m_levels.back().pathLength);
    if (!popped) {
        endReadAhead();
        Error error = popped.error();
        error.path = m_path;
        return error;
    }
    if (m_readAhead)
        m_readAhead->walkLeft();
    return {};
}

void PosixFolderCursor::setWalkOrder(NameOrder order, const NameFilter* listed)
{
    m_walkOrder = order;
    m_listed = order != nullptr ? listed : nullptr;
    m_enterStarted = {};
    m_slowReads = 0;
    if (order == nullptr)
        endReadAhead();
    else
        m_diskReads = diskReadsOfThisThread();
}

std::size_t PosixFolderCursor::foldersReadAhead() const
{
    return m_readAheadBefore + (m_readAhead ? m_readAhead->foldersRead() : 0);
}

void PosixFolderCursor::walkRead(const FolderContents& contents, std::chrono::steady_clock::duration took)
{
    if (m_readAhead) {
        if (!m_readAhead->idle()) {
            m_readAhead->walkRead(contents);
            return;
        }
        // The helpers find the cache warm: from here on they would only cost processor time.
        endReadAhead();
    }
    if (m_readAheadMode == ReadAhead::Off || m_openBeneath != Support::Yes || m_readAheadLimits.threads == 0)
        return;
    // Helpers that list start at once, warm or cold: the walk and they share the reading. Helpers that
    // only warm the cache start once the walk's reads wait for the disk.
    if (m_readAheadMode == ReadAhead::WhenSlow && m_listed == nullptr) {
        if (took < kSlowRead)
            return;
        const std::uint64_t diskReads = diskReadsOfThisThread();
        const bool fromDisk = diskReads != m_diskReads;
        m_diskReads = diskReads;
        if (!fromDisk || ++m_slowReads < kSlowReadsToStart)
            return;
    }
    startReadAhead(contents);
}

void PosixFolderCursor::startReadAhead(const FolderContents& contents)
{
    const std::size_t startLength = m_levels.front().pathLength;
    // No helper could open a folder that far below the start folder.
    if (m_chain.lost() || m_path.size() - startLength >= PATH_MAX)
        return;
    // The names of the folders the walk went down into, as enter() appended them to m_path.
    std::vector<std::string_view> names;
    names.reserve(m_levels.size());
    for (std::size_t i = 1; i < m_levels.size(); ++i) {
        std::string_view name(m_path.data() + m_levels[i - 1].pathLength,
                              m_levels[i].pathLength - m_levels[i - 1].pathLength);
        if (!name.empty() && name.front() == '/')
            name.remove_prefix(1);
        names.push_back(name);
    }
    m_readAhead =
        std::make_unique<FolderReadAhead>(m_chain.startFolder(), m_device, m_checkEachFolder, m_walkOrder,
                                          m_readAheadLimits, names, contents, m_listed);
}

void PosixFolderCursor::endReadAhead()
{
    if (!m_readAhead)
        return;
    m_readAheadBefore += m_readAhead->foldersRead();
    m_handed.reset();
    m_readAhead.reset();
    m_slowReads = 0;
}

} // namespace dustrel::posix
