#pragma once

#include "platform/Result.h"

#include <chrono>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace dustrel::posix {

// Looking up a path waits for its file system, and one whose server or daemon stopped answering (a dead
// network share, a hung FUSE daemon) makes the call wait for ever, beyond the reach of any signal. Paths
// the program merely names (the user's ignore list, the special folders) may lie on such a mount: they are
// looked up in a child process given up after `limit` (see ChildProcess), and a path with no answer by
// then fails with ETIMEDOUT.
constexpr std::chrono::milliseconds kLookupLimit{3000};

// lstat of each path, or stat when `followLinks`; the answers in the order of the paths.
std::vector<Result<struct stat>> boundedStat(const std::vector<std::string>& paths, bool followLinks,
                                             std::chrono::milliseconds limit = kLookupLimit);

// The absolute path of an existing file or folder with every link, "." and ".." resolved.
Result<std::string> boundedRealPath(const std::string& path, std::chrono::milliseconds limit = kLookupLimit);
// The same for several paths in one child, the answers in the order of the paths; one deadline for all.
std::vector<Result<std::string>> boundedRealPaths(const std::vector<std::string>& paths,
                                                  std::chrono::milliseconds limit = kLookupLimit);

} // namespace dustrel::posix
