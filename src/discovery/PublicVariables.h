#pragma once

#include "platform/Result.h"

#include <string>

namespace dustrel {

struct Platform;
struct ProgramState;

// The folders the program works out once at start-up. Each gives the empty text when the folder is not
// found, and none ends with a separator but the root folder as the installation folder.
std::string GetWindowsFolder(Platform& platform);
std::string GetInstallFolder(Platform& platform);
std::string GetTempFolder(Platform& platform);
std::string GetRecentFolder(Platform& platform);
std::string GetNavigatorCache(Platform& platform);
std::string GetCommunicatorCache(Platform& platform);
std::string GetExplorerCache(Platform& platform);

// The program's own temporary file in `tempFolder`: the "~DF*.TMP" file modified last within the last
// ten seconds, else the first in name order.
std::string GetTempFile(Platform& platform, const std::string& tempFolder);

// Where the events log of a deletion goes: DUSTREL.LOG in the installation folder, unless this user may
// not write there or a package manager installed the folder (a shared installation such as
// /usr/share/dustrel, which root may write but a package's removal would leave the log behind in): then
// in the user's own state folder, which `make` creates when it is missing. Empty when the installation
// folder is not known.
Result<std::string> GetEventsLogPath(Platform& platform, const std::string& installFolder, bool make);

// Gives the shared paths, the temporary file and the first shapes of the tables their values.
void InitPublicVariables(ProgramState& state, Platform& platform);

} // namespace dustrel
