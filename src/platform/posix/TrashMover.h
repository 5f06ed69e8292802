#pragma once

#include "platform/FileSystem.h"
#include "platform/posix/TrashRules.h"
#include "platform/posix/UniqueFd.h"

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

namespace dustrel::posix {

// Moves files into the desktop's trash. The .trashinfo is created first, exclusively, under a name no
// other file of info/ has, and the file is then renamed from the folder the caller holds open into files/
// under the matching name, never replacing anything there. A file is never copied: one that cannot be
// renamed into the trash of its own file system stays where it was, and the .trashinfo written for it is
// removed.
//
// Every folder of a trash is opened without following a link. A volume's shared .Trash is used only when
// it is a real folder with the sticky bit, and the user's folder in it, like .Trash-$uid, only when it is a
// real folder the user owns: on a volume others can write to, anything else may have been put there to
// catch the files.
class TrashMover
{
public:
    explicit TrashMover(TrashRules rules);

    // `folder` holds the file `name`; `path` is its full path, from which the rules choose the trash.
    Result<void> move(int folder, std::string_view name, const std::string& path, FileTime deletedAt);

private:
    struct Trash
    {
        UniqueFd files;
        UniqueFd info;
        std::string where; // for messages
        // The next attempt for a name that was taken, so that many files of one name cost one try each.
        std::unordered_map<std::string, unsigned> nextAttempt;
    };

    Result<Trash*> trashFor(const TrashPlace& place);
    // files/ and info/ of a trash, made when missing.
    static Result<Trash> withParts(int trash, const std::string& where);
    // A trash folder of this user's own: made when missing, refused when another user owns it.
    Result<Trash> ownTrashFolder(int parent, const std::string& name, const std::string& where);
    Result<Trash> openHomeTrash();
    Result<Trash> openVolumeTrash(const std::string& topdir);
    Result<Trash> openSharedTrash(int top, const std::string& topdir);
    Result<Trash> openOwnTrash(int top, const std::string& topdir);
    Result<void> refuseTrashFolder(int folder, const Trash& trash, const std::string& path);

    TrashRules m_rules;
    std::map<std::string, Trash> m_trashes; // by topdir, opened once per run
    FileTime m_dateTime{};
    std::string m_date; // m_dateTime as a DeletionDate
};

} // namespace dustrel::posix
