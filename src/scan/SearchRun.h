#pragma once

#include "platform/Result.h"
#include "scan/WorkContext.h"

#include <string>
#include <string_view>

namespace dustrel {

// The blanks the status text's summaries start with; the events log writes the summary without them.
constexpr std::string_view kSummaryIndent = "   ";
std::string_view withoutSummaryIndent(std::string_view status);

// "   Total wasted size : " + WASTED_SIZE grouped by thousands + " byte(s) - " + the row count + " file(s).":
// the status text at the end of a search and after a row is removed.
std::string SummaryText(WorkContext& context);

// Empties the results list and zeroes WASTED_SIZE, then walks every ticked drive with FILTRE and lists
// every file of the ticked special folders (and of the four cache subfolders of the last one), in that
// order; writes the summary and enables Delete when a row exists. Shows no message whatever fails.
// When a package database present cannot be read completely, nobody knows which files installed
// software owns: nothing is listed, and the failure says which database and why, for the caller to show.
Result<void> RunSearch(WorkContext& context);

// The Search command, also the search of the automatic mode: builds FILTRE, swaps the Search and Stop
// buttons for the time of RunSearch and swaps them back.
Result<void> Command1_Click(WorkContext& context);

// Empty after a search that looked everywhere it had to; else why it could not, for the user.
std::string IncompleteSearchText(WorkContext& context);

// The Stop command: the search ends before the next folder it would enter.
void Command2_Click(ProgramState& state);

} // namespace dustrel
