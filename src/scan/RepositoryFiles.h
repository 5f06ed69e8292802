#pragma once

#include "platform/FileSystem.h"
#include "platform/Repositories.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dustrel {

class TraceLog;

// What version control keeps in the folders a walk goes through. A repository's own folder (".git",
// ".hg", ".svn", ".bzr") is never walked, and a file that the git repository of its working tree tracks
// is never listed: it is the user's work, whatever its name. Untracked files of a working tree are listed
// as anywhere else.
//
// A working tree becomes known when the walk enters the folder that holds its ".git", and is forgotten
// when the walk leaves that folder; each repository's index is read once per search, however many paths
// lead to it. A repository that cannot be read keeps its whole working tree, with a line in the trace.
class RepositoryFiles
{
public:
    RepositoryFiles(Repositories& repositories, FileSystem& fileSystem, TraceLog& trace, char separator);
    ~RepositoryFiles();
    RepositoryFiles(const RepositoryFiles&) = delete;
    RepositoryFiles& operator=(const RepositoryFiles&) = delete;

    // A folder of a repository's own, never walked.
    static bool isRepositoryFolder(std::string_view name);

    // The walk is in `folder`, `depth` levels below where it started, and has read its entries through
    // `cursor`: the working trees of the folders it left are forgotten, and a ".git" among the entries
    // makes this folder one. At depth 0 the folders above are asked too.
    void entered(std::size_t depth, std::string_view folder, const FolderContents& contents,
                 FolderCursor& cursor);

    // Whether the file `name` of the folder last entered (`folder`, its path as given there) stays: the
    // ".git" file of a working tree, a tracked file, or any file of a tree whose repository was not read.
    bool keeps(std::string_view folder, std::string_view name);

private:
    struct WorkTree
    {
        std::size_t depth;
        std::size_t pathLength;    // of its folder's path
        const TrackedPaths* files; // null: the repository could not be read
    };

    void findAround(std::string_view start);
    // `marker` describes the ".git" of the working tree `folder`.
    const TrackedPaths* read(std::string_view folder, const Result<FileInfo>& marker);

    Repositories& m_repositories;
    FileSystem& m_fileSystem;
    TraceLog& m_trace;
    char m_separator;
    std::vector<WorkTree> m_trees; // from the outermost working tree the walk is in to the innermost
    // By the identity of each ".git" met: read once per search.
    std::unordered_map<FileId, std::unique_ptr<const TrackedPaths>, FileIdHash> m_read;
    std::string m_relative;
};

} // namespace dustrel
