#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

class SystemFolders;

// The desktop's trash folders of every user, found once per search. What lies in a trash is there for its
// owner to restore or to empty: the walk never enters one, whatever path leads to it, and a special folder
// inside one lists nothing.
class TrashFolders
{
public:
    TrashFolders(SystemFolders& folders, FileSystem& fileSystem);

    // Whether the subfolder `name` of the folder `cursor` is in is a trash. Only a subfolder named like one
    // of the trashes is asked which folder it is, so the rest of the walk costs nothing more.
    bool isTrash(FolderCursor& cursor, std::string_view name) const;

    // Whether a folder, by its resolved path, is a trash or lies inside one.
    bool holds(std::string_view folder) const;

private:
    FileIdSet m_folders;
    std::vector<std::string> m_paths; // resolved
    std::vector<std::string> m_names; // the last names of m_paths
};

} // namespace dustrel
