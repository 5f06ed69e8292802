#pragma once

#include "platform/FileSystem.h"

#include <chrono>
#include <string>
#include <sys/stat.h>

namespace dustrel::posix {

// Collects the regular files that running processes hold open, from the descriptor folders of a /proc
// file system. Processes that end and descriptors that close during the pass, and processes this user
// may not inspect, are passed over; any other failure to read them leaves the result incomplete.
//
// Looking at a descriptor's file waits for its file system: one whose server stopped answering (a dead
// network share, a hung FUSE daemon) would stop the pass for ever. The pass therefore runs in a child
// process given up after `limit`; the result is then incomplete and says so.
class OpenFilesScanner
{
public:
    static constexpr std::chrono::milliseconds kLimit{20'000};
    // fstatat, or a stand-in for tests; it runs in the child, so it may call only what is safe there.
    using StatAt = int (*)(int folder, const char* name, struct stat* st, int flags);

    explicit OpenFilesScanner(std::string procRoot = "/proc", std::chrono::milliseconds limit = kLimit,
                              StatAt statAt = &::fstatat)
        : m_procRoot(std::move(procRoot)), m_limit(limit), m_statAt(statAt)
    {}

    OpenFiles scan() const;

private:
    std::string m_procRoot;
    std::chrono::milliseconds m_limit;
    StatAt m_statAt;
};

} // namespace dustrel::posix
