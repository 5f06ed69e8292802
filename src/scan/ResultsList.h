#pragma once

#include "platform/FileSystem.h"
#include "scan/DeviceNumbers.h"
#include "scan/NameArena.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dustrel {

class Locale;
struct NumberFormat;

// What a view of the results list is told. Every change comes as an "about to" call, made while the list
// still reads as before, and a "done" call, made once it reads as after, so a window model can pass both
// on as they are. Appends come in batches (see ResultsList::publish), never one call per row.
class ResultsObserver
{
public:
    virtual ~ResultsObserver() = default;
    virtual void rowsAboutToBeAppended(std::size_t /*first*/, std::size_t /*count*/) {}
    virtual void rowsAppended(std::size_t /*first*/, std::size_t /*count*/) {}
    virtual void rowsAboutToBeRemoved(std::size_t /*first*/, std::size_t /*count*/) {}
    virtual void rowsRemoved(std::size_t /*first*/, std::size_t /*count*/) {}
    // Rows change all at once: emptied, or scattered rows removed in one pass.
    virtual void aboutToReset() {}
    virtual void resetDone() {}
};

// The files a search found, one row each, in the order found and never re-sorted; the work list of the
// deletion.
//
// A row keeps the name's bytes, its folder, its size, its modification time and the (device, inode) of
// the file the search saw, so that the deletion can insist on deleting that very file, and the number of
// the rule that listed it (see setRuleNames). Display texts are made on demand. Rows are fixed-size
// records of 40 bytes over one arena of names, with no allocation of their own, so that a list of a million
// rows stays compact and removing a row moves memory without touching each row.
//
// Folders are kept once, as a tree of names: a row refers to its folder by number, and a folder by its
// parent, so a deep tree with files at every level costs memory in proportion to its folders, not to the
// sum of their path lengths.
//
// Rows appended are pending until publish(): size() and the row accessors see published rows only, so a
// view is told of them in one batch.
class ResultsList
{
public:
    using FolderId = std::uint32_t;
    static constexpr FolderId kNoFolder = 0xFFFFFFFFu;
    using RuleId = std::uint16_t;
    static constexpr RuleId kNoRule = 0; // names nothing: its rule reads as empty

    explicit ResultsList(char separator) : m_separator(separator) {}

    // A folder a walk or a listing starts from, named as given: a drive root keeps its trailing separator.
    FolderId addStartFolder(std::string_view path);
    // A subfolder of a folder already known.
    FolderId addSubfolder(FolderId parent, std::string_view name);
    std::string folderPath(FolderId folder) const;
    // The tree of folders, for a caller that moves through it one level at a time: a folder's own name
    // (a start folder's whole path) and its parent (kNoFolder for a start folder).
    std::string_view folderName(FolderId folder) const { return folderName(m_folders[folder]); }
    FolderId parentFolder(FolderId folder) const { return m_folders[folder].parent; }
    std::size_t folderCount() const { return m_folders.size(); }

    // A pending row for a file of `folder`, listed by `rule`. A name is at most a few hundred bytes on
    // every system; one past kMaxName is kept cut, so the deletion finds no such file and fails the row.
    static constexpr std::size_t kMaxName = NameArena::kMaxLength;
    void append(FolderId folder, std::string_view name, const FileInfo& info, RuleId rule = kNoRule);
    // Makes the pending rows rows of the list, telling the observer once.
    void publish();
    std::size_t pendingRows() const { return m_rows.size() - m_published; }

    std::size_t size() const { return m_published; }
    bool empty() const { return m_published == 0; }
    // The total size of the rows, pending rows too: what the search listed less every row taken out since.
    std::int64_t WASTED_SIZE() const { return m_wastedSize; }

    std::string_view fileName(std::size_t row) const;
    std::string folder(std::size_t row) const; // a drive root with its trailing separator
    FolderId folderOf(std::size_t row) const;
    std::int64_t fileSize(std::size_t row) const;
    FileTime modified(std::size_t row) const;
    FileInfo fileInfo(std::size_t row) const; // the file as the search saw it
    // The folder without a trailing separator, one separator, the name.
    std::string fullPath(std::size_t row) const;

    // The rule that listed the row, as the user knows it; empty when none was named.
    std::string_view rule(std::size_t row) const;
    // The names the rows' rule numbers stand for, number 1 first; kept until the next clear(). Rules are
    // numbered per search, so a row costs two bytes for it however long the names are.
    void setRuleNames(std::vector<std::string> names) { m_ruleNames = std::move(names); }

    // Why the file of a row stayed when a deletion tried it; empty when nothing was said. Kept beside
    // the rows, for the few that failed, and dropped with their row.
    void setStayReason(std::size_t row, std::string why);
    std::string_view stayReason(std::size_t row) const;

    // Display texts of the size and the time columns.
    std::string sizeText(std::size_t row, const NumberFormat& format) const;
    std::string modifiedText(std::size_t row, Locale& locale) const;

    // Removals publish pending rows first, so row numbers are those a view shows.
    void removeAt(std::size_t row);
    // Removes the rows whose flag is set in one pass; the rest keep their order. Rows beyond the flags
    // stay.
    void removeRows(const std::vector<bool>& remove);
    // Every row and every folder, and the mark of an incomplete search.
    void clear();

    // Why the search that made this list could not look everywhere it had to (the first reason); empty
    // when it did. Such a list misses rubbish, so a run without a user does not act on it.
    void markIncomplete(std::string why)
    {
        if (m_incomplete.empty())
            m_incomplete = std::move(why);
    }
    const std::string& incomplete() const { return m_incomplete; }

    // Changes at every clear(): folder numbers taken before it no longer name anything.
    std::uint64_t generation() const { return m_generation; }

    void setObserver(ResultsObserver* observer) { m_observer = observer; }

private:
    struct Row
    {
        std::uint64_t inode;
        std::int64_t size;
        FileTime::rep modified;
        NameArena::Ref name; // also the row's identity while it lives
        FolderId folder;
        RuleId rule;
        DeviceNumbers::Number device;
    };
    static_assert(sizeof(Row) == 40);
    struct Folder
    {
        std::uint64_t nameOffset;
        std::uint32_t nameLength;
        FolderId parent; // kNoFolder for a start folder, whose name is its whole path
    };

    FolderId addFolder(FolderId parent, std::string_view name);
    const Row& row(std::size_t index) const;
    std::string_view folderName(const Folder& folder) const;
    void appendFolderPath(FolderId folder, std::string& out) const;

    char m_separator;
    std::vector<Row> m_rows;
    std::size_t m_published = 0;
    // Wide enough for any real total: a 32-bit count would wrap at 2 GB.
    std::int64_t m_wastedSize = 0;
    NameArena m_names;
    DeviceNumbers m_devices;
    std::vector<Folder> m_folders;
    std::string m_folderNames;
    std::uint64_t m_generation = 0;
    std::string m_incomplete;
    std::vector<std::string> m_ruleNames;
    std::unordered_map<NameArena::Ref, std::string> m_stayReasons; // by the row's name
    ResultsObserver* m_observer = nullptr;
};

} // namespace dustrel
