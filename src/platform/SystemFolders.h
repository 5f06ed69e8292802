#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

// Paths the system's own configuration says must stay while it runs, whatever their names.
class KeptPaths
{
public:
    virtual ~KeptPaths() = default;
    // Whether the system keeps `path` (absolute, bytes as the walk names them).
    virtual bool keeps(std::string_view path) const = 0;
};

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

    // Where programs keep what they write for this user alone and that is worth keeping but is not a
    // setting or a document (the XDG state folder on POSIX); empty when it cannot be told.
    virtual std::string userStateFolder() = 0;

    // The folder the program was installed with, the one that holds its help page; empty when the
    // running program was not installed (a build run where it was built).
    virtual std::string installedFolder() = 0;

    // The desktop's trash folders, this user's and every other user's that can be told: what the user
    // threw away stays until the user empties the trash. Their paths as the system names them.
    virtual std::vector<std::string> trashFolders() = 0;
    // Read afresh at each call, so a search asks once; null where the system names no such paths.
    virtual std::unique_ptr<KeptPaths> keptPaths() { return nullptr; }
};

} // namespace dustrel
