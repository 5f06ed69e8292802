#include "platform/posix/PosixFolderCursor.h"

#include "base/Text.h"
#include "platform/posix/PosixFileSystem.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(SYS_openat2) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#define DUSTREL_HAVE_OPENAT2 1
#endif

namespace dustrel::posix {

namespace {

// O_NONBLOCK: should a FIFO or a device take the place of a folder, opening it must neither wait for a
// writer nor wake up a driver. O_DIRECTORY already refuses them, this only keeps it so if it did not.
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

// Large enough that an ordinary folder is read in one call, and the call that says the end has come.
constexpr std::size_t kBufferSize = 64 * 1024;

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

PosixFolderCursor::PosixFolderCursor(Opening opening)
    : m_chain(kFolderFlags), m_openBeneath(opening == Opening::Checked ? Support::No : Support::Unknown)
{}

PosixFolderCursor::~PosixFolderCursor() = default;

Result<void> PosixFolderCursor::open(const std::string& path)
{
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
    return {};
}

Result<void> PosixFolderCursor::readEntries(FolderContents& out)
{
    out.clear();
    if (auto state = m_chain.usable("walk", m_path); !state)
        return state.error();
    const int folder = m_chain.top();
    Level& level = m_levels.back();
    // The descriptor's position is where the last reading of this folder ended.
    if (level.read && lseek(folder, 0, SEEK_SET) != 0)
        return systemError(errno, m_path);
    level.read = true;
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(kBufferSize);
    char* const buffer = m_buffer.get();

    for (;;) {
        const ssize_t got = getdents64(folder, buffer, kBufferSize);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            out.clear();
            return systemError(code, m_path);
        }
        if (got == 0)
            return {};
        // Records are read field by field: the buffer is only bytes to this program.
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const char* record = buffer + at;
            unsigned short length = 0;
            std::memcpy(&length, record + offsetof(struct dirent64, d_reclen), sizeof length);
            const auto kind = static_cast<unsigned char>(record[offsetof(struct dirent64, d_type)]);
            const char* name = record + offsetof(struct dirent64, d_name);
            const std::size_t nameLength = strnlen(name, length - offsetof(struct dirent64, d_name));
            at += length;
            if (name[0] == '.' && (nameLength == 1 || (nameLength == 2 && name[1] == '.')))
                continue;
            EntryType type = entryTypeFromDirent(kind);
            if (type == EntryType::Unknown) {
                // Some file systems do not say; ask, without following a link. An entry that vanished in
                // between stays Unknown.
                struct stat st
                {
                };
                if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = entryTypeFromMode(st.st_mode);
            }
            out.add(std::string_view(name, nameLength), type);
        }
    }
}

Result<FileInfo> PosixFolderCursor::entryInfo(std::string_view name)
{
    if (auto state = m_chain.usable("walk", m_path); !state)
        return state.error();
    if (!isSingleName(name))
        return notAName(joinPath(m_path, name, '/'));
    m_name.assign(name);
    struct stat st
    {
    };
    if (fstatat(m_chain.top(), m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return systemError(errno, joinPath(m_path, name, '/'));
    return fileInfoFromStat(st);
}

bool PosixFolderCursor::mayDelete(const FileInfo& entry)
{
    if (!m_chain.usable("walk", m_path))
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
    struct stat st
    {
    };
    if (fstat(folder, &st) != 0)
        return Deleting::Nothing;
    if ((st.st_mode & S_ISVTX) == 0 || st.st_uid == geteuid())
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
    return {};
}

Result<void> PosixFolderCursor::leave()
{
    if (m_levels.empty())
        return Error{EBADF, "no folder is open", ""};
    if (m_levels.size() == 1)
        return Error{EINVAL, "already at the folder the walk started from", m_path};
    if (m_openBeneath == Support::No)
        m_ancestors.erase(m_levels.back().inode);
    auto popped = m_chain.pop();
    m_levels.pop_back();
    m_path.resize(m_levels.back().pathLength);
    if (!popped) {
        Error error = popped.error();
        error.path = m_path;
        return error;
    }
    return {};
}

} // namespace dustrel::posix
