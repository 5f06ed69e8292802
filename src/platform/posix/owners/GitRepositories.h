#pragma once

#include "platform/Repositories.h"

namespace dustrel::posix {

// Git repositories read with libgit2: only the index, never a hook, filter or command of the repository.
class GitRepositories : public Repositories
{
public:
    GitRepositories();
    ~GitRepositories() override;
    GitRepositories(const GitRepositories&) = delete;
    GitRepositories& operator=(const GitRepositories&) = delete;

    Result<TrackedPaths> trackedPaths(const std::string& workTree) override;
};

} // namespace dustrel::posix
