#include "platform/posix/owners/GitRepositories.h"

#include "platform/posix/walk/PosixFileSystem.h"

#include <git2.h>
#include <memory>

namespace dustrel::posix {

namespace {

struct RepositoryFree
{
    void operator()(git_repository* repository) const { git_repository_free(repository); }
};
struct IndexFree
{
    void operator()(git_index* index) const { git_index_free(index); }
};

Error gitError(const std::string& path)
{
    const git_error* error = git_error_last();
    return Error{0,
                 error != nullptr && error->message != nullptr ? error->message : "not a readable repository",
                 path};
}

std::string asFolder(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

} // namespace

GitRepositories::GitRepositories()
{
    git_libgit2_init();
    // Whoever owns a repository, its index says which files are kept; only the index is read, so none of
    // the repository's settings can make this program run anything.
    git_libgit2_opts(GIT_OPT_SET_OWNER_VALIDATION, 0);
}

GitRepositories::~GitRepositories()
{
    git_libgit2_shutdown();
}

Result<TrackedPaths> GitRepositories::trackedPaths(const std::string& workTree)
{
    git_repository* opened = nullptr;
    if (git_repository_open_ext(&opened, workTree.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr) != 0)
        return gitError(workTree);
    const std::unique_ptr<git_repository, RepositoryFree> repository(opened);
    // The index names paths from the repository's working tree; one set elsewhere by its settings would
    // make them name other files here.
    const char* workdir = git_repository_workdir(repository.get());
    const auto real = realPath(workTree);
    if (workdir == nullptr || !real || asFolder(*real) != asFolder(workdir))
        return Error{0, "its working tree is not this folder", workTree};
    git_index* read = nullptr;
    if (git_repository_index(&read, repository.get()) != 0)
        return gitError(workTree);
    const std::unique_ptr<git_index, IndexFree> index(read);
    std::vector<std::string> paths;
    const std::size_t count = git_index_entrycount(index.get());
    paths.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (const git_index_entry* entry = git_index_get_byindex(index.get(), i); entry != nullptr)
            paths.emplace_back(entry->path);
    }
    return TrackedPaths(std::move(paths));
}

} // namespace dustrel::posix
