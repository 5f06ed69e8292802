#pragma once

#include "platform/FileSystem.h"

#include <string>

namespace dustrel::posix {

// Collects the regular files that running processes hold open, from the descriptor folders of a /proc
// file system. Processes that end and descriptors that close during the pass, and processes this user
// may not inspect, are passed over; any other failure to read them leaves the result incomplete.
class OpenFilesScanner
{
public:
    explicit OpenFilesScanner(std::string procRoot = "/proc") : m_procRoot(std::move(procRoot)) {}

    OpenFiles scan() const;

private:
    std::string m_procRoot;
};

} // namespace dustrel::posix
