#pragma once

#include <string>

namespace dustrel {

// Folders the system names for the program.
class SystemFolders
{
public:
    virtual ~SystemFolders() = default;

    // The system's own folder (the Windows folder; the user's home folder on POSIX), as the system
    // reports it; empty when it cannot be told.
    virtual std::string windowsDirectory() = 0;

    // The folder for temporary files, with one trailing separator; empty when it cannot be told.
    virtual std::string tempPath() = 0;

    // The process's current folder, without a trailing separator except at a drive root.
    virtual std::string currentDirectory() = 0;
};

} // namespace dustrel
