#include "scan/RepositoryFiles.h"

#include "base/TraceLog.h"

#include <algorithm>

namespace dustrel {

namespace {

constexpr std::string_view kGit = ".git";
constexpr std::string_view kRepositoryFolders[] = {".git", ".hg", ".svn", ".bzr"};

} // namespace

RepositoryFiles::RepositoryFiles(Repositories& repositories, TraceLog& trace, char separator)
    : m_repositories(repositories), m_trace(trace), m_separator(separator)
{}

RepositoryFiles::~RepositoryFiles() = default;

bool RepositoryFiles::isRepositoryFolder(std::string_view name)
{
    return std::find(std::begin(kRepositoryFolders), std::end(kRepositoryFolders), name) !=
           std::end(kRepositoryFolders);
}

void RepositoryFiles::entered(std::size_t depth, std::string_view folder, const FolderContents& contents,
                              FolderCursor& cursor)
{
    while (!m_trees.empty() && m_trees.back().depth >= depth)
        m_trees.pop_back();
    // A git repository's own folder under another name (a bare one, one kept apart from its working
    // tree): everything in it stays, as in a tree whose repository was not read.
    int gitFolderParts = 0;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const std::string_view name = contents.name(i);
        if (name == kGit) {
            m_trees.push_back(WorkTree{depth, folder.size(), read(folder, cursor)});
            return;
        }
        const EntryType type = contents.type(i);
        if ((name == "HEAD" && type == EntryType::File) ||
            ((name == "objects" || name == "refs") && type == EntryType::Folder))
            ++gitFolderParts;
    }
    if (gitFolderParts == 3)
        m_trees.push_back(WorkTree{depth, folder.size(), nullptr});
}

const TrackedPaths* RepositoryFiles::read(std::string_view folder, FolderCursor& cursor)
{
    const auto marker = cursor.entryInfo(kGit);
    if (!marker) {
        m_trace.Trace(1, "Repository not read, its working tree is kept: " + marker.error().describe());
        return nullptr;
    }
    const FileId id{marker->device, marker->inode};
    if (const auto known = m_read.find(id); known != m_read.end())
        return known->second.get();
    auto tracked = m_repositories.trackedPaths(std::string(folder));
    if (!tracked)
        m_trace.Trace(1, "Repository not read, its working tree is kept: " + tracked.error().describe());
    auto& slot = m_read[id];
    if (tracked)
        slot = std::make_unique<const TrackedPaths>(std::move(*tracked));
    return slot.get();
}

bool RepositoryFiles::keeps(std::string_view folder, std::string_view name)
{
    if (name == kGit)
        return true;
    for (const WorkTree& tree : m_trees) {
        if (tree.files == nullptr)
            return true;
        std::string_view below = folder.substr(std::min(tree.pathLength, folder.size()));
        while (!below.empty() && below.front() == m_separator)
            below.remove_prefix(1);
        // The index separates folders with "/" on every system.
        m_relative.assign(below);
        std::replace(m_relative.begin(), m_relative.end(), m_separator, '/');
        if (!m_relative.empty())
            m_relative += '/';
        m_relative += name;
        if (tree.files->contains(m_relative))
            return true;
    }
    return false;
}

} // namespace dustrel
