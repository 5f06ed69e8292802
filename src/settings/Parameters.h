#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

namespace dustrel {

struct Platform;
struct ProgramState;
class RegistryAccess;
class WindowHost;

// Where the user's choices are kept, under HKEY_LOCAL_MACHINE.
constexpr std::string_view kSettingsKey = "SOFTWARE\\Quorvane\\Dustrel";

// Applies the saved choices to the check boxes, the options and the two tables. Never fails: a missing
// or malformed value leaves a clear box (a ticked one for drives) or an empty table.
void LoadParameters(ProgramState& state, RegistryAccess& registry, WindowHost& window);

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
