#pragma once

#include "platform/FileSystem.h"
#include "platform/SystemFolders.h"
#include "scan/WorkContext.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dustrel {

// What the running system and its programs still need, whatever rule of the search reached it:
// - the paths the system's own configuration keeps (read once, when the object is made);
// - a file of the temporary folder, at any depth, that was modified, changed or read fewer than the chosen
//   hours before the search began: the running session keeps its locks, credentials and downloads under
//   way there;
// - an office suite's lock file ".~lock.NAME#" while NAME beside it is open in a process, which tells
//   other users that the document is being edited.
class LiveFiles
{
public:
    // One object per search.
    explicit LiveFiles(WorkContext& context);

    // Whether the file `name` of `folder`, described by `info`, is kept; `cursor` is in that folder.
    bool keeps(std::string_view folder, std::string_view name, const FileInfo& info, FolderCursor& cursor);

private:
    bool recentlyUsed(const FileInfo& info) const;
    bool locksOpenDocument(std::string_view name, FolderCursor& cursor);

    FileSystem& m_fileSystem;
    char m_separator;
    std::unique_ptr<KeptPaths> m_system;
    std::string m_tempFolder; // with a trailing separator; empty when there is none
    std::chrono::system_clock::duration m_minAge;
    FileTime m_now;
    std::optional<OpenFiles> m_openFiles; // read when the first lock file is met
    std::string m_path;
};

} // namespace dustrel
