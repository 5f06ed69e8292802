#include "platform/posix/settings/DesktopRegistry.h"

#include "base/Text.h"
#include "platform/OtherProgramSetting.h"
#include "platform/posix/session/XdgPaths.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <limits>
#include <utility>
#include <vector>

namespace dustrel::posix {

namespace {

// profiles.ini is a few hundred bytes; the limit only keeps a runaway file out of memory.
constexpr std::size_t profilesIniLimit = 16 * 1024 * 1024;

// profiles.ini lines are read with their line ends.
constexpr std::string_view kIniBlanks = " \t\r\n";

bool isAbsolute(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

std::string lastComponent(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The value names that the desktop may answer, one per key.
enum class DesktopValue
{
    None,
    RecentDocuments,
    NavigatorCache,
    CurrentUser,
    UserFolder,
    ExplorerCache,
};

// The values the desktop answers for, each with the setting it stands in for.
struct StoodFor
{
    DesktopValue value;
    const OtherProgramSetting& setting;
};

constexpr StoodFor kStoodFor[] = {
    {DesktopValue::RecentDocuments, kRecentFolderSetting},
    {DesktopValue::NavigatorCache, kNavigatorCacheSetting},
    {DesktopValue::CurrentUser, kNavigatorCurrentUserSetting},
    {DesktopValue::ExplorerCache, kExplorerCacheSetting},
};

// The profile key is the users key, a "\" and the profile's name.
std::optional<std::string_view> userKeyName(std::string_view keyPath)
{
    const std::string_view usersKey = kNavigatorCurrentUserSetting.keyPath;
    if (keyPath.size() <= usersKey.size() + 1 || !startsWithIgnoreCase(keyPath, usersKey) ||
        keyPath[usersKey.size()] != '\\')
        return std::nullopt;
    return keyPath.substr(usersKey.size() + 1);
}

DesktopValue desktopValueOfKey(RegistryRoot root, std::string_view keyPath)
{
    for (const StoodFor& stood : kStoodFor) {
        if (root == stood.setting.root && equalsIgnoreCase(keyPath, stood.setting.keyPath))
            return stood.value;
    }
    if (root == kNavigatorCurrentUserSetting.root && userKeyName(keyPath))
        return DesktopValue::UserFolder;
    return DesktopValue::None;
}

std::string_view valueNameOf(DesktopValue value)
{
    if (value == DesktopValue::UserFolder)
        return kNavigatorUserFolderName;
    for (const StoodFor& stood : kStoodFor) {
        if (stood.value == value)
            return stood.setting.valueName;
    }
    return {};
}

DesktopValue desktopValueOf(RegistryRoot root, std::string_view keyPath, std::string_view valueName)
{
    const DesktopValue value = desktopValueOfKey(root, keyPath);
    if (value == DesktopValue::None || !equalsIgnoreCase(valueName, valueNameOf(value)))
        return DesktopValue::None;
    return value;
}

struct IniSection
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;

    std::optional<std::string> get(std::string_view key) const
    {
        // The last of repeated keys wins, as the browser reads them.
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            if (equalsIgnoreCase(it->first, key))
                return it->second;
        }
        return std::nullopt;
    }
};

std::vector<IniSection> parseIni(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<IniSection> sections;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = trim(text.substr(start, end - start), kIniBlanks);
        start = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            // A broken header still ends the section before it, so its keys cannot leak into that one.
            sections.push_back(IniSection{close == std::string_view::npos
                                              ? std::string()
                                              : std::string(trim(line.substr(1, close - 1), kIniBlanks)),
                                          {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || sections.empty())
            continue;
        sections.back().entries.emplace_back(std::string(trim(line.substr(0, equals), kIniBlanks)),
                                             std::string(trim(line.substr(equals + 1), kIniBlanks)));
    }
    return sections;
}

bool isProfileSection(std::string_view name)
{
    if (!startsWithIgnoreCase(name, "Profile") || name.size() == 7)
        return false;
    for (char c : name.substr(7)) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::string resolveProfilePath(const std::string& path, bool relative, const std::string& profilesFolder)
{
    if (!relative && isAbsolute(path))
        return std::string(withoutTrailingSeparatorsKeepingRoot(path, '/'));
    std::string_view inside = path;
    while (!inside.empty() && inside.front() == '/')
        inside.remove_prefix(1);
    return std::string(withoutTrailingSeparatorsKeepingRoot(profilesFolder + "/" + std::string(inside), '/'));
}

} // namespace

DesktopFolders DesktopFolders::fromEnvironment()
{
    return DesktopFolders{homeFolder(), dataHome(), cacheHome()};
}

std::optional<MozillaProfile> defaultMozillaProfile(std::string_view profilesIni,
                                                    const std::string& profilesFolder)
{
    const std::vector<IniSection> sections = parseIni(profilesIni);
    std::vector<MozillaProfile> profiles;
    std::optional<std::size_t> flaggedDefault;
    for (const IniSection& section : sections) {
        if (!isProfileSection(section.name))
            continue;
        auto name = section.get("Name");
        auto path = section.get("Path");
        if (!name || name->empty() || !path || path->empty())
            continue;
        const bool relative = section.get("IsRelative").value_or(std::string()) == "1";
        if (!flaggedDefault && section.get("Default").value_or(std::string()) == "1")
            flaggedDefault = profiles.size();
        profiles.push_back(MozillaProfile{*name, resolveProfilePath(*path, relative, profilesFolder)});
    }
    // An installation's own choice comes first: newer browsers keep one per installation.
    for (const IniSection& section : sections) {
        if (!startsWithIgnoreCase(section.name, "Install"))
            continue;
        auto path = section.get("Default");
        if (!path || path->empty())
            continue;
        const std::string folder = resolveProfilePath(*path, !isAbsolute(*path), profilesFolder);
        for (const MozillaProfile& profile : profiles) {
            if (profile.folder == folder)
                return profile;
        }
    }
    if (flaggedDefault)
        return profiles[*flaggedDefault];
    if (profiles.size() == 1)
        return profiles.front();
    return std::nullopt;
}

DesktopRegistry::DesktopRegistry(Registry& store, DesktopFolders folders)
    : ForwardingRegistry(store), m_folders(std::move(folders))
{}

bool DesktopRegistry::keyExists(RegistryRoot root, std::string_view keyPath)
{
    if (store().keyExists(root, keyPath))
        return true;
    const DesktopValue value = desktopValueOfKey(root, keyPath);
    return value != DesktopValue::None && desktopValue(root, keyPath, valueNameOf(value)).has_value();
}

std::optional<std::string> DesktopRegistry::queryValue(RegistryRoot root, std::string_view keyPath,
                                                       std::string_view valueName, std::size_t capacity)
{
    if (desktopValueOf(root, keyPath, valueName) == DesktopValue::None)
        return store().queryValue(root, keyPath, valueName, capacity);
    // Asked without a limit, so that a stored value too long for the caller still hides the desktop's.
    auto answer = store().queryValue(root, keyPath, valueName, std::numeric_limits<std::size_t>::max());
    if (!answer)
        answer = desktopValue(root, keyPath, valueName);
    if (!answer || answer->size() > capacity)
        return std::nullopt;
    return answer;
}

std::optional<std::string> DesktopRegistry::desktopValue(RegistryRoot root, std::string_view keyPath,
                                                         std::string_view valueName)
{
    PosixFileSystem fileSystem;
    auto existingFolder = [&](const std::string& base,
                              const std::string& relative) -> std::optional<std::string> {
        // A relative base would make the answer depend on the current folder.
        if (!isAbsolute(base))
            return std::nullopt;
        std::string folder = std::string(withoutTrailingSeparatorsKeepingRoot(base, '/')) + "/" + relative;
        if (!isFolder(folder))
            return std::nullopt;
        return folder;
    };
    auto mozillaProfile = [&]() -> std::optional<MozillaProfile> {
        if (!isAbsolute(m_folders.home))
            return std::nullopt;
        const std::string profilesFolder =
            std::string(withoutTrailingSeparatorsKeepingRoot(m_folders.home, '/')) + "/.mozilla/firefox";
        auto text = fileSystem.readFile(profilesFolder + "/profiles.ini", profilesIniLimit);
        if (!text)
            return std::nullopt;
        return defaultMozillaProfile(*text, profilesFolder);
    };

    switch (desktopValueOf(root, keyPath, valueName)) {
    case DesktopValue::None:
        return std::nullopt;
    case DesktopValue::RecentDocuments:
        return existingFolder(m_folders.data, "RecentDocuments");
    case DesktopValue::NavigatorCache: {
        auto profile = mozillaProfile();
        if (!profile || lastComponent(profile->folder).empty())
            return std::nullopt;
        return existingFolder(m_folders.cache,
                              "mozilla/firefox/" + lastComponent(profile->folder) + "/cache2/entries");
    }
    case DesktopValue::CurrentUser: {
        auto profile = mozillaProfile();
        if (!profile)
            return std::nullopt;
        return profile->name;
    }
    case DesktopValue::UserFolder: {
        auto profile = mozillaProfile();
        if (!profile || !equalsIgnoreCase(*userKeyName(keyPath), profile->name))
            return std::nullopt;
        return profile->folder;
    }
    case DesktopValue::ExplorerCache:
        if (auto chromium = existingFolder(m_folders.cache, "chromium/Default/Cache/Cache_Data"))
            return chromium;
        return existingFolder(m_folders.cache, "google-chrome/Default/Cache/Cache_Data");
    }
    return std::nullopt;
}

} // namespace dustrel::posix
