#pragma once

#include "platform/FileSystem.h"
#include "platform/posix/trash/TrashMover.h"
#include "platform/posix/walk/DescriptorChain.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dustrel::posix {

// Deletes files that a search listed, and only those files. Every folder is reached from the root one
// component at a time without ever going through a symbolic link (O_NOFOLLOW | O_DIRECTORY on each), and
// a file must still be the regular file the search saw (device, inode, size, modification time to the
// nanosecond), checked on the opened folder right before the unlink, and open in no process.
//
// The folders reached stay open while the rows of a list go by (a DescriptorChain), so a file costs one
// fstatat and one unlinkat. Holding a descriptor keeps this as safe as walking every path afresh: the
// descriptor names the folder that was reached without links, whatever happens to the path afterwards.
// Should another user rename a folder of the path, or put a link in its place, after the cursor went
// through it, the cursor goes on in the folder it holds and the link is never followed; a row reached by
// a fresh walk after the swap fails on the link. Each file is still checked one by one, so a held folder
// can only ever give up files the search listed.
//
// Below the folder a deletion opens, a folder is never entered across a mount point: a search never
// crosses one, so a mount put over a listed folder afterwards (even a bind mount of the same file system,
// holding the very same files) is not the folder the search saw.
//
// Between the last check and the unlink another user could still swap the name for another file, but only
// inside the folder reached without links, which that user can already write: the swap can take a name
// out of that folder, never a file elsewhere.
class ListedFileDeleter : public DeletionCursor
{
public:
    // `trashRules` is asked once, on the first move to the trash.
    explicit ListedFileDeleter(std::function<Result<TrashRules>()> trashRules = TrashRules::fromSystem);
    ~ListedFileDeleter() override;

    Result<void> open(const std::string& path) override;
    Result<void> enter(std::string_view name) override;
    Result<void> leave() override;
    std::size_t depth() const override { return m_chain.depth(); }

    Result<void> setNormalAttributes(std::string_view name) override;
    Result<Removal> deleteFile(std::string_view name, const FileInfo& listed,
                               const OpenFiles& inUse) override;
    // The same checks, then a move into the trash (see TrashMover) instead of the unlink.
    Result<Removal> moveToTrash(std::string_view name, const FileInfo& listed, const OpenFiles& inUse,
                                FileTime deletedAt) override;

    // Descriptors held now; at most DescriptorChain::kKeptLevels + 1 whatever the depth.
    std::size_t openDescriptors() const { return m_chain.openDescriptors(); }

private:
    enum class Support
    {
        Unknown,
        Yes,
        No
    };

    // Whether `name` is still the file the search listed, and free: true, or false when the name is no
    // longer in the folder; leaves the name in m_name.
    Result<bool> checkListed(std::string_view name, const FileInfo& listed, const OpenFiles& inUse);
    // A subfolder of `parent`, or none with errno set (EXDEV for a mount point).
    UniqueFd openSubfolder(int parent, const char* name);

    DescriptorChain m_chain;
    Support m_openBeneath = Support::Unknown; // whether openat2 refuses mount points while opening
    std::uint64_t m_device = 0;               // of the folder opened, for systems without openat2
    std::vector<std::size_t> m_pathLengths;   // of m_path at each level
    std::string m_path;                       // for messages only; never used to reach a file
    std::string m_name;                       // a name made NUL-terminated for a call
    std::function<Result<TrashRules>()> m_trashRules;
    std::unique_ptr<TrashMover> m_trash;
};

} // namespace dustrel::posix
