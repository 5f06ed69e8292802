#include "platform/posix/RunLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace dustrel::posix {

Result<RunLock> RunLock::take(const std::string& folder)
{
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return RunLock(UniqueFd());
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return Error{errno, "another automatic run is cleaning with these settings", folder};
        // A file system without locks (some network homes) must not stop every run.
        if (errno != EINTR)
            return RunLock(UniqueFd());
    }
    return RunLock(std::move(fd));
}

} // namespace dustrel::posix
