#pragma once

#include <string_view>

namespace dustrel {

// The title of the main window and of every message box the program shows.
constexpr std::string_view kProgramTitle = "Dustrel v2.1";

// The events log, in the installation folder.
constexpr std::string_view kLogName = "DUSTREL.LOG";

} // namespace dustrel
