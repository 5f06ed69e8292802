#pragma once

#include "platform/SystemFolders.h"

namespace dustrel::posix {

class PosixSystemFolders : public SystemFolders
{
public:
    std::string windowsDirectory() override; // the user's home folder
    std::string tempPath() override;         // $TMPDIR when it names a folder, else /tmp, with one "/"
    std::string currentDirectory() override;
    std::string userStateFolder() override;           // $XDG_STATE_HOME when absolute, else ~/.local/state
    std::string installedFolder() override;           // see installedFolderOf, for this process's executable
    std::vector<std::string> trashFolders() override; // see allTrashFolders
    std::unique_ptr<KeptPaths> keptPaths() override;  // the system's temporary-files configuration
};

// The installation folder of a program whose executable is `executable` (PREFIX/bin/dustrel):
// PREFIX/share/dustrel when it holds the help page, else empty.
std::string installedFolderOf(const std::string& executable);

} // namespace dustrel::posix
