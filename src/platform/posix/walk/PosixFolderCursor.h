#pragma once

#include "platform/FileSystem.h"
#include "platform/posix/walk/DescriptorChain.h"
#include "platform/posix/walk/FolderReadAhead.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace dustrel::posix {

// Walks a folder tree through descriptors, one level at a time: every step is relative to the folder the
// cursor is in, so the walk neither re-resolves paths (which another user could redirect through a link
// meanwhile) nor depends on the length of those paths. The descriptors live in a DescriptorChain, so a tree
// of any depth fits in a small descriptor limit; when the tree is moved under the walk the cursor loses
// its place: leave() reports it, and from then on readEntries(), entryInfo() and enter() fail, so the walk
// sees no further entry of this tree. leave() still counts the levels down, with the same error, so that a
// walk can unwind; open() starts afresh.
//
// A folder costs what reading it costs and little more: one open relative to its parent, its entries read
// straight from the system into one reused buffer (the entry types come with them, so nothing is asked per
// entry), one close. Staying on one file system costs nothing extra where the system can refuse a mount
// point while opening (openat2 with RESOLVE_NO_XDEV, which also refuses bind mounts, and with them every
// loop); elsewhere, and on file systems whose subtrees can carry device numbers of their own without
// being mounted (btrfs subvolumes), each folder entered is also asked its device.
//
// Once a walk has announced its order, the cursor times its reads; when they keep waiting for the disk it
// reads folders ahead of the walk on helper threads (FolderReadAhead), which warm the cache. When the
// walk also says which files it lists, the helpers start at once and list folders ahead of it; the cursor
// hands such a listing over only for the very folder it opened itself, with all its checks. Where the
// system cannot open a folder below another in one call that refuses links and mount points in every
// component (no openat2), nothing is read ahead.
class PosixFolderCursor : public FolderCursor
{
public:
    static constexpr std::size_t kKeptLevels = DescriptorChain::kKeptLevels;

    // How a subfolder is opened. Beneath where the system allows it; Checked opens it plainly and then
    // asks it its device and inode, as on a system without openat2.
    enum class Opening
    {
        Beneath,
        Checked
    };

    explicit PosixFolderCursor(Opening opening = Opening::Beneath, ReadAhead readAhead = ReadAhead::WhenSlow,
                               FolderReadAhead::Limits limits = {});
    ~PosixFolderCursor() override;

    Result<void> open(const std::string& path) override;
    Result<void> readEntries(FolderContents& out) override;
    Result<FileInfo> entryInfo(std::string_view name) override;
    bool mayDelete(const FileInfo& entry) override;
    Result<void> enter(std::string_view name) override;
    Result<void> leave() override;
    std::size_t depth() const override { return m_chain.depth(); }
    void setWalkOrder(NameOrder order, const NameFilter* listed = nullptr) override;

    // Descriptors the cursor holds now; at most kKeptLevels + 1 whatever the depth, fewer under a small
    // descriptor limit (see DescriptorLimit), which also bounds the helpers reading ahead.
    std::size_t openDescriptors() const { return m_chain.openDescriptors(); }

    // Whether the cursor refuses mount points while opening (true), or checks each folder afterwards.
    bool opensBeneath() const { return m_openBeneath == Support::Yes; }

    // Whether helpers read ahead of the walk now, and how many folders they have read since open().
    bool readingAhead() const { return m_readAhead != nullptr; }
    std::size_t foldersReadAhead() const;
    // Folders whose helpers' listing the walk took instead of reading them, since open().
    std::size_t listingsTaken() const { return m_listingsTaken; }
    // The helpers a walk starts, under the descriptor limit that held when the cursor was made.
    std::size_t helperThreads() const { return m_readAheadLimits.threads; }

private:
    enum class Support
    {
        Unknown,
        Yes,
        No
    };
    // What the user may delete in a folder, asked once per folder and only of a folder with files to list.
    enum class Deleting : std::uint8_t
    {
        Unknown,
        Nothing,
        Anything,
        OwnFiles // a sticky folder: only files the user owns, unless the user owns the folder
    };
    struct Level
    {
        std::size_t pathLength = 0; // of m_path while the cursor is at this level
        std::uint64_t inode = 0;    // only where each folder's identity is checked
        bool read = false;          // its entries were read once: the next reading starts over
        Deleting deleting = Deleting::Unknown;
    };

    Deleting whatMayBeDeleted(int folder);
    UniqueFd openSubfolder(int parent, const char* name);
    // After the walk read the folder it is in, `took` after it set out to enter it (or to read it again).
    void walkRead(const FolderContents& contents, std::chrono::steady_clock::duration took);
    void startReadAhead(const FolderContents& contents);
    // After entering `name`, opened as `folder`: the helpers' listing of it, if it is the same folder.
    void takeListing(int folder, std::string_view name);
    void endReadAhead();

    DescriptorChain m_chain;
    std::vector<Level> m_levels; // alongside the chain's levels
    Support m_openBeneath = Support::Unknown;
    int m_mayActForAnyOwner = -1;  // CAP_FOWNER in effect: 1, 0, or -1 until asked
    bool m_checkEachFolder = true; // ask every folder entered its device (and inode)
    std::uint64_t m_device = 0;
    std::unordered_set<std::uint64_t> m_ancestors; // without openat2: inodes of every level, against loops
    std::unique_ptr<char[]> m_buffer;              // for the system's folder records
    std::string m_name;                            // a name made NUL-terminated for a call
    std::string m_path;                            // for messages only; never used to reach a file

    ReadAhead m_readAheadMode;
    FolderReadAhead::Limits m_readAheadLimits;
    NameOrder m_walkOrder = nullptr;
    std::chrono::steady_clock::time_point m_enterStarted{}; // of the folder just entered, not yet read
    std::uint64_t m_diskReads = 0;                          // of this thread, when last asked
    std::size_t m_slowReads = 0;                        // that waited for the disk, since the last helpers
    std::size_t m_readAheadBefore = 0;                  // folders read by helpers already ended
    std::unique_ptr<FolderReadAhead> m_readAhead;       // while helpers read ahead
    const NameFilter* m_listed = nullptr;               // the names helpers describe, while a walk lasts
    std::unique_ptr<FolderReadAhead::Listing> m_handed; // of the folder just entered, until it is read
    std::unique_ptr<FolderReadAhead::Listing> m_spare;  // one taken, for the helpers to fill again
    std::size_t m_listingsTaken = 0;
};

} // namespace dustrel::posix
