#include "platform/posix/processes/RunLock.h"

#include "platform/posix/walk/PosixFileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {

namespace {

// 0, or why the lock on `fd` cannot be taken now (EWOULDBLOCK: another process holds it).
int lockNow(int fd)
{
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

// The lock file `name` in `folder`, made when missing; none unless the folder is this user's alone.
UniqueFd lockFileIn(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.front() != '/')
        return {};
    UniqueFd parent(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent && errno == ENOENT && PosixFileSystem().makeFolders(folder))
        parent.reset(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat st
    {
    };
    if (!parent || fstat(parent.get(), &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 022) != 0)
        return {};
    return UniqueFd(
        openat(parent.get(), name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
}

} // namespace

Result<RunLock> RunLock::take(const std::string& settingsFolder, const std::vector<std::string>& fallbacks)
{
    const UniqueFd place(::open(settingsFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat st
    {
    };
    if (!place && errno == ENOENT)
        return RunLock(UniqueFd());
    if (!place || fstat(place.get(), &st) != 0)
        return Error{errno, "the settings folder cannot be reached to lock it", settingsFolder};
    // Named by identity, so that every path to the folder names the same lock.
    const std::string name =
        "dustrel-run-" + std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino) + ".lock";
    UniqueFd fd(::open(settingsFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t next = 0;; ++next) {
        if (fd) {
            const int code = lockNow(fd.get());
            if (code == 0)
                return RunLock(std::move(fd));
            if (code == EWOULDBLOCK)
                return Error{code, "another automatic run is cleaning with these settings", settingsFolder};
        }
        if (next == fallbacks.size())
            break;
        fd = lockFileIn(fallbacks[next], name);
    }
    return Error{ENOLCK, "neither the folder nor a lock file in a fallback folder could be locked",
                 settingsFolder};
}

} // namespace dustrel::posix
