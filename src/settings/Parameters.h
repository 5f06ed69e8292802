#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

struct Platform;
struct ProgramState;
class RegistryAccess;
class WindowHost;

// Where the user's choices are kept, under HKEY_LOCAL_MACHINE.
constexpr std::string_view kSettingsKey = "SOFTWARE\\Quorvane\\Dustrel";

// What loading met that the user has to see before anything is cleaned with these choices.
struct ParametersReport
{
    // One sentence each: a count that cannot be read, an entry it names that is missing, a value too
    // long to read, drives that cannot be matched with the saved ticks. An unattended run refuses to go on.
    std::vector<std::string> problems;
    // Drives that were not there at the last save. They come up ticked, as for the user who sees them
    // before searching; an unattended run leaves them alone, since nobody ever chose to clean them.
    std::vector<std::size_t> newDrives;
    // Saved custom patterns that every file name matches (see PatternMatcher::matchesAll): cleaning with
    // one would delete every file the user may delete, so an unattended run refuses them.
    std::vector<std::string> catchAllPatterns;
};

// Applies the saved choices to the check boxes, the options and the two tables. Never stops half way: a
// missing or malformed value leaves a clear box (a ticked one for drives) and the entries that can be
// read, and says so in the report where that could clean what the user meant to keep.
ParametersReport LoadParameters(ProgramState& state, RegistryAccess& registry, WindowHost& window);

// Writes SaveParams, and with `all` every other choice and both tables, in one replacement of the store.
void SaveParameters(ProgramState& state, RegistryAccess& registry, bool all);

// Whether choices have ever been saved: the settings key exists.
bool ParametersSaved(Platform& platform);

// Writes every default in one replacement of the store. The drives must have been counted.
Result<void> WriteDefaultParameters(ProgramState& state, Platform& platform,
                                    const std::string& installFolder);

// Writes every default with the current folder as the installation folder and says so; the caller has
// counted the drives. Returns the program's exit status: the caller ends the program.
int InitRegistry(ProgramState& state, Platform& platform);

} // namespace dustrel
