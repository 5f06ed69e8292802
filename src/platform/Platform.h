#pragma once

#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/InstalledSoftware.h"
#include "platform/Locale.h"
#include "platform/MessageBoxes.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/Repositories.h"
#include "platform/SystemFolders.h"

namespace dustrel {

// Rules that differ between the operating systems the program is built for, as a value so that both
// sets can be tested on either.
struct PathRules
{
    char separator = '/';

    static PathRules posix() { return PathRules{'/'}; }
    static PathRules windows() { return PathRules{'\\'}; }
};

// The services of the operating system, as the rest of the program reaches them.
struct Platform
{
    Registry& registry;
    FileSystem& fileSystem;
    Drives& drives;
    SystemFolders& folders;
    MessageBoxes& messageBoxes;
    Clock& clock;
    Locale& locale;
    Processes& processes;
    PathRules pathRules;
    InstalledSoftware& installedSoftware;
    Repositories& repositories;
};

} // namespace dustrel
