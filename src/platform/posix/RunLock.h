#pragma once

#include "platform/Result.h"
#include "platform/posix/UniqueFd.h"

#include <string>
#include <utility>

namespace dustrel::posix {

// One automatic run per settings folder, held for the life of the object. Two runs on the same choices
// would list the same files, fail each other's rows and write the same events log at once.
//
// The lock is on the folder itself rather than on a file in it: nothing has to be written, so a folder
// the run may only read still works, and nothing planted under a file name can stand in for it. The
// settings store locks a file in the folder for its writes, which this lock does not hold up.
class RunLock
{
public:
    // Fails, at once and without waiting, when another process holds the lock. A folder that cannot be
    // opened (not made yet: there are no saved choices to run on) or locked (a file system without
    // locks) gives a lock that holds nothing.
    static Result<RunLock> take(const std::string& folder);

    bool held() const { return static_cast<bool>(m_fd); }

private:
    explicit RunLock(UniqueFd fd) : m_fd(std::move(fd)) {}

    UniqueFd m_fd;
};

} // namespace dustrel::posix
