#include "platform/posix/walk/ListedFileDeleter.h"

#include "base/Text.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(SYS_openat2) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#define DUSTREL_HAVE_OPENAT2 1
#endif

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

// Why `name` in `folder` could not be passed through. Opened without following, a link fails as "not a
// folder" (O_PATH) or as a loop: the entry itself tells which it is.
Error passError(int code, int folder, const char* name, std::string path)
{
    if (code != ELOOP && code != ENOTDIR)
        return systemError(code, std::move(path));
    struct stat st
    {
    };
    if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        return Error{ELOOP, "a folder of the path is a symbolic link, never followed", std::move(path)};
    return Error{ENOTDIR, "a folder of the path is not a folder", std::move(path)};
}

#ifdef DUSTREL_HAVE_OPENAT2
int openBeneath(int parent, const char* name)
{
    open_how how{};
    how.flags = static_cast<std::uint64_t>(kPassFlags);
    how.resolve = RESOLVE_NO_XDEV | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(syscall(SYS_openat2, parent, name, &how, sizeof how));
}
#endif

} // namespace

ListedFileDeleter::ListedFileDeleter(std::function<Result<TrashRules>()> trashRules)
    : m_chain(kPassFlags), m_trashRules(std::move(trashRules))
{}

ListedFileDeleter::~ListedFileDeleter() = default;

UniqueFd ListedFileDeleter::openSubfolder(int parent, const char* name)
{
#ifdef DUSTREL_HAVE_OPENAT2
    if (m_openBeneath == Support::Unknown) {
        // A kernel before 5.6, or a sandbox that filters the call, says no.
        const UniqueFd probe(openBeneath(parent, "."));
        m_openBeneath = probe ? Support::Yes : Support::No;
    }
    if (m_openBeneath == Support::Yes)
        return UniqueFd(openBeneath(parent, name));
#endif
    UniqueFd fd(openat(parent, name, kPassFlags));
    if (!fd)
        return fd;
    // Without openat2 a mount is told by its device; a bind mount of the same file system is not.
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0)
        return UniqueFd();
    if (static_cast<std::uint64_t>(st.st_dev) != m_device) {
        errno = EXDEV;
        return UniqueFd();
    }
    return fd;
}

Result<void> ListedFileDeleter::open(const std::string& path)
{
    m_chain.clear();
    m_pathLengths.clear();
    m_path.clear();
    if (path.empty() || path.front() != '/')
        return Error{EINVAL, "not an absolute path", path};
    if (path.find('\0') != std::string::npos)
        return Error{EINVAL, "not a path", path};

    UniqueFd folder(::open("/", kPassFlags));
    if (!folder)
        return systemError(errno, "/");
    const std::string_view components(path);
    std::size_t start = 0;
    while (start < components.size()) {
        std::size_t end = components.find('/', start);
        if (end == std::string_view::npos)
            end = components.size();
        m_name.assign(components.substr(start, end - start));
        start = end + 1;
        if (m_name.empty() || m_name == ".")
            continue;
        // A search never lists a path that climbs; ".." could only lead somewhere it did not look.
        if (m_name == "..")
            return Error{EINVAL, "the path climbs with \"..\"", path};
        UniqueFd next(openat(folder.get(), m_name.c_str(), kPassFlags));
        if (!next)
            return passError(errno, folder.get(), m_name.c_str(), path);
        folder = std::move(next);
    }
    struct stat st
    {
    };
    if (fstat(folder.get(), &st) != 0)
        return systemError(errno, path);
    m_device = static_cast<std::uint64_t>(st.st_dev);
    m_chain.start(std::move(folder));
    m_path = path;
    m_pathLengths.push_back(m_path.size());
    return {};
}

