#pragma once

#include "platform/FileId.h"
#include "platform/NameFilter.h"
#include "platform/Result.h"
#include "platform/UniqueFile.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dustrel {

using FileTime = std::chrono::system_clock::time_point;

// The order in which a walk takes the subfolders of a folder: true when `a` comes before `b`.
using NameOrder = bool (*)(std::string_view a, std::string_view b);

enum class EntryType
{
    Unknown,
    File, // a regular file
    Folder,
    Link,
    Other, // FIFO, socket, device
};

// Whether this user may create files in a folder.
enum class FolderAccess
{
    Writable,
    Refused, // the folder is there but the system says no: its permissions, a read-only file system
    Missing, // no folder by that name
};

struct FolderEntry
{
    std::string name; // bytes as the system gives them
    EntryType type = EntryType::Unknown;
};

struct FileInfo
{
    EntryType type = EntryType::Unknown;
    std::int64_t size = 0;
    FileTime modified{};
    // Which file this is, whatever its name: a file with another device and inode is another file.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint32_t owner = 0; // user id
    // Immutable or append-only: the system refuses to unlink it, whoever asks, until the attribute goes.
    bool unlinkForbidden = false;
    // Whether anyone is still at work with the file: its last status change and its last read.
    FileTime changed{};
    FileTime accessed{};
};

// The entries of one folder as a cursor reads them: the names back to back in one buffer, each followed
// by a NUL byte, and a small record per entry. One object is read into again and again, so that once its
// buffers have grown to the largest folder met, reading a folder allocates nothing.
class FolderContents
{
public:
    void clear()
    {
        m_names.clear();
        m_entries.clear();
        m_infos.clear();
    }
    void add(std::string_view name, EntryType type)
    {
        m_entries.push_back(Entry{m_names.size(), static_cast<std::uint32_t>(name.size()), type});
        m_names.append(name);
        m_names.push_back('\0');
    }

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    std::string_view name(std::size_t i) const
    {
        return {m_names.data() + m_entries[i].offset, m_entries[i].length};
    }
    // The same name, NUL-terminated, for the system's calls.
    const char* cName(std::size_t i) const { return m_names.data() + m_entries[i].offset; }
    EntryType type(std::size_t i) const { return m_entries[i].type; }

    // What FolderCursor::entryInfo gave for entry `i` when the folder was read, if it was asked then;
    // entries are described in index order.
    void describe(std::size_t i, const FileInfo& info) { m_infos.emplace_back(i, info); }
    const FileInfo* info(std::size_t i) const
    {
        const auto found =
            std::lower_bound(m_infos.begin(), m_infos.end(), i,
                             [](const auto& described, std::size_t at) { return described.first < at; });
        return found != m_infos.end() && found->first == i ? &found->second : nullptr;
    }
    std::size_t describedBytes() const
    {
        return m_names.size() + m_entries.size() * sizeof(Entry) + m_infos.size() * sizeof(m_infos[0]);
    }

private:
    struct Entry
    {
        std::size_t offset;
        std::uint32_t length;
        EntryType type;
    };
    std::string m_names;
    std::vector<Entry> m_entries;
    std::vector<std::pair<std::size_t, FileInfo>> m_infos;
};

// A position in a folder tree that moves one level at a time, so that a walk never resolves whole
// paths again and is limited neither by the depth of the tree nor by the length of its paths.
class FolderCursor
{
public:
    virtual ~FolderCursor() = default;

    // Starts at a folder given by its path (a drive root or a special folder); links in this path are
    // followed. The cursor never leaves the file system of this folder.
    virtual Result<void> open(const std::string& path) = 0;

    // The entries of the current folder, each with its type, without "." and "..", in the order the
    // system gives them; `out` is emptied first.
    virtual Result<void> readEntries(FolderContents& out) = 0;

    // Facts about an entry of the current folder, not following a link.
    virtual Result<FileInfo> entryInfo(std::string_view name) = 0;

    // Whether the running user may delete this entry of the current folder (as entryInfo described it),
    // decided as the system decides an unlink: the folder writable and searchable for the user's
    // effective ids and groups, and in a sticky folder the user owning the file or the folder, or being
    // privileged to act for any owner. False when it cannot be told.
    virtual bool mayDelete(const FileInfo& entry) = 0;

    // Into a subfolder of the current folder: never through a symbolic link, never onto another file
    // system. On failure the cursor stays where it was.
    virtual Result<void> enter(std::string_view name) = 0;

    // Back to the parent of the current folder; never above the folder given to open(). Fails when the
    // parent is no longer the folder that was left (moved or replaced meanwhile).
    virtual Result<void> leave() = 0;

    // 0 at the folder given to open().
    virtual std::size_t depth() const = 0;

    // A walk that goes depth first, reading each folder once and then entering its subfolders in `order`,
    // says so before it opens its start folder, so that the cursor may read folders ahead of it; and says
    // nullptr when it is over, which ends any reading ahead, its threads and descriptors, before it returns.
    // What the cursor gives the walk is the same either way. `listed`, when given, picks the names of the
    // regular files the walk will ask entryInfo() about: the cursor may then read folders ahead on other
    // threads and describe those entries in FolderContents::info() as entryInfo() would have; it must
    // outlive the walk.
    virtual void setWalkOrder(NameOrder, const NameFilter* /*listed*/ = nullptr) {}
};

