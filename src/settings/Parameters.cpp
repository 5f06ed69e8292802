#include "settings/Parameters.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "settings/RegistryAccess.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "state/WindowHost.h"

namespace dustrel {

namespace {

constexpr RegistryRoot kRoot = RegistryRoot::LocalMachine;

// More entries than anyone keeps by hand; a larger count is taken as damage rather than honoured with a
// huge allocation.
constexpr long long kMaxListCount = 1'000'000;

// The state of box k from the k-th character, or nothing when it is missing or not a state.
std::optional<CheckState> stateAt(std::string_view text, std::size_t k)
{
    return k < text.size() ? checkStateFromDigit(text[k]) : std::nullopt;
}

std::string stateDigits(const auto& boxes)
{
    std::string out;
    for (const auto& box : boxes)
        out += checkStateDigit(box.state);
    return out;
}

std::vector<std::string> readNumbered(RegistryAccess& registry, std::string_view countName,
                                      std::string_view prefix)
{
    long long count = 0;
    if (!parseCount(registry.ReadRegString(kRoot, kSettingsKey, countName), kMaxListCount, count))
        return {};
    std::vector<std::string> values;
    values.reserve(static_cast<std::size_t>(count));
    for (long long i = 1; i <= count; ++i)
        values.push_back(
            registry.ReadRegString(kRoot, kSettingsKey, std::string(prefix) + std::to_string(i)));
    return values;
}

void reportUnsaved(RegistryAccess& registry, const ProgramState& state, const Error& error)
{
    registry.messageBoxes().show(programMessage(
        "The parameters could not be saved." + state.NEWLINE + error.describe(), MessageIcon::Exclamation));
}

} // namespace

void LoadParameters(ProgramState& state, RegistryAccess& registry, WindowHost& window)
{
    Choices& choices = state.choices;

    const std::string typeOfFiles = registry.ReadRegString(kRoot, kSettingsKey, "TypeOfFiles");
    for (std::size_t k = 0; k < kFileTypeCount; ++k)
        choices.setFileState(k, stateAt(typeOfFiles, k).value_or(CheckState::Clear));

    window.setCommandEnabled(Command::Search, true);

    const std::string directories = registry.ReadRegString(kRoot, kSettingsKey, "Directories");
    for (std::size_t k = 0; k < kSpecialFolderCount; ++k) {
        if (state.DIRECTORIES[k].empty()) {
            choices.setDirEnabled(k, false);
            continue;
        }
        choices.setDirState(k, stateAt(directories, k).value_or(CheckState::Clear));
        choices.setDirToolTip(k, state.DIRECTORIES[k]);
    }

    // A drive added since the last save, or a damaged character, comes up ticked.
    const std::string drives = registry.ReadRegString(kRoot, kSettingsKey, "Drives");
    for (std::size_t k = 0; k < static_cast<std::size_t>(state.DRIVES_NB); ++k)
        choices.setDriveState(k, stateAt(drives, k).value_or(CheckState::Ticked));

    state.IGN_TBL.reset(state.TMP_FILE);
    state.IGN_TBL.setEntries(readNumbered(registry, "IgnoreNb", "Ignore"));
    state.CSTM_TBL.setPatterns(readNumbered(registry, "CustomNb", "Custom"));

    choices.setOptLog(registry.ReadRegString(kRoot, kSettingsKey, "LogFile") == "Yes");
    choices.setOptSave(registry.ReadRegString(kRoot, kSettingsKey, "SaveParams") == "Yes");
    choices.setOptTrash(registry.ReadRegString(kRoot, kSettingsKey, "UseTrash") == "Yes");
}

void SaveParameters(ProgramState& state, RegistryAccess& registry, bool all)
{
    const Choices& choices = state.choices;
    RegistryBatch batch(registry.registry());

    registry.WriteRegString(kRoot, kSettingsKey, "SaveParams", choices.optSave() ? "Yes" : "No");
    if (all) {
        registry.WriteRegString(kRoot, kSettingsKey, "TypeOfFiles", stateDigits(choices.files()));
        registry.WriteRegString(kRoot, kSettingsKey, "Directories", stateDigits(choices.dirs()));
        std::string drives;
        for (std::size_t k = 0; k < static_cast<std::size_t>(state.DRIVES_NB) && k < choices.drives().size();
             ++k)
            drives += checkStateDigit(choices.drives()[k].box.state);
        registry.WriteRegString(kRoot, kSettingsKey, "Drives", drives);

        const auto& ignored = state.IGN_TBL.entries();
        for (std::size_t i = 0; i < ignored.size(); ++i)
            registry.WriteRegString(kRoot, kSettingsKey, "Ignore" + std::to_string(i + 1), ignored[i]);
        registry.WriteRegString(kRoot, kSettingsKey, "IgnoreNb", std::to_string(ignored.size()));

        const auto& custom = state.CSTM_TBL.patterns();
        for (std::size_t i = 0; i < custom.size(); ++i)
            registry.WriteRegString(kRoot, kSettingsKey, "Custom" + std::to_string(i + 1), custom[i]);
        registry.WriteRegString(kRoot, kSettingsKey, "CustomNb", std::to_string(custom.size()));

        registry.WriteRegString(kRoot, kSettingsKey, "LogFile", choices.optLog() ? "Yes" : "No");
        registry.WriteRegString(kRoot, kSettingsKey, "UseTrash", choices.optTrash() ? "Yes" : "No");
    }

    // Losing the user's choices without a word would look like a save that worked.
    if (Result<void> committed = batch.commit(); !committed)
        reportUnsaved(registry, state, committed.error());
}

bool ParametersSaved(Platform& platform)
{
    return platform.registry.keyExists(kRoot, kSettingsKey);
}

Result<void> WriteDefaultParameters(ProgramState& state, Platform& platform, const std::string& installFolder)
{
    RegistryAccess registry(platform.registry, platform.messageBoxes);
    RegistryBatch batch(platform.registry);
    registry.MakeRegistryKey(kRoot, kSettingsKey);
    registry.WriteRegString(kRoot, kSettingsKey, "TypeOfFiles", std::string(kFileTypeCount, '1'));
    registry.WriteRegString(kRoot, kSettingsKey, "Directories", std::string(kSpecialFolderCount, '1'));
    registry.WriteRegString(kRoot, kSettingsKey, "Drives",
                            std::string(static_cast<std::size_t>(state.DRIVES_NB), '1'));
    registry.WriteRegString(kRoot, kSettingsKey, "IgnoreNb", "0");
    registry.WriteRegString(kRoot, kSettingsKey, "CustomNb", "0");
    registry.WriteRegString(kRoot, kSettingsKey, "InstallPath", installFolder);
    registry.WriteRegString(kRoot, kSettingsKey, "LogFile", "No");
    registry.WriteRegString(kRoot, kSettingsKey, "SaveParams", "Yes");
    registry.WriteRegString(kRoot, kSettingsKey, "UseTrash", "No");
    return batch.commit();
}

int InitRegistry(ProgramState& state, Platform& platform)
{
    const Result<void> committed =
        WriteDefaultParameters(state, platform, platform.folders.currentDirectory());
    if (!committed) {
        platform.messageBoxes.show(programMessage("The default parameters could not be written." +
                                                      state.NEWLINE + committed.error().describe(),
                                                  MessageIcon::Exclamation));
        return 1;
    }
    platform.messageBoxes.show(programMessage(
        "Registry initialised." + state.NEWLINE + "Default parameters set.", MessageIcon::Information));
    return 0;
}

} // namespace dustrel
