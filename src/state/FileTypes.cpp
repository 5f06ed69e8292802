#include "state/FileTypes.h"

#include "state/ProgramState.h"

#include <algorithm>

namespace dustrel {

const std::array<CleaningRule, kFileTypeCount> kCleaningRules = {{
    {"*.BAK Files", "Backup files", "*.BAK"},
    {"*.OLD Files", "Backup files", "*.OLD"},
    {"*.TMP Files", "Temporary files", "*.TMP"},
    {"*.~* / ~*.* Files", "Temporary files", "*.~*;~*.*"},
    {"*.$$$ Files", "MS-DOS temporary files", "*.$$$"},
    {"*.--- Files", "W95 installation temporary files", "*.---"},
    {"*.GID Files", "Help files index", "*.GID"},
    {"*.FTS / *.FTG Files", "Help files words list", "*.FTS;*.FTG"},
    {"*.FND Files", "Search results files", "*.FND"},
    {"*.CHK Files", "WordPerfect temporary files", "*.CHK"},
    {"*.$DB / *.DB$ Files", "DBase temporary files", "*.$DB;*.DB$"},
    {"*.DIZ / *.SDI Files", "Archive contents", "*.DIZ;*.SDI"},
    {"*.DA0 Files", "Registry backup", "*.DA0"},
    {"*.DMP Files", "Memory dump (NT)", "*.DMP"},
    {"CHKLIST.* Files", "Antivirus checked files list", "CHKLIST.*"},
    {"ANTI-VIR.DAT Files", "F-Prot Virus inoculations files", "ANTI-VIR.DAT"},
    {"*.MTX Files", "TWAIN temporary files", "*.MTX"},
    {"MSCREATE.DIR Files", "MS Applications installation temporary files", "MSCREATE.DIR"},
    {"Windows LOG Files", "W95 Plug & Play LOG Files",
     "*LOG.TXT;BOOTLOG.PRV;MODEMDET.TXT;SUHDLOG.DAT;SYSTEM.1ST"},
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
