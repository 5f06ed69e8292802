#pragma once

#include <cstddef>

namespace dustrel::posix {

// How many descriptors the process may hold open, and what the folder walks take of it. A walk keeps a
// chain of folder descriptors and its read-ahead helpers one each; sized for a limit that does not hold,
// they run short deep in a tree, and the folders there cannot be opened.
struct DescriptorLimit
{
    // The soft limit now; a limit too large to count is taken as kPlenty.
    static std::size_t current();
    // Raises the soft limit to the hard one (up to kPlenty), at start, and gives the limit that holds.
    static std::size_t raise();

    // The levels a descriptor chain keeps open under `limit`: a quarter of it, at least kFewestLevels,
    // at most kMostLevels.
    static std::size_t keptLevels(std::size_t limit);
    // The helper threads that may read ahead of a walk under `limit`, at most `wanted`; 0 for none.
    static std::size_t readAheadThreads(std::size_t limit, std::size_t wanted);

    // Folders a read-ahead may keep open per helper, so as to open their subfolders from them.
    static constexpr std::size_t kHeldPerHelper = 8;
    static constexpr std::size_t kPlenty = 65536;
    static constexpr std::size_t kFewestLevels = 4;
    static constexpr std::size_t kMostLevels = 64;
};

} // namespace dustrel::posix
