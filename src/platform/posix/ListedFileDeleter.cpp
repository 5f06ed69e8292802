#include "platform/posix/ListedFileDeleter.h"

#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {

namespace {

// O_PATH where the system has it: a folder that may be searched but not read (a home folder with mode
// 0711, say) can still be passed through, and nothing is ever opened for reading on the way.
#ifdef O_PATH
constexpr int kPassFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#else
constexpr int kPassFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
#endif

int notRegularCode(mode_t mode)
{
    if (S_ISLNK(mode))
        return ELOOP;
    return S_ISDIR(mode) ? EISDIR : EINVAL;
}

const char* notRegularReason(mode_t mode)
{
    if (S_ISLNK(mode))
        return "not a regular file any more: now a symbolic link";
    if (S_ISDIR(mode))
        return "not a regular file any more: now a folder";
    return "not a regular file: a FIFO, socket or device";
}

} // namespace

Result<void> ListedFileDeleter::deleteFile(const std::string& path, const FileInfo& listed,
                                           const OpenFiles& inUse) const
{
    if (path.empty() || path.front() != '/')
        return Error{EINVAL, "not an absolute path", path};
    const std::size_t lastSlash = path.rfind('/');
    const std::string name = path.substr(lastSlash + 1);
    if (name.empty() || name == "." || name == "..")
        return Error{EINVAL, "does not name a file", path};

    UniqueFd folder(::open("/", kPassFlags));
    if (!folder)
        return systemError(errno, "/");
    const std::string_view parents = std::string_view(path).substr(0, lastSlash);
    std::size_t start = 0;
    while (start < parents.size()) {
        std::size_t end = parents.find('/', start);
        if (end == std::string_view::npos)
            end = parents.size();
        const std::string component(parents.substr(start, end - start));
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        // A search never lists a path that climbs; ".." could only lead somewhere it did not look.
        if (component == "..")
            return Error{EINVAL, "the path climbs with \"..\"", path};
        UniqueFd next(openat(folder.get(), component.c_str(), kPassFlags));
        if (!next) {
            const int code = errno;
            if (code == ELOOP || code == ENOTDIR)
                return Error{code, "a folder of the path is a symbolic link or not a folder", path};
            return systemError(code, path);
        }
        folder = std::move(next);
    }

    struct stat st
    {
    };
    if (fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return systemError(errno, path);
    if (!S_ISREG(st.st_mode))
        return Error{notRegularCode(st.st_mode), notRegularReason(st.st_mode), path};
    const FileInfo now = fileInfoFromStat(st);
    if (now.device != listed.device || now.inode != listed.inode)
        return Error{ESTALE, "replaced by another file since the search", path};
    if (now.size != listed.size)
        return Error{ESTALE, "changed size since the search", path};
    if (now.modified != listed.modified)
        return Error{ESTALE, "modified since the search", path};
    if (inUse.contains(now.device, now.inode))
        return Error{EBUSY, "in use by another program", path};

    if (unlinkat(folder.get(), name.c_str(), 0) != 0)
        return systemError(errno, path);
    return {};
}

} // namespace dustrel::posix