Result<void> ListedFileDeleter::enter(std::string_view name)
{
    if (auto state = m_chain.usable("deletion", m_path); !state)
        return state.error();
    if (!isSingleName(name))
        return Error{EINVAL, "not the name of a folder", joinPath(m_path, name, '/')};
    m_name.assign(name);
    UniqueFd next = openSubfolder(m_chain.top(), m_name.c_str());
    if (!next) {
        if (errno == EXDEV)
            return Error{EXDEV, "a mount point, never entered", joinPath(m_path, name, '/')};
        return passError(errno, m_chain.top(), m_name.c_str(), joinPath(m_path, name, '/'));
    }
    if (m_path.empty() || m_path.back() != '/')
        m_path += '/';
    m_path += name;
    m_pathLengths.push_back(m_path.size());
    m_chain.push(std::move(next));
    return {};
}

Result<void> ListedFileDeleter::leave()
{
    if (m_pathLengths.empty())
        return Error{EBADF, "no folder is open", ""};
    if (m_pathLengths.size() == 1)
        return Error{EINVAL, "already at the folder the deletion started from", m_path};
    auto popped = m_chain.pop();
    m_pathLengths.pop_back();
    m_path.resize(m_pathLengths.back());
    if (!popped) {
        Error error = popped.error();
        error.path = m_path;
        return error;
    }
    return {};
}

Result<void> ListedFileDeleter::setNormalAttributes(std::string_view)
{
    // The mode bits do not govern unlinking, and widening them could expose a file that then stays.
    return {};
}

Result<bool> ListedFileDeleter::checkListed(std::string_view name, const FileInfo& listed,
                                            const OpenFiles& inUse)
{
    if (auto state = m_chain.usable("deletion", m_path); !state)
        return state.error();
    if (!isSingleName(name))
        return Error{EINVAL, "does not name a file", joinPath(m_path, name, '/')};
    m_name.assign(name);
    const int folder = m_chain.top();

    struct stat st
    {
    };
    if (fstatat(folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return false;
        return systemError(errno, joinPath(m_path, name, '/'));
    }
    if (!S_ISREG(st.st_mode))
        return Error{notRegularCode(st.st_mode), notRegularReason(st.st_mode), joinPath(m_path, name, '/')};
    const FileInfo now = fileInfoFromStat(st);
    if (now.device != listed.device || now.inode != listed.inode)
        return Error{ESTALE, "replaced by another file since the search", joinPath(m_path, name, '/')};
    if (now.size != listed.size)
        return Error{ESTALE, "changed size since the search", joinPath(m_path, name, '/')};
    if (now.modified != listed.modified)
        return Error{ESTALE, "modified since the search", joinPath(m_path, name, '/')};
    if (inUse.contains(now.device, now.inode))
        return Error{EBUSY,
                     inUse.complete() ? "in use: a process holds it open"
                                      : "perhaps in use: the files that programs hold open could not be read",
                     joinPath(m_path, name, '/')};
    return true;
}

Result<Removal> ListedFileDeleter::deleteFile(std::string_view name, const FileInfo& listed,
                                              const OpenFiles& inUse)
{
    const Result<bool> checked = checkListed(name, listed, inUse);
    if (!checked)
        return checked.error();
    if (!*checked)
        return Removal::AlreadyGone;
    if (unlinkat(m_chain.top(), m_name.c_str(), 0) != 0) {
        // Taken by someone else since the check: still nothing left to clean.
        if (errno == ENOENT)
            return Removal::AlreadyGone;
        return systemError(errno, joinPath(m_path, name, '/'));
    }
    return Removal::Done;
}

Result<Removal> ListedFileDeleter::moveToTrash(std::string_view name, const FileInfo& listed,
                                               const OpenFiles& inUse, FileTime deletedAt)
{
    const Result<bool> checked = checkListed(name, listed, inUse);
    if (!checked)
        return checked.error();
    if (!*checked)
        return Removal::AlreadyGone;
    const std::string path = joinPath(m_path, name, '/');
    if (!m_trash) {
        auto rules = m_trashRules();
        if (!rules)
            return Error{rules.error().code, "the trash could not be found: " + rules.error().describe(),
                         path};
        m_trash = std::make_unique<TrashMover>(std::move(*rules));
    }
    if (auto moved = m_trash->move(m_chain.top(), name, path, deletedAt); !moved)
        return moved.error();
    return Removal::Done;
}

} // namespace dustrel::posix
