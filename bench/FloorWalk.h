#pragma once

#include <cstddef>
#include <string>

namespace dustrel::bench {

struct WalkFigures
{
    std::size_t folders = 0; // the root included
    std::size_t files = 0;   // entries that are not folders
    double seconds = 0;
    bool complete = true; // false when a folder could not be opened or read
};

// The least a walk of a tree can cost, the floor the searches are set against: every folder read with
// getdents64 into a 64 KiB buffer, its subfolders opened with openat relative to it, nothing else: no
// sorting, no matching, no stat. With `statFiles` every file is also looked at (fstatat), which is how
// the benchmark brings a whole tree into the cache before it measures anything.
WalkFigures FloorWalk(const std::string& root, bool statFiles = false);

} // namespace dustrel::bench
