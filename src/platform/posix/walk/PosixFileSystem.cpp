#include "platform/posix/walk/PosixFileSystem.h"

#include "platform/posix/drives/BoundedStat.h"
#include "platform/posix/io/DescriptorIo.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/processes/OpenFilesScanner.h"
#include "platform/posix/walk/ListedFileDeleter.h"
#include "platform/posix/walk/PosixFolderCursor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace dustrel::posix {

namespace {

FileTime toFileTime(const timespec& ts)
{
    using namespace std::chrono;
    return FileTime{duration_cast<system_clock::duration>(seconds{ts.tv_sec} + nanoseconds{ts.tv_nsec})};
}

} // namespace

FileInfo fileInfoFromStat(const struct stat& st)
{
    return FileInfo{entryTypeFromMode(st.st_mode),
                    static_cast<std::int64_t>(st.st_size),
                    toFileTime(st.st_mtim),
                    static_cast<std::uint64_t>(st.st_dev),
                    static_cast<std::uint64_t>(st.st_ino),
                    static_cast<std::uint32_t>(st.st_uid),
                    false,
                    toFileTime(st.st_ctim),
                    toFileTime(st.st_atim)};
}

int entryInfoAt(int folder, const char* name, FileInfo& out, int flags, unsigned* mode)
{
    flags |= AT_SYMLINK_NOFOLLOW;
#ifdef STATX_ATTR_IMMUTABLE
    // One call gives the attributes along with the rest, so asking for them costs nothing more.
    struct statx sx
    {
    };
    if (statx(folder, name, flags | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS, &sx) == 0) {
        out = FileInfo{entryTypeFromMode(sx.stx_mode),
                       static_cast<std::int64_t>(sx.stx_size),
                       toFileTime(timespec{sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec}),
                       makedev(sx.stx_dev_major, sx.stx_dev_minor),
                       sx.stx_ino,
                       sx.stx_uid,
                       (sx.stx_attributes & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND)) != 0,
                       toFileTime(timespec{sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec}),
                       toFileTime(timespec{sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec})};
        if (mode != nullptr)
            *mode = sx.stx_mode;
        return 0;
    }
    // A kernel or a sandbox without statx falls back to the plain call, which has no attributes.
    if (errno != ENOSYS && errno != EPERM)
        return errno;
#endif
    struct stat st
    {
    };
    if (fstatat(folder, name, &st, flags) != 0)
        return errno;
    out = fileInfoFromStat(st);
    if (mode != nullptr)
        *mode = st.st_mode;
    return 0;
}

EntryType entryTypeFromMode(unsigned mode)
{
    if (S_ISREG(mode))
        return EntryType::File;
    if (S_ISDIR(mode))
        return EntryType::Folder;
    if (S_ISLNK(mode))
        return EntryType::Link;
    return EntryType::Other;
}

Result<std::vector<FolderEntry>> PosixFileSystem::listFolder(const std::string& path)
{
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return systemError(errno, path);
    DIR* dir = fdopendir(fd.get());
    if (dir == nullptr)
        return systemError(errno, path);
    fd.release(); // the stream owns the descriptor now
    std::vector<FolderEntry> entries;
    errno = 0;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        EntryType type = entryTypeFromDirent(entry->d_type);
        if (type == EntryType::Unknown) {
            struct stat st
            {
            };
            if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = entryTypeFromMode(st.st_mode);
        }
        entries.push_back(FolderEntry{name, type});
        errno = 0;
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0)
        return systemError(readError, path);
    return entries;
}

Result<FileInfo> PosixFileSystem::fileInfo(const std::string& path)
{
    struct stat st
    {
    };
    if (lstat(path.c_str(), &st) != 0)
        return systemError(errno, path);
    return fileInfoFromStat(st);
}

Result<std::string> realPath(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return systemError(errno, path);
    return std::string(resolved.get());
}

