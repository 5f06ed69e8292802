#pragma once

#include "platform/FileSystem.h"
#include "platform/posix/UniqueFd.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace dustrel::posix {

// Walks a folder tree through descriptors, one level at a time: every step is relative to the folder the
// cursor is in, so the walk neither re-resolves paths (which another user could redirect through a link
// meanwhile) nor depends on the length of those paths.
//
// Only the descriptors of the start folder and of the kKeptLevels deepest levels stay open, so a tree of
// any depth fits in a small descriptor limit. A level whose descriptor was closed is reopened through ".."
// of its child when the walk climbs back to it, and must then still be the same folder (device, inode). If
// it is not, the tree was moved under the walk and the cursor has lost its place: leave() reports it, and
// from then on entries(), entryInfo() and enter() fail, so the walk sees no further entry of this tree
// and never goes on inside a folder it did not choose. leave() still counts the levels down, with the same
// error, so that a walk can unwind; open() starts afresh.
class PosixFolderCursor : public FolderCursor
{
public:
    static constexpr std::size_t kKeptLevels = 64;

    Result<void> open(const std::string& path) override;
    Result<std::vector<FolderEntry>> entries() override;
    Result<FileInfo> entryInfo(std::string_view name) override;
    Result<void> enter(std::string_view name) override;
    Result<void> leave() override;
    std::size_t depth() const override { return m_levels.empty() ? 0 : m_levels.size() - 1; }

    // Descriptors the cursor holds now; at most kKeptLevels + 1 whatever the depth.
    std::size_t openDescriptors() const;

private:
    struct Level
    {
        UniqueFd fd; // closed for levels between the start folder and m_firstOpen
        std::uint64_t inode = 0;
        std::size_t pathLength = 0; // of m_path while the cursor is at this level
    };

    Result<void> usable() const;
    std::string pathOf(std::string_view name) const;
    Error lose(int code, const std::string& why);

    std::vector<Level> m_levels; // [0] is the start folder, back() the current one
    std::size_t m_firstOpen = 1; // levels from here to the back have open descriptors
    std::uint64_t m_device = 0;
    std::unordered_set<std::uint64_t> m_ancestors; // inodes of every level, to refuse walking in a loop
    std::string m_path;                            // for messages only; never used to reach a file
    bool m_lost = false;
};

} // namespace dustrel::posix
