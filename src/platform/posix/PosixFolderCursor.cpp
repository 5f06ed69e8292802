#include "platform/posix/PosixFolderCursor.h"

#include "platform/posix/DirStream.h"
#include "platform/posix/PosixFileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace dustrel::posix {

namespace {

// O_NONBLOCK: should a FIFO or a device take the place of a folder, opening it must neither wait for a
// writer nor wake up a driver. O_DIRECTORY already refuses them, this only keeps it so if it did not.
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

bool isSingleName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

Error notAName(std::string path)
{
    return Error{EINVAL, "not the name of an entry of the current folder", std::move(path)};
}

} // namespace

Result<void> PosixFolderCursor::open(const std::string& path)
{
    m_levels.clear();
    m_ancestors.clear();
    m_firstOpen = 1;
    m_lost = false;
    m_path.clear();

    UniqueFd fd(::open(path.c_str(), kFolderFlags));
    if (!fd)
        return systemError(errno, path);
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0)
        return systemError(errno, path);
    m_device = st.st_dev;
    m_path = path;
    m_ancestors.insert(st.st_ino);
    m_levels.push_back(Level{std::move(fd), st.st_ino, m_path.size()});
    return {};
}

Result<std::vector<FolderEntry>> PosixFolderCursor::entries()
{
    if (auto state = usable(); !state)
        return state.error();
    const int folder = m_levels.back().fd.get();
    UniqueFd copy(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!copy)
        return systemError(errno, m_path);
    DirStream dir(fdopendir(copy.get()));
    if (!dir)
        return systemError(errno, m_path);
    copy.release();
    // The copy shares its read position with the level's descriptor, which an earlier listing of this
    // folder left at the end.
    rewinddir(dir.get());

    std::vector<FolderEntry> result;
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            errno = 0;
            continue;
        }
        EntryType type = entryTypeFromDirent(entry->d_type);
        if (type == EntryType::Unknown) {
            // Some file systems do not say; ask, without following a link. An entry that vanished in
            // between stays Unknown.
            struct stat st
            {
            };
            if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = entryTypeFromMode(st.st_mode);
        }
        result.push_back(FolderEntry{name, type});
        errno = 0;
    }
    if (errno != 0)
        return systemError(errno, m_path);
    return result;
}

Result<FileInfo> PosixFolderCursor::entryInfo(std::string_view name)
{
    if (auto state = usable(); !state)
        return state.error();
    if (!isSingleName(name))
        return notAName(pathOf(name));
    struct stat st
    {
    };
    if (fstatat(m_levels.back().fd.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return systemError(errno, pathOf(name));
    return fileInfoFromStat(st);
}

Result<void> PosixFolderCursor::enter(std::string_view name)
{
    if (auto state = usable(); !state)
        return state.error();
    if (!isSingleName(name))
        return notAName(pathOf(name));
    const std::string child(name);
    const int folder = m_levels.back().fd.get();
    UniqueFd fd(openat(folder, child.c_str(), kFolderFlags | O_NOFOLLOW));
    if (!fd) {
        const int code = errno;
        if (code != ELOOP && code != ENOTDIR)
            return systemError(code, pathOf(name));
        struct stat st
        {
        };
        if (fstatat(folder, child.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            return Error{ELOOP, "a symbolic link, never entered", pathOf(name)};
        return Error{ENOTDIR, "not a folder", pathOf(name)};
    }
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0)
        return systemError(errno, pathOf(name));
    if (!S_ISDIR(st.st_mode))
        return Error{ENOTDIR, "not a folder", pathOf(name)};
    if (st.st_dev != m_device)
        return Error{EXDEV, "on another file system, not entered", pathOf(name)};
    // A bind mount of a folder below itself stays on the same device and would never end.
    if (m_ancestors.count(st.st_ino) != 0)
        return Error{ELOOP, "the same folder as one above it, not entered", pathOf(name)};

    // Appended in place: copying the whole path at each level would make a deep walk quadratic.
    if (m_path.empty() || m_path.back() != '/')
        m_path += '/';
    m_path += name;
    m_ancestors.insert(st.st_ino);
    m_levels.push_back(Level{std::move(fd), st.st_ino, m_path.size()});
    if (m_levels.size() - m_firstOpen > kKeptLevels) {
        m_levels[m_firstOpen].fd.reset();
        ++m_firstOpen;
    }
    return {};
}

Result<void> PosixFolderCursor::leave()
{
    if (m_levels.empty())
        return Error{EBADF, "no folder is open", ""};
    if (m_levels.size() == 1)
        return Error{EINVAL, "already at the folder the walk started from", m_path};

    const auto dropLevel = [this] {
        m_ancestors.erase(m_levels.back().inode);
        m_levels.pop_back();
        m_path.resize(m_levels.back().pathLength);
    };
    if (m_lost) {
        dropLevel();
        return usable();
    }

    Level& parent = m_levels[m_levels.size() - 2];
    if (!parent.fd) {
        // Reached through its child rather than by path: only the child still holds on to the tree here.
        UniqueFd fd(openat(m_levels.back().fd.get(), "..", kFolderFlags | O_NOFOLLOW));
        struct stat st
        {
        };
        if (!fd || fstat(fd.get(), &st) != 0) {
            const int code = errno;
            dropLevel();
            return lose(code, std::string("cannot reopen the parent folder: ") + std::strerror(code));
        }
        if (st.st_dev != m_device || st.st_ino != parent.inode) {
            dropLevel();
            return lose(ESTALE, "the folder was moved or replaced during the walk");
        }
        parent.fd = std::move(fd);
        m_firstOpen = m_levels.size() - 2;
    }
    dropLevel();
    return {};
}

std::size_t PosixFolderCursor::openDescriptors() const
{
    if (m_levels.empty() || m_lost)
        return 0;
    return 1 + (m_levels.size() - m_firstOpen);
}

Result<void> PosixFolderCursor::usable() const
{
    if (m_levels.empty())
        return Error{EBADF, "no folder is open", ""};
    if (m_lost)
        return Error{ESTALE, "the walk lost its place: a folder was moved or replaced meanwhile", m_path};
    return {};
}

std::string PosixFolderCursor::pathOf(std::string_view name) const
{
    std::string path = m_path;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

Error PosixFolderCursor::lose(int code, const std::string& why)
{
    m_lost = true;
    for (Level& level : m_levels)
        level.fd.reset();
    return Error{code, why, m_path};
}

} // namespace dustrel::posix
