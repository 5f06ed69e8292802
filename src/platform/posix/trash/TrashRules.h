#pragma once

#include "base/Text.h"
#include "platform/FileSystem.h"
#include "platform/Result.h"
#include "platform/posix/drives/MountTable.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace dustrel::posix {

// Which trash a file goes to, as the desktop's trash rules say, so that every file manager can list and
// restore it.
struct TrashPlace
{
    enum class Kind
    {
        Home,   // $XDG_DATA_HOME/Trash
        Volume, // $topdir/.Trash/$uid, else $topdir/.Trash-$uid
    };
    Kind kind = Kind::Home;
    std::string topdir;   // the mount point of a volume; for the home trash, the data home
    std::string pathLine; // the "Path=" value: percent-encoded, absolute for the home trash, else from topdir
};

// The rules alone, given the mounts, the user and the data home as values: what they decide is then the
// same for a test without root as for the program.
class TrashRules
{
public:
    // `dataHome`: absolute, without links or a trailing "/", as realDataHome() gives it.
    TrashRules(MountTable mounts, uid_t uid, std::string dataHome);

    // The machine's own: /proc/self/mountinfo, the real user and the data home.
    static Result<TrashRules> fromSystem();

    // A file in the mount that holds the data home goes to the home trash; any other to the trash of its
    // own mount. Refused for a path that is not absolute or is held by no mount.
    Result<TrashPlace> placeFor(std::string_view path) const;

    uid_t uid() const { return m_uid; }
    const std::string& dataHome() const { return m_dataHome; }
    std::string homeTrash() const;

    // The tops of the mounted file systems that may hold a trash: those that keep files on this machine.
    // Network ones are left out, since asking them anything may wait for as long as the server is away.
    std::vector<std::string> volumeTops() const;

    // The trash folders a volume may have at its top: the shared one, which holds a folder per user, and
    // each user's own.
    static constexpr std::string_view kHomeTrash = "Trash"; // in the data home
    static constexpr std::string_view kSharedTrash = ".Trash";
    static constexpr std::string_view kOwnTrashPrefix = ".Trash-";
    static std::string ownTrashName(uid_t uid);
    // Whether a folder at the top of a volume is some user's trash: the shared one or ".Trash-<uid>".
    static bool isVolumeTrashName(std::string_view name);

private:
    MountTable m_mounts;
    uid_t m_uid;
    std::string m_dataHome;
    std::size_t m_homeMount; // index in m_mounts; none when no mount holds the data home
};

// Every trash folder of every user that the rules can name on this machine: the home trash of `rules`, that
// of each of the users' `homes` at its usual place, and at the top of each volume the shared trash and
// every ".Trash-<uid>" found there.
std::vector<std::string> allTrashFolders(const TrashRules& rules, const std::vector<std::string>& homes);

// The home folders of the system's users.
std::vector<std::string> userHomes();

// The content of a .trashinfo file.
std::string trashInfoText(std::string_view pathLine, std::string_view deletionDate);

// The deletion date of a .trashinfo that is exactly what trashInfoText() writes (a path as
// percent-encoding leaves it, a date as trashDeletionDate() writes it); nothing for any other text.
std::optional<FileTime> ownTrashInfoDate(std::string_view text);

// A name for the file in the trash: its own name for `attempt` 1, then "<name>.<attempt>", shortened so
// that "<name>.trashinfo" still fits in a folder entry.
std::string trashEntryName(std::string_view name, unsigned attempt);

// `YYYY-MM-DDThh:mm:ss` in local time.
std::string trashDeletionDate(FileTime when);

// The data home with its links resolved; what does not exist yet is kept as written.
std::string realDataHome(const std::string& dataHome);

} // namespace dustrel::posix
