#include "settings/Parameters.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/PatternMatcher.h"
#include "settings/RegistryAccess.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "state/WindowHost.h"

#include <algorithm>
#include <optional>

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

// Saved beside Drives: the root folder of the drive each digit belongs to, one per line.
constexpr std::string_view kDriveRootsName = "DriveRoots";
constexpr char kRootSeparator = '\n';

std::vector<std::string> splitRoots(std::string_view text)
{
    std::vector<std::string> roots;
    if (text.empty())
        return roots;
    for (std::size_t begin = 0;;) {
        const std::size_t end = text.find(kRootSeparator, begin);
        roots.emplace_back(text.substr(begin, end == std::string_view::npos ? end : end - begin));
        if (end == std::string_view::npos)
            return roots;
        begin = end + 1;
    }
}

std::string joinRoots(const std::vector<std::string>& roots)
{
    std::string joined;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        if (i > 0)
            joined += kRootSeparator;
        joined += roots[i];
    }
    return joined;
}

// Reads the settings values and notes what the user must hear about.
struct Reader
{
    RegistryAccess& registry;
    ParametersReport& report;

    std::string read(std::string_view name)
    {
        std::string value = registry.ReadRegString(kRoot, kSettingsKey, name);
        if (value.empty() && registry.valueTooLong(kRoot, kSettingsKey, name))
            report.problems.push_back("The saved value " + std::string(name) + " is longer than " +
                                      std::to_string(kRegistryReadLimit) + " bytes and could not be read.");
        return value;
    }

    bool exists(std::string_view name)
    {
        return registry.registry().queryValue(kRoot, kSettingsKey, name, std::string::npos).has_value() ||
               registry.registry().queryNumber(kRoot, kSettingsKey, name).has_value();
    }

    // The saved roots of the drives when there is one for each saved digit.
    std::optional<std::vector<std::string>> driveRoots(std::size_t digits)
    {
        if (!exists(kDriveRootsName))
            return std::nullopt;
        std::vector<std::string> roots = splitRoots(read(kDriveRootsName));
        if (roots.size() != digits)
            return std::nullopt;
        return roots;
    }

    // The entries a count names. A count that cannot be read, or entries it names that are missing, are
    // told rather than taken for an empty list; the entries that are there are kept either way.
    std::vector<std::string> numbered(std::string_view countName, std::string_view prefix)
    {
        const auto entryName = [prefix](long long i) { return std::string(prefix) + std::to_string(i); };
        std::optional<long long> parsed = parseCount(read(countName), kMaxListCount);
        if (!parsed) {
            const auto number = registry.registry().queryNumber(kRoot, kSettingsKey, countName);
            if (number && *number <= kMaxListCount)
                parsed = *number;
        }
        const bool readable = parsed.has_value();
        const long long count = parsed.value_or(0);
        // Never saved: an empty list, as the defaults have.
        if (!readable && !exists(countName) && !exists(entryName(1)))
            return {};

        std::vector<std::string> values;
        if (!readable) {
            report.problems.push_back("The saved count " + std::string(countName) + " is not a number.");
            for (long long i = 1; i <= kMaxListCount && exists(entryName(i)); ++i)
                values.push_back(read(entryName(i)));
            return values;
        }
        values.reserve(static_cast<std::size_t>(std::min(count, 4096LL)));
        long long missing = 0;
        std::string firstMissing;
        for (long long i = 1; i <= count; ++i) {
            if (exists(entryName(i))) {
                values.push_back(read(entryName(i)));
            } else if (missing++ == 0) {
                firstMissing = entryName(i);
            }
        }
        if (missing > 0)
            report.problems.push_back("The saved count " + std::string(countName) + " names " +
                                      std::to_string(count) + " entries, but " + std::to_string(missing) +
                                      " of them are missing (the first is " + firstMissing + ").");
        return values;
    }
};

