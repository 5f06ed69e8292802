#pragma once

#include "platform/Platform.h"
#include "platform/posix/drives/PosixDrives.h"
#include "platform/posix/owners/GitRepositories.h"
#include "platform/posix/owners/PackageDatabases.h"
#include "platform/posix/processes/PosixProcesses.h"
#include "platform/posix/session/PosixLocale.h"
#include "platform/posix/session/PosixSystemFolders.h"
#include "platform/posix/settings/DesktopRegistry.h"
#include "platform/posix/settings/FileRegistry.h"
#include "platform/posix/walk/PosixFileSystem.h"

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