std::vector<Result<FileInfo>> PosixFileSystem::namedFileInfos(const std::vector<std::string>& paths)
{
    std::vector<Result<FileInfo>> infos;
    for (Result<struct stat>& answer : boundedStat(paths, false)) {
        if (answer)
            infos.emplace_back(fileInfoFromStat(*answer));
        else
            infos.emplace_back(answer.error());
    }
    return infos;
}

Result<std::string> PosixFileSystem::canonicalPath(const std::string& path)
{
    return boundedRealPath(path);
}

std::vector<Result<std::string>> PosixFileSystem::canonicalPaths(const std::vector<std::string>& paths)
{
    return boundedRealPaths(paths);
}

bool isFolder(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// A name may turn out to be a FIFO, a device or a socket once opened; only a regular file is read or
// written.
Result<void> openedRegularFile(const UniqueFd& fd, const std::string& path)
{
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0)
        return systemError(errno, path);
    if (!S_ISREG(st.st_mode))
        return Error{EINVAL, "not a regular file", path};
    return {};
}

} // namespace

Result<UniqueFile> PosixFileSystem::createFile(const std::string& path)
{
    // No O_TRUNC here: a FIFO or a device of that name must not be touched, and a regular file is only
    // emptied once it is known to be one.
    UniqueFd fd(
        open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644));
    if (!fd)
        return systemError(errno, path);
    if (Result<void> regular = openedRegularFile(fd, path); !regular)
        return regular.error();
    // A second name of a file elsewhere, planted where the program writes: emptying it would empty that
    // file, which the writer of the name may have had no right to touch.
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0)
        return systemError(errno, path);
    if (st.st_nlink > 1)
        return Error{EMLINK, "the file has other names elsewhere, so it is not emptied", path};
    if (ftruncate(fd.get(), 0) != 0)
        return systemError(errno, path);
    UniqueFile file(fdopen(fd.get(), "wb"));
    if (!file)
        return systemError(errno, path);
    fd.release();
    return file;
}

FolderAccess PosixFileSystem::folderAccess(const std::string& path)
{
    struct stat st
    {
    };
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return FolderAccess::Missing;
    // The real user's rights, not those of a set-user-ID program.
    return access(path.c_str(), W_OK | X_OK) == 0 ? FolderAccess::Writable : FolderAccess::Refused;
}

Result<void> PosixFileSystem::makeFolders(const std::string& path)
{
    if (path.empty() || path.front() != '/')
        return Error{EINVAL, "not an absolute path", path};
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        struct stat st
        {
        };
        if (folder.back() != '/' && stat(folder.c_str(), &st) != 0) {
            if (errno != ENOENT || (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST))
                return systemError(errno, folder);
            if (stat(folder.c_str(), &st) != 0)
                return systemError(errno, folder);
        }
        if (folder.back() != '/' && !S_ISDIR(st.st_mode))
            return systemError(ENOTDIR, folder);
        if (end == std::string::npos)
            return {};
    }
}

Result<std::string> PosixFileSystem::readFile(const std::string& path, std::size_t limit)
{
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return systemError(errno, path);
    if (Result<void> regular = openedRegularFile(fd, path); !regular)
        return regular.error();
    return readToEnd(fd.get(), limit, path);
}

std::unique_ptr<FolderCursor> PosixFileSystem::newCursor()
{
    return std::make_unique<PosixFolderCursor>(PosixFolderCursor::Opening::Beneath, m_readAhead);
}

OpenFiles PosixFileSystem::openFiles()
{
    return OpenFilesScanner().scan();
}

Result<void> PosixFileSystem::setNormalAttributes(const std::string&)
{
    // The mode bits do not govern unlinking, and widening them could expose a file that then stays.
    return {};
}

std::unique_ptr<DeletionCursor> PosixFileSystem::newDeletionCursor()
{
    return std::make_unique<ListedFileDeleter>();
}

} // namespace dustrel::posix
