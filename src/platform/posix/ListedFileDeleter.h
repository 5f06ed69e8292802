#pragma once

#include "platform/FileSystem.h"

#include <string>

namespace dustrel::posix {

// Deletes one file that a search listed, and only that file. The path is followed one component at a
// time from the root without ever going through a symbolic link, and the file must still be the regular
// file the search saw (device, inode, size, modification time to the nanosecond) and open in no process.
//
// Between the last check and the unlink another user could still swap the name for another file, but only
// inside the folder reached without links, which that user can already write: the swap can take a name
// out of that folder, never a file elsewhere.
class ListedFileDeleter
{
public:
    Result<void> deleteFile(const std::string& path, const FileInfo& listed, const OpenFiles& inUse) const;
};

} // namespace dustrel::posix