void loadDrives(ProgramState& state, Reader& reader, ParametersReport& report)
{
    Choices& choices = state.choices;
    const std::size_t count = state.listedDrives();
    const std::string digits = reader.read("Drives");
    const auto roots = reader.driveRoots(digits.size());
    bool byRoot = roots.has_value();
    for (std::size_t k = 0; k < count; ++k)
        byRoot = byRoot && !choices.drives()[k].root.empty();
    for (std::size_t k = 0; k < count; ++k) {
        // A drive added since the last save, or a damaged character, comes up ticked.
        if (!byRoot) {
            choices.setDriveState(k, stateAt(digits, k).value_or(CheckState::Ticked));
            continue;
        }
        const auto saved = std::find(roots->begin(), roots->end(), choices.drives()[k].root);
        if (saved == roots->end()) {
            choices.setDriveState(k, CheckState::Ticked);
            report.newDrives.push_back(k);
        } else {
            choices.setDriveState(k, stateAt(digits, static_cast<std::size_t>(saved - roots->begin()))
                                         .value_or(CheckState::Ticked));
        }
    }
    // Read by position, a tick saved for one drive lands on another as soon as one comes or goes.
    if (!byRoot && digits.size() != count)
        report.problems.push_back("The drives have changed since the choices were saved (" +
                                  std::to_string(digits.size()) + " then, " + std::to_string(count) +
                                  " now), and the saved ticks cannot be matched with them.");
}

// Hours are counted as far as a century; beyond that, or unreadable, the default keeps the live files.
constexpr long long kMaxTempMinAgeHours = 24LL * 366 * 100;
constexpr std::size_t kTempFolder = 0;

long long tempMinAge(Reader& reader)
{
    const std::optional<long long> hours = parseCount(reader.read("TempMinAge"), kMaxTempMinAgeHours);
    return hours ? *hours : kDefaultTempMinAgeHours;
}

// The folder's path, and for the temporary folder which of its files stay.
std::string dirToolTip(const ProgramState& state, std::size_t k)
{
    const long long hours = state.choices.tempMinAgeHours();
    if (k != kTempFolder || hours == 0)
        return state.DIRECTORIES[k];
    return state.DIRECTORIES[k] + "\nFiles modified, changed or read in the last " + std::to_string(hours) +
           (hours == 1 ? " hour" : " hours") + " are kept.";
}

void reportUnsaved(RegistryAccess& registry, const ProgramState& state, const Error& error)
{
    registry.messageBoxes().show(programMessage(
        "The parameters could not be saved." + state.NEWLINE + error.describe(), MessageIcon::Exclamation));
}

// A folder that is not there this session keeps the tick it was saved with: it may be back next time.
std::string directoryDigits(const ProgramState& state, RegistryAccess& registry)
{
    const std::string saved = registry.ReadRegString(kRoot, kSettingsKey, "Directories");
    std::string out = stateDigits(state.choices.dirs());
    for (std::size_t k = 0; k < out.size(); ++k) {
        if (state.DIRECTORIES[k].empty() && stateAt(saved, k))
            out[k] = saved[k];
    }
    return out;
}

// The ticks of the drives present, then those of saved drives that are not there now, each with its root.
void saveDrives(const ProgramState& state, RegistryAccess& registry)
{
    const auto& entries = state.choices.drives();
    const std::size_t count = state.listedDrives();
    std::string digits;
    std::vector<std::string> roots;
    for (std::size_t k = 0; k < count; ++k) {
        digits += checkStateDigit(entries[k].box.state);
        roots.push_back(entries[k].root);
    }
    ParametersReport ignored;
    Reader reader{registry, ignored};
    const std::string savedDigits = reader.read("Drives");
    if (const auto savedRoots = reader.driveRoots(savedDigits.size())) {
        for (std::size_t j = 0; j < savedRoots->size(); ++j) {
            const std::string& root = (*savedRoots)[j];
            if (!root.empty() && std::find(roots.begin(), roots.end(), root) == roots.end()) {
                digits += savedDigits[j];
                roots.push_back(root);
            }
        }
    }
    registry.WriteRegString(kRoot, kSettingsKey, "Drives", digits);
    registry.WriteRegString(kRoot, kSettingsKey, kDriveRootsName, joinRoots(roots));
}

} // namespace

