#pragma once

#include <string>

namespace dustrel {

struct Platform;
struct ProgramState;

// The folders the program works out once at start-up. Each gives the empty text when the folder is not
// found, and none ends with a separator.
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

// Gives the shared paths, the temporary file and the first shapes of the tables their values.
void InitPublicVariables(ProgramState& state, Platform& platform);

} // namespace dustrel
