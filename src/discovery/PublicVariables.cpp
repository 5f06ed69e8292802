#include "discovery/PublicVariables.h"

#include "base/Text.h"
#include "platform/OtherProgramSetting.h"
#include "platform/Platform.h"
#include "scan/FolderListing.h"
#include "scan/PatternMatcher.h"
#include "settings/Parameters.h"
#include "settings/RegistryAccess.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"

#include <chrono>
#include <string_view>

namespace dustrel {

namespace {

// The line of prefs.js that names the cache folder, read by position as the browser writes it:
// user_pref("browser.cache.directory", "VALUE");
constexpr std::string_view kCacheKeyName = "browser.cache.directory";
constexpr std::size_t kPrefNameAt = std::string_view("user_pref(\"").size();
constexpr std::size_t kPrefValueAt = kPrefNameAt + kCacheKeyName.size() + std::string_view("\", \"").size();
constexpr std::size_t kPrefCloserSize = std::string_view("\");").size();
// A preference file is a few kilobytes; anything this large is not one.
constexpr std::size_t kPrefsReadLimit = 64u << 20;

std::string readSetting(Platform& platform, RegistryRoot root, std::string_view keyPath,
                        std::string_view name)
{
    RegistryAccess registry(platform.registry, platform.messageBoxes);
    return withoutTrailingSeparator(registry.ReadRegString(root, keyPath, name),
                                    platform.pathRules.separator);
}

std::string readSetting(Platform& platform, const OtherProgramSetting& setting)
{
    return readSetting(platform, setting.root, setting.keyPath, setting.valueName);
}

// Whether the line names the cache folder's preference, in any letter case.
bool namesCacheFolder(std::string_view line)
{
    return line.size() > kPrefNameAt &&
           toLowerAscii(line.substr(kPrefNameAt, kCacheKeyName.size())) == kCacheKeyName;
}

// The line of prefs.js that sets the cache folder, or the last line read when none does.
std::string findCacheLine(std::string_view text)
{
    std::string line;
    std::size_t pos = 0;
    while (!namesCacheFolder(line) && pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        line.assign(text.substr(pos, end - pos));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = end + 1;
    }
    return line;
}

// Preference values escape a backslash by doubling it.
std::string undoDoubledBackslashes(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); i += value[i] == '\\' ? 2u : 1u)
        out += value[i];
    return out;
}

// Every file of a special folder is deleted, and the walk and the deletion know a folder by the path they
// reach it by: so the folder is named the one way the walk reaches it, without links, "." or "..", and a
// folder that holds what must stay (the root, the home folder) is not used however it was given.
std::string specialFolder(ProgramState& state, Platform& platform, std::size_t k, std::string found)
{
    if (found.empty())
        return found;
    // A folder that is not there has nothing to delete; it keeps the name it was given.
    if (auto canonical = platform.fileSystem.canonicalPath(found))
        found = std::move(*canonical);
    const std::string label = "DIRECTORIES(" + std::to_string(k) + ") ";
    if (found == "/" || found.empty()) {
        state.Trace(2, label + "not used: it is the root folder");
        return {};
    }
    if (!state.WIN_PATH.empty()) {
        const auto home = platform.fileSystem.canonicalPath(state.WIN_PATH);
        if (found == (home ? *home : state.WIN_PATH)) {
            state.Trace(2, label + "not used: it is the home folder " + state.WIN_PATH);
            return {};
        }
    }
    return found;
}

} // namespace

std::string GetWindowsFolder(Platform& platform)
{
    return withoutTrailingSeparator(platform.folders.windowsDirectory(), platform.pathRules.separator);
}

std::string GetInstallFolder(Platform& platform)
{
    RegistryAccess registry(platform.registry, platform.messageBoxes);
    const std::string saved = registry.ReadRegString(RegistryRoot::LocalMachine, kSettingsKey, "InstallPath");
    // The root folder keeps its one separator, as a drive root keeps its letter: without it the folder
    // would be unknown, and so would the help page and the events log.
    const std::string folder = withoutTrailingSeparator(saved, platform.pathRules.separator);
    return folder.empty() ? saved : folder;
}

namespace {

// Whether a package manager installed the folder itself: a package's removal would leave a log written
// there behind, and an upgrade may replace the folder.
bool installedFolder(Platform& platform, const std::string& folder)
{
    const Result<FileInfo> info = platform.fileSystem.fileInfo(folder);
    const std::size_t slash = folder.find_last_of(platform.pathRules.separator);
    if (!info || info->type != EntryType::Folder || slash == std::string::npos || slash + 1 == folder.size())
        return false;
    OwnedFilesQuery query;
    query.nameMatches = [name = folder.substr(slash + 1)](std::string_view candidate) {
        return candidate == name;
    };
    query.foldersToo = true;
    return platform.installedSoftware.ownedFiles(query).contains(info->device, info->inode);
}

} // namespace

