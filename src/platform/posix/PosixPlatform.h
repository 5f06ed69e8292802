#pragma once

#include "platform/Platform.h"
#include "platform/posix/DesktopRegistry.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/GitRepositories.h"
#include "platform/posix/PackageDatabases.h"
#include "platform/posix/PosixDrives.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixLocale.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixSystemFolders.h"

namespace dustrel::posix {

// Every service of the platform layer as this system provides it. Message boxes depend on whether there
// is a display, so the caller provides them.
class PosixPlatform
{
public:
    explicit PosixPlatform(MessageBoxes& messageBoxes);
    PosixPlatform(const PosixPlatform&) = delete;
    PosixPlatform& operator=(const PosixPlatform&) = delete;

    Platform& platform() { return m_platform; }

private:
    FileRegistry m_store;
    DesktopRegistry m_registry;
    PosixFileSystem m_fileSystem;
    PosixDrives m_drives;
    PosixSystemFolders m_folders;
    SystemClock m_clock;
    PosixLocale m_locale;
    PosixProcesses m_processes;
    PackageDatabases m_packages;
    GitRepositories m_repositories;
    Platform m_platform;
};

} // namespace dustrel::posix
