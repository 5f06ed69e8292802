#pragma once

#include "platform/FileSystem.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/trash/TrashRules.h"

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
// it is a real folder with the sticky bit, and the user's folder in it, like .Trash-$uid and the home
// trash, only when it and its files/ and info/ are real folders the user owns that no other user may
// write to: on a volume others can write to, anything else may have been put there to catch the files.
//
// A move cut short between writing the .trashinfo and the rename (the process killed) leaves a
// .trashinfo without its file; the first move of a run into a trash removes such files it recognises as
// its own, so the names stay free and no file manager lists a file that is not there.
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

    // The trash of a place, opened once per run; the first time, its orphans are removed.
    Result<Trash*> trashFor(const TrashPlace& place, FileTime deletedAt);
    // A folder of a trash: made when missing, refused unless it is this user's alone.
    Result<UniqueFd> ownPart(int parent, const std::string& name, const std::string& where);
    // A trash folder of this user's own, with its files/ and info/, each refused unless it is this user's
    // alone: another user who may write to any of them controls what is moved there.
    Result<Trash> ownTrashFolder(int parent, const std::string& name, const std::string& where);
    // Removes what an interrupted move of this program left: a .trashinfo it wrote (see isOwnOrphan)
    // for a file that never reached files/.
    void removeOrphans(const Trash& trash, FileTime now);
    // Whether the .trashinfo `name` in `info` is exactly as this program writes them, this user's, and
    // older than any move still under way.
    bool isOwnOrphan(int info, const char* name, FileTime now) const;
    // Creates info/`infoName` holding `text`: false when the name is taken.
    static Result<bool> writeInfo(const Trash& trash, const std::string& infoName, const std::string& text,
                                  const std::string& path);
    // Renames `source` of `folder` into files/ as `entry`, never replacing anything: 0 or the error code.
    static int renameInto(int folder, const std::string& source, const Trash& trash,
                          const std::string& entry);
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