Result<std::string> GetEventsLogPath(Platform& platform, const std::string& installFolder, bool make)
{
    const char separator = platform.pathRules.separator;
    if (installFolder.empty())
        return std::string();
    // A missing installation folder is reported where the log is created, as the user's settings name it.
    const std::string userFolder = platform.folders.userStateFolder();
    const bool writable = platform.fileSystem.folderAccess(installFolder) != FolderAccess::Refused;
    const bool installed = writable && installedFolder(platform, installFolder);
    if ((writable && !installed) || (!writable && userFolder.empty()))
        return joinPath(installFolder, kLogName, separator);
    if (userFolder.empty())
        return Error{0, "the installation folder belongs to installed software and there is no state folder",
                     installFolder};
    const std::string folder = joinPath(userFolder, "dustrel", separator);
    if (make) {
        if (Result<void> made = platform.fileSystem.makeFolders(folder); !made)
            return made.error();
    }
    return joinPath(folder, kLogName, separator);
}

std::string GetTempFolder(Platform& platform)
{
    return withoutTrailingSeparator(platform.folders.tempPath(), platform.pathRules.separator);
}

std::string GetRecentFolder(Platform& platform)
{
    return readSetting(platform, kRecentFolderSetting);
}

std::string GetNavigatorCache(Platform& platform)
{
    return readSetting(platform, kNavigatorCacheSetting);
}

std::string GetCommunicatorCache(Platform& platform)
{
    const char separator = platform.pathRules.separator;
    RegistryAccess registry(platform.registry, platform.messageBoxes);
    const OtherProgramSetting& users = kNavigatorCurrentUserSetting;
    const std::string user = registry.ReadRegString(users.root, users.keyPath, users.valueName);
    if (user.empty())
        return {};
    std::string root = registry.ReadRegString(users.root, navigatorUserKey(user), kNavigatorUserFolderName);
    if (root.empty())
        return {};

    auto prefs = platform.fileSystem.readFile(joinPath(root, "prefs.js", separator), kPrefsReadLimit);
    if (!prefs) // no preference file: the browser's default cache folder
        return withoutTrailingSeparator(joinPath(root, "Cache", separator), separator);

    const std::string line = findCacheLine(*prefs);
    // The search for the line folds the letter case, this test does not: a line in other letters sets
    // nothing, and the default folder stands.
    if (line.size() > kPrefNameAt && line.compare(kPrefNameAt, kCacheKeyName.size(), kCacheKeyName) == 0) {
        // A line too short to hold the closing characters after the value's start has no value.
        if (line.size() <= kPrefValueAt + kPrefCloserSize)
            return {};
        const std::string_view value =
            std::string_view(line).substr(kPrefValueAt, line.size() - kPrefValueAt - kPrefCloserSize);
        return withoutTrailingSeparator(undoDoubledBackslashes(value), separator);
    }
    return withoutTrailingSeparator(joinPath(root, "Cache", separator), separator);
}

std::string GetExplorerCache(Platform& platform)
{
    return readSetting(platform, kExplorerCacheSetting);
}

std::string GetTempFile(Platform& platform, const std::string& tempFolder)
{
    if (tempFolder.empty())
        return {};
    const char separator = platform.pathRules.separator;
    const auto now = platform.clock.now();
    const std::vector<std::string> names =
        ListMatchingFiles(platform.fileSystem, tempFolder, PatternMatcher("~DF*.TMP"));

    std::chrono::system_clock::duration best = std::chrono::seconds(10);
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto info = platform.fileSystem.fileInfo(joinPath(tempFolder, names[i], separator));
        if (!info) // gone since the listing: it cannot be the one in use
            continue;
        const auto age = now - info->modified;
        if (age < best) {
            best = age;
            chosen = i;
        }
    }
    return joinPath(tempFolder, names.empty() ? std::string() : names[chosen], separator);
}

void InitPublicVariables(ProgramState& state, Platform& platform)
{
    state.Trace(1, "");
    state.Trace(1, "Sub InitPublicVariables()");
    state.FILTRE.clear();
    state.CSTM_TBL.clear();
    state.Trace(2, "FILTRE = " + state.FILTRE);
    state.Trace(2, "CSTM_TBL() = " + std::to_string(state.CSTM_TBL.highestIndex()));

    state.WIN_PATH = GetWindowsFolder(platform);
    state.Trace(2, "WIN_PATH = " + state.WIN_PATH);
    state.DTR_PATH = GetInstallFolder(platform);
    state.Trace(2, "DTR_PATH = " + state.DTR_PATH);

    std::string (*const finders[kSpecialFolderCount])(Platform&) = {
        GetTempFolder, GetRecentFolder, GetNavigatorCache, GetCommunicatorCache, GetExplorerCache};
    for (std::size_t k = 0; k < kSpecialFolderCount; ++k) {
        state.DIRECTORIES[k] = specialFolder(state, platform, k, finders[k](platform));
        state.Trace(2, "DIRECTORIES(" + std::to_string(k) + ") = " + state.DIRECTORIES[k]);
    }

    state.TMP_FILE = GetTempFile(platform, state.DIRECTORIES[0]);
    state.IGN_TBL.reset(state.TMP_FILE);
    state.Trace(2, "TMP_FILE = IGN_TBL(0) = " + state.TMP_FILE);
    state.Trace(1, "End Sub InitPublicVariables()");
}

} // namespace dustrel
