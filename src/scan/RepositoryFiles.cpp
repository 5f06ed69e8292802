#include "scan/RepositoryFiles.h"

#include "base/Text.h"
#include "base/TraceLog.h"

#include <algorithm>

namespace dustrel {

namespace {

constexpr std::string_view kGit = ".git";
constexpr std::string_view kRepositoryFolders[] = {".git", ".hg", ".svn", ".bzr"};

// Entries that together make a git repository's own folder, whatever its name.
bool isGitFolderPart(std::string_view name, EntryType type)
{
    return (name == "HEAD" && type == EntryType::File) ||
           ((name == "objects" || name == "refs") && type == EntryType::Folder);
}

} // namespace

RepositoryFiles::RepositoryFiles(Repositories& repositories, FileSystem& fileSystem, TraceLog& trace,
                                 char separator)
    : m_repositories(repositories), m_fileSystem(fileSystem), m_trace(trace), m_separator(separator)
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
    if (depth == 0)
        findAround(folder);
    int gitFolderParts = 0;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const std::string_view name = contents.name(i);
        if (name == kGit) {
            m_trees.push_back(WorkTree{depth, folder.size(), read(folder, cursor.entryInfo(kGit))});
            return;
        }
        gitFolderParts += isGitFolderPart(name, contents.type(i)) ? 1 : 0;
    }
    // A bare repository, or one kept apart from its working tree: everything in it stays, as in a tree
    // whose repository was not read.
    if (gitFolderParts == 3)
        m_trees.push_back(WorkTree{depth, folder.size(), nullptr});
}

void RepositoryFiles::findAround(std::string_view start)
{
    // A start folder (a drive given by a link, a special folder) may lie inside a working tree, or inside
    // a repository's own folder: a few questions per start, none per folder walked.
    std::string_view above = withoutTrailingSeparatorsKeepingRoot(start, m_separator);
    for (std::size_t cut = above.rfind(m_separator); cut != std::string_view::npos && !above.empty();
         cut = above.rfind(m_separator)) {
        if (isRepositoryFolder(above.substr(cut + 1))) {
            m_trees.push_back(WorkTree{0, start.size(), nullptr});
            return;
        }
        above = above.substr(0, cut == 0 ? 1 : cut);
        const std::string folder(above);
        if (auto marker = m_fileSystem.fileInfo(joinPath(folder, kGit, m_separator))) {
            m_trees.push_back(WorkTree{0, above.size(), read(folder, marker)});
            return;
        }
        if (cut == 0)
            return;
    }
}

const TrackedPaths* RepositoryFiles::read(std::string_view folder, const Result<FileInfo>& marker)
{
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
        // Without the separators around it: a drive's root ends with one.
        const std::string_view below =
            trim(folder.substr(std::min(tree.pathLength, folder.size())), std::string_view(&m_separator, 1));
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
