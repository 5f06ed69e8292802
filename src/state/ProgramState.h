#pragma once

#include "base/TraceLog.h"
#include "state/Choices.h"
#include "state/CustomTable.h"
#include "state/FileTypes.h"
#include "state/IgnoreTable.h"
#include "state/SearchFlag.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dustrel {

// The one working state of a run, shared by every routine and living as long as the process.
// Names are those the rest of the program speaks of.
struct ProgramState
{
    std::string NEWLINE;  // line break inside message texts: LF then CR
    std::string TAB_CHAR; // one TAB
    std::string FILTRE;   // the active pattern list
    std::array<std::string, kFileTypeCount> FILE_TYPES;
    CustomTable CSTM_TBL;
    IgnoreTable IGN_TBL;
    std::array<std::string, kSpecialFolderCount> DIRECTORIES; // empty when the folder was not found
    std::string WIN_PATH;
    std::string DTR_PATH; // the installation folder
    std::string TMP_FILE;
    int DRIVES_NB = 0;
    SearchFlag SEARCHING;

    Choices choices;
    TraceLog trace;

    void Trace(int level, std::string_view text) { trace.Trace(level, text); }

    // How many drives are offered: DRIVES_NB, but never past the drives actually listed.
    std::size_t listedDrives() const
    {
        return std::min(static_cast<std::size_t>(std::max(DRIVES_NB, 0)), choices.drives().size());
    }
};

} // namespace dustrel