ParametersReport LoadParameters(ProgramState& state, RegistryAccess& registry, WindowHost& window)
{
    ParametersReport report;
    Reader reader{registry, report};
    Choices& choices = state.choices;

    const std::string typeOfFiles = reader.read("TypeOfFiles");
    for (std::size_t k = 0; k < kFileTypeCount; ++k)
        choices.setFileState(k, stateAt(typeOfFiles, k).value_or(CheckState::Clear));

    window.setCommandEnabled(Command::Search, true);

    choices.setTempMinAgeHours(tempMinAge(reader));
    const std::string directories = reader.read("Directories");
    for (std::size_t k = 0; k < kSpecialFolderCount; ++k) {
        if (state.DIRECTORIES[k].empty()) {
            choices.setDirEnabled(k, false);
            continue;
        }
        choices.setDirState(k, stateAt(directories, k).value_or(CheckState::Clear));
        choices.setDirToolTip(k, dirToolTip(state, k));
    }

    loadDrives(state, reader, report);

    state.IGN_TBL.reset(state.TMP_FILE);
    state.IGN_TBL.setEntries(reader.numbered("IgnoreNb", "Ignore"));
    state.CSTM_TBL.setPatterns(reader.numbered("CustomNb", "Custom"));
    for (const std::string& pattern : state.CSTM_TBL.patterns()) {
        if (PatternMatcher(pattern).matchesAll())
            report.catchAllPatterns.push_back(pattern);
    }

    choices.setOptLog(reader.read("LogFile") == "Yes");
    choices.setOptSave(reader.read("SaveParams") == "Yes");
    choices.setOptTrash(reader.read("UseTrash") == "Yes");
    return report;
}

void SaveParameters(ProgramState& state, RegistryAccess& registry, bool all)
{
    const Choices& choices = state.choices;
    RegistryBatch batch(registry.registry());

    registry.WriteRegString(kRoot, kSettingsKey, "SaveParams", choices.optSave() ? "Yes" : "No");
    if (all) {
        registry.WriteRegString(kRoot, kSettingsKey, "TypeOfFiles", stateDigits(choices.files()));
        registry.WriteRegString(kRoot, kSettingsKey, "Directories", directoryDigits(state, registry));
        saveDrives(state, registry);

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
    if (Result<void> made = registry.MakeRegistryKey(kRoot, kSettingsKey); !made)
        return made;
    std::string types;
    for (const CleaningRule& rule : kCleaningRules)
        types += checkStateDigit(rule.tickedByDefault ? CheckState::Ticked : CheckState::Clear);
    registry.WriteRegString(kRoot, kSettingsKey, "TypeOfFiles", types);
    registry.WriteRegString(kRoot, kSettingsKey, "Directories", std::string(kSpecialFolderCount, '1'));
    const std::size_t drives = state.listedDrives();
    registry.WriteRegString(kRoot, kSettingsKey, "Drives", std::string(drives, '1'));
    std::vector<std::string> roots;
    for (std::size_t k = 0; k < drives; ++k)
        roots.push_back(state.choices.drives()[k].root);
    registry.WriteRegString(kRoot, kSettingsKey, kDriveRootsName, joinRoots(roots));
    registry.WriteRegString(kRoot, kSettingsKey, "IgnoreNb", "0");
    registry.WriteRegString(kRoot, kSettingsKey, "CustomNb", "0");
    registry.WriteRegString(kRoot, kSettingsKey, "InstallPath", installFolder);
    registry.WriteRegString(kRoot, kSettingsKey, "LogFile", "No");
    registry.WriteRegString(kRoot, kSettingsKey, "SaveParams", "Yes");
    registry.WriteRegString(kRoot, kSettingsKey, "UseTrash", "No");
    registry.WriteRegString(kRoot, kSettingsKey, "TempMinAge", std::to_string(kDefaultTempMinAgeHours));
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
