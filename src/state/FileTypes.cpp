#include "state/FileTypes.h"

#include "state/ProgramState.h"

#include <algorithm>

namespace dustrel {

const std::array<CleaningRule, kFileTypeCount> kCleaningRules = {{
    {"*.BAK Files", "Backup files", "*.BAK", true},
    {"*.OLD Files", "Backup files", "*.OLD", true},
    {"*.TMP Files", "Temporary files", "*.TMP", true},
    {"*.~* / ~*.* Files", "Temporary files", "*.~*;~*.*", true},
    {"*.$$$ Files", "MS-DOS temporary files", "*.$$$", true},
    {"*.--- Files", "W95 installation temporary files", "*.---", true},
    {"*.GID Files", "Help files index", "*.GID", true},
    {"*.FTS / *.FTG Files", "Help files words list", "*.FTS;*.FTG", false},
    {"*.FND Files", "Search results files", "*.FND", true},
    {"*.CHK Files", "WordPerfect temporary files", "*.CHK", false},
    {"*.$DB / *.DB$ Files", "DBase temporary files", "*.$DB;*.DB$", true},
    {"*.DIZ / *.SDI Files", "Archive contents", "*.DIZ;*.SDI", true},
    {"*.DA0 Files", "Registry backup", "*.DA0", true},
    {"*.DMP Files", "Memory dump (NT)", "*.DMP", false},
    {"CHKLIST.* Files", "Antivirus checked files list", "CHKLIST.*", true},
    {"ANTI-VIR.DAT Files", "F-Prot Virus inoculations files", "ANTI-VIR.DAT", true},
    {"*.MTX Files", "TWAIN temporary files", "*.MTX", false},
    {"MSCREATE.DIR Files", "MS Applications installation temporary files", "MSCREATE.DIR", true},
    {"Windows LOG Files", "W95 Plug & Play LOG Files",
     "*LOG.TXT;BOOTLOG.PRV;MODEMDET.TXT;SUHDLOG.DAT;SYSTEM.1ST", false},
}};

const std::array<std::string_view, kSpecialFolderCount> kSpecialFolderLabels = {
    "Temporary Directory",
    "Documents Folder",
    "Netscape Navigator Cache Directory",
    "Netscape Communicator Cache Directory",
    "MS Internet Explorer Cache Directory",
};

void InitFileTypes(ProgramState& state)
{
    for (std::size_t i = 0; i < kFileTypeCount; ++i)
        state.FILE_TYPES[i] = std::string(kCleaningRules[i].patterns);
}

namespace {
constexpr std::string_view kNothingChosen = "NULL";
}

void BuildFilter(ProgramState& state)
{
    std::string filter;
    auto add = [&filter](std::string_view patterns) {
        if (!filter.empty())
            filter += ';';
        filter += patterns;
    };
    for (std::size_t i = 0; i < kFileTypeCount; ++i) {
        if (state.choices.files()[i].state == CheckState::Ticked)
            add(state.FILE_TYPES[i]);
    }
    for (const std::string& pattern : state.CSTM_TBL.patterns())
        add(pattern);
    state.FILTRE = filter.empty() ? std::string(kNothingChosen) : std::move(filter);
}

std::string_view SearchPatterns(const ProgramState& state)
{
    const bool typeTicked = std::any_of(state.choices.files().begin(), state.choices.files().end(),
                                        [](const CheckBox& box) { return box.state == CheckState::Ticked; });
    if (state.FILTRE == kNothingChosen && !typeTicked && state.CSTM_TBL.patterns().empty())
        return {};
    return state.FILTRE;
}

} // namespace dustrel
