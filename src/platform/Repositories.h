#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

// The files a repository tracks, by their paths relative to its working tree with "/" between folders,
// compared as bytes.
class TrackedPaths
{
public:
    TrackedPaths() = default;
    explicit TrackedPaths(std::vector<std::string> paths);

    bool contains(std::string_view path) const;
    std::size_t size() const { return m_paths.size(); }

private:
    std::vector<std::string> m_paths; // sorted by bytes
};

// The version-control repositories of the machine, as far as a cleaner needs them.
class Repositories
{
public:
    virtual ~Repositories() = default;

    // What the git repository of the working tree `workTree` tracks, as its index says. `workTree` holds
    // ".git": the repository's folder, or a file naming it elsewhere (a linked worktree, a submodule).
    // Fails when the repository or its index cannot be read.
    virtual Result<TrackedPaths> trackedPaths(const std::string& workTree) = 0;
};

} // namespace dustrel