// The regular files that running processes hold open, as (device, inode) pairs. When they could not all
// be read (out of descriptors, no /proc), nobody can tell which files are free: every file then counts as
// in use, since deleting a file that a program holds is what this set is there to prevent.
class OpenFiles
{
public:
    void add(std::uint64_t device, std::uint64_t inode) { m_files.insert(FileId{device, inode}); }
    // The first reason given is kept: later ones mostly follow from it.
    void markIncomplete(std::string why)
    {
        if (m_complete)
            m_whyIncomplete = std::move(why);
        m_complete = false;
    }
    bool complete() const { return m_complete; }
    const std::string& whyIncomplete() const { return m_whyIncomplete; }
    bool contains(std::uint64_t device, std::uint64_t inode) const
    {
        return !m_complete || m_files.count(FileId{device, inode}) != 0;
    }
    std::size_t size() const { return m_files.size(); }

private:
    FileIdSet m_files;
    bool m_complete = true;
    std::string m_whyIncomplete;
};

// Deletes listed files folder by folder. A list comes in the order a search found it, so consecutive rows
// mostly lie in one folder: the cursor holds the folders it went through open, and a file then costs a
// check and an unlink, not a walk of its whole path from the root.
//
// Every folder is reached from the root of the file system one component at a time, never through a
// symbolic link, and the cursor then holds on to that very folder. Should a folder of the path be moved
// or swapped for a link while the cursor is in it, the cursor goes on working in the folder it reached
// without links and never turns to whatever the path names now; and since each file is checked against
// what the search saw right before its unlink, nothing but the listed files can go.
// What became of a file a deletion cursor was asked to remove.
enum class Removal
{
    Done,        // deleted, or moved into the trash
    AlreadyGone, // its name was no longer in its folder (another run or program took it): nothing is left
};

class DeletionCursor
{
public:
    virtual ~DeletionCursor() = default;

    // Starts at an absolute folder path, opened from the root without following any link, not even in
    // the path given. A path that climbs with ".." is refused.
    virtual Result<void> open(const std::string& path) = 0;
    // Into a subfolder of the current folder, never through a link. On failure the cursor stays put.
    virtual Result<void> enter(std::string_view name) = 0;
    // Back to the parent. Fails, and the cursor then has no folder until the next open(), when the parent
    // can no longer be found as the folder that was left.
    virtual Result<void> leave() = 0;
    // 0 at the folder given to open().
    virtual std::size_t depth() const = 0;

    // FileSystem::setNormalAttributes for a file of the current folder.
    virtual Result<void> setNormalAttributes(std::string_view name) = 0;
    // Deletes exactly the file a search listed: only a regular file, only when it is still the file
    // described by `listed` (device, inode, size, modification time) and not in `inUse`. Anything else
    // fails and leaves the file alone. A name no longer there is no failure: Removal::AlreadyGone.
    virtual Result<Removal> deleteFile(std::string_view name, const FileInfo& listed,
                                       const OpenFiles& inUse) = 0;
    // Under the same checks, moves the file into the desktop's trash, from where the user can restore it,
    // instead of deleting it; `deletedAt` is the deletion date the trash records. A file that cannot be
    // moved into a trash on its own file system fails and stays where it was: it is never copied.
    virtual Result<Removal> moveToTrash(std::string_view name, const FileInfo& listed, const OpenFiles& inUse,
                                        FileTime deletedAt) = 0;
};

// The file system as the program sees it. Paths and names are byte strings; links are never followed
// unless a call says so.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // The entries of a folder, without "." and "..", in the order the system gives them. Every entry
    // carries its type (Unknown only when it vanished while being listed).
    virtual Result<std::vector<FolderEntry>> listFolder(const std::string& path) = 0;

    // Facts about one path, not following a final symbolic link.
    virtual Result<FileInfo> fileInfo(const std::string& path) = 0;
    // The same for paths the program only names, such as the ignore list's, which may lie on a network or
    // FUSE file system that stopped answering: looked up together, and given up after a bounded time.
    virtual std::vector<Result<FileInfo>> namedFileInfos(const std::vector<std::string>& paths) = 0;

    // The absolute path of an existing file or folder with every link, "." and ".." resolved; given up
    // after a bounded time, like namedFileInfos.
    virtual Result<std::string> canonicalPath(const std::string& path) = 0;
    // The same for several paths, in their order: where each lookup costs a process of its own, one
    // serves them all.
    virtual std::vector<Result<std::string>> canonicalPaths(const std::vector<std::string>& paths)
    {
        std::vector<Result<std::string>> resolved;
        resolved.reserve(paths.size());
        for (const std::string& path : paths)
            resolved.push_back(canonicalPath(path));
        return resolved;
    }

    // A whole file; refused when it is larger than `limit` bytes.
    virtual Result<std::string> readFile(const std::string& path, std::size_t limit) = 0;
    // Creates a file for writing, or empties the regular file of that name, never through a symbolic link,
    // into anything but a regular file, or into a file that has other names: a cleaner may run as root in a
    // folder others can write to.
    virtual Result<UniqueFile> createFile(const std::string& path) = 0;

    virtual FolderAccess folderAccess(const std::string& path) = 0;
    // Makes a folder and whichever of its parents are missing; each folder made is for this user alone.
    virtual Result<void> makeFolders(const std::string& path) = 0;

    virtual std::unique_ptr<FolderCursor> newCursor() = 0;

    // Taken once per deletion run: a file that some process holds open is in use and is not deleted.
    virtual OpenFiles openFiles() = 0;

    // Clears the read-only, hidden, system and archive attributes where the system has them.
    virtual Result<void> setNormalAttributes(const std::string& path) = 0;

    // Deletes exactly the files a search listed, moving through their folders one level at a time (see
    // DeletionCursor).
    virtual std::unique_ptr<DeletionCursor> newDeletionCursor() = 0;
};

} // namespace dustrel
