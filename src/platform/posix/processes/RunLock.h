#pragma once

#include "platform/Result.h"
#include "platform/posix/io/UniqueFd.h"

#include <string>
#include <utility>
#include <vector>

namespace dustrel::posix {

// One automatic run per settings folder, held for the life of the object. Two runs on the same choices
// would list the same files, fail each other's rows and write the same events log at once.
//
// The lock is on the settings folder itself rather than on a file in it: nothing has to be written, so a
// folder the run may only read still works, and nothing planted under a file name can stand in for it.
// The settings store locks a file in the folder for its writes, which this lock does not hold up. Where
// the folder cannot be locked (it cannot be listed, or its file system has no locks), the lock is a file
// named after the folder's identity in the first fallback folder that takes one: a folder of this user
// alone, so nobody else can hold it.
class RunLock
{
public:
    // Fails, at once and without waiting, when another process holds the lock (EWOULDBLOCK), and when no
    // lock can be held anywhere (ENOLCK). A settings folder that does not exist gives a lock that holds
    // nothing: there are no saved choices to run on.
    static Result<RunLock> take(const std::string& settingsFolder, const std::vector<std::string>& fallbacks);

    bool held() const { return static_cast<bool>(m_fd); }

private:
    explicit RunLock(UniqueFd fd) : m_fd(std::move(fd)) {}

    UniqueFd m_fd;
};

} // namespace dustrel::posix
