#include "platform/posix/trash/TrashRules.h"

#include "platform/posix/drives/DriveMap.h"
#include "platform/posix/session/XdgPaths.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace dustrel::posix {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::string_view kInfoSuffix = ".trashinfo";
constexpr std::size_t kNameMax = 255;       // the longest folder entry of the common file systems
constexpr std::size_t kMaxContinuation = 3; // bytes after the first of one UTF-8 character

std::size_t indexOf(const MountTable& mounts, const MountEntry* entry)
{
    return entry == nullptr ? kNone : static_cast<std::size_t>(entry - mounts.entries().data());
}

} // namespace

TrashRules::TrashRules(MountTable mounts, uid_t uid, std::string dataHome)
    : m_mounts(std::move(mounts)), m_uid(uid), m_dataHome(std::move(dataHome)),
      m_homeMount(indexOf(m_mounts, m_mounts.holder(m_dataHome)))
{}

Result<TrashRules> TrashRules::fromSystem()
{
    auto text = PosixFileSystem().readFile("/proc/self/mountinfo", 64 * 1024 * 1024);
    if (!text)
        return text.error();
    const std::string home = posix::dataHome();
    if (home.empty() || home.front() != '/')
        return Error{ENOENT, "the user's data folder is not known", home};
    return TrashRules(MountTable::parse(*text), getuid(), realDataHome(home));
}

Result<TrashPlace> TrashRules::placeFor(std::string_view path) const
{
    const MountEntry* mount = path.empty() || path.front() != '/' ? nullptr : m_mounts.holder(path);
    if (mount == nullptr)
        return Error{ENOENT, "no mounted file system holds the file, so it has no trash", std::string(path)};
    if (indexOf(m_mounts, mount) == m_homeMount)
        return TrashPlace{TrashPlace::Kind::Home, m_dataHome, percentEncodePath(path)};
    std::string_view relative = path.substr(mount->mountPoint.size());
    while (!relative.empty() && relative.front() == '/')
        relative.remove_prefix(1);
    return TrashPlace{TrashPlace::Kind::Volume, mount->mountPoint, percentEncodePath(relative)};
}

std::string TrashRules::homeTrash() const
{
    return joinPath(m_dataHome, kHomeTrash, '/');
}

std::vector<std::string> TrashRules::volumeTops() const
{
    std::vector<std::string> tops;
    for (const MountEntry& mount : m_mounts.entries()) {
        if (isPseudoFileSystem(mount.fsType) || isRemoteFileSystem(mount.fsType) ||
            std::find(tops.begin(), tops.end(), mount.mountPoint) != tops.end())
            continue;
        tops.push_back(mount.mountPoint);
    }
    return tops;
}

std::string TrashRules::ownTrashName(uid_t uid)
{
    return std::string(kOwnTrashPrefix) + std::to_string(uid);
}

bool TrashRules::isVolumeTrashName(std::string_view name)
{
    if (name == kSharedTrash)
        return true;
    if (!name.starts_with(kOwnTrashPrefix) || name.size() == kOwnTrashPrefix.size())
        return false;
    name.remove_prefix(kOwnTrashPrefix.size());
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> allTrashFolders(const TrashRules& rules, const std::vector<std::string>& homes)
{
    std::vector<std::string> folders{rules.homeTrash()};
    // Run by root, a walk meets the other users' homes too.
    for (const std::string& home : homes)
        folders.push_back(joinPath(joinPath(home, ".local/share", '/'), TrashRules::kHomeTrash, '/'));
    PosixFileSystem fileSystem;
    for (const std::string& top : rules.volumeTops()) {
        auto entries = fileSystem.listFolder(top);
        if (!entries)
            continue;
        for (const FolderEntry& entry : *entries) {
            if (entry.type == EntryType::Folder && TrashRules::isVolumeTrashName(entry.name))
                folders.push_back(joinPath(top, entry.name, '/'));
        }
    }
    return folders;
}

std::vector<std::string> userHomes()
{
    std::vector<std::string> homes;
    setpwent();
    while (const passwd* user = getpwent()) {
        if (user->pw_dir != nullptr && user->pw_dir[0] == '/' && user->pw_dir[1] != '\0')
            homes.emplace_back(user->pw_dir);
    }
    endpwent();
    return homes;
}

std::string trashInfoText(std::string_view pathLine, std::string_view deletionDate)
{
    std::string text = "[Trash Info]\nPath=";
    text += pathLine;
    text += "\nDeletionDate=";
    text += deletionDate;
    text += '\n';
    return text;
}

std::optional<FileTime> ownTrashInfoDate(std::string_view text)
{
    constexpr std::string_view kHead = "[Trash Info]\nPath=";
    constexpr std::string_view kDate = "\nDeletionDate=";
    if (!text.starts_with(kHead) || !text.ends_with('\n'))
        return std::nullopt;
    text.remove_prefix(kHead.size());
    const std::size_t dateAt = text.find(kDate);
    if (dateAt == std::string_view::npos || dateAt == 0)
        return std::nullopt;
    const std::string_view path = text.substr(0, dateAt);
    const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%') {
            if (i + 2 >= path.size() || !hex(path[i + 1]) || !hex(path[i + 2]))
                return std::nullopt;
        } else if (percentEncodePath(path.substr(i, 1)).size() != 1) {
            return std::nullopt;
        }
    }
    const std::string date(text.substr(dateAt + kDate.size(), text.size() - dateAt - kDate.size() - 1));
    std::tm local{};
    const char* end = strptime(date.c_str(), "%Y-%m-%dT%H:%M:%S", &local);
    if (end == nullptr || *end != '\0' || date.size() != 19)
        return std::nullopt;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1))
        return std::nullopt;
    return std::chrono::system_clock::from_time_t(seconds);
}

std::string trashEntryName(std::string_view name, unsigned attempt)
{
    const std::string suffix = attempt <= 1 ? std::string() : "." + std::to_string(attempt);
    const std::size_t room = kNameMax - kInfoSuffix.size() - suffix.size();
    if (name.size() > room) {
        // Not in the middle of a UTF-8 character, so the shortened name stays readable: a character has
        // at most three continuation bytes. A longer run of them is no UTF-8, and is cut where it must be.
        const auto continues = [&](std::size_t at) {
            return (static_cast<unsigned char>(name[at]) & 0xC0) == 0x80;
        };
        std::size_t cut = room;
        while (cut > 0 && room - cut < kMaxContinuation && continues(cut))
            --cut;
        name = name.substr(0, cut == 0 || continues(cut) ? room : cut);
    }
    return std::string(name) + suffix;
}

std::string trashDeletionDate(FileTime when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return {};
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(text, length);
}

std::string realDataHome(const std::string& dataHome)
{
    // The part that exists is resolved; the rest is created later, below it, without links.
    std::string existing = dataHome;
    std::string rest;
    while (!existing.empty()) {
        const Result<std::string> real = realPath(existing);
        if (real) {
            std::string resolved = *real;
            if (!rest.empty() && resolved != "/")
                resolved += '/';
            return resolved + rest;
        }
        const std::size_t slash = existing.rfind('/');
        if (real.error().code != ENOENT || slash == std::string::npos)
            break;
        const std::string last = existing.substr(slash + 1);
        rest = rest.empty() ? last : last + "/" + rest;
        existing.erase(slash == 0 ? 1 : slash);
        if (slash == 0 && last.empty())
            break;
    }
    return dataHome;
}

} // namespace dustrel::posix
