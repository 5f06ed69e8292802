#include "scan/TrashFolders.h"

#include "base/Text.h"
#include "platform/SystemFolders.h"

#include <algorithm>

namespace dustrel {

TrashFolders::TrashFolders(SystemFolders& folders, FileSystem& fileSystem)
{
    // Through a link the walk would meet the folder the link leads to, under that folder's name. All at
    // once: a user's home may lie on a share that stopped answering, and asking each path on its own would
    // cost a lookup process per user at every search.
    for (const Result<std::string>& real : fileSystem.canonicalPaths(folders.trashFolders())) {
        const auto info = real ? fileSystem.fileInfo(*real) : Result<FileInfo>(real.error());
        if (!info || info->type != EntryType::Folder)
            continue;
        m_folders.insert(FileId{info->device, info->inode});
        const std::string_view resolved = withoutTrailingSeparatorsKeepingRoot(*real, '/');
        m_paths.emplace_back(resolved);
        std::string name(resolved.substr(resolved.rfind('/') + 1));
        if (std::find(m_names.begin(), m_names.end(), name) == m_names.end())
            m_names.push_back(std::move(name));
    }
}

bool TrashFolders::isTrash(FolderCursor& cursor, std::string_view name) const
{
    if (std::find(m_names.begin(), m_names.end(), name) == m_names.end())
        return false;
    const auto info = cursor.entryInfo(name);
    return info && m_folders.count(FileId{info->device, info->inode}) != 0;
}

bool TrashFolders::holds(std::string_view folder) const
{
    return std::any_of(m_paths.begin(), m_paths.end(),
                       [folder](const std::string& trash) { return pathIsWithin(folder, trash); });
}

} // namespace dustrel
