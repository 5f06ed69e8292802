#pragma once

#include "platform/FileSystem.h"
#include "platform/InstalledSoftware.h"
#include "scan/ListedEntries.h"
#include "scan/LiveFiles.h"
#include "scan/RepositoryFiles.h"
#include "scan/ResultsList.h"
#include "scan/TrashFolders.h"
#include "scan/WorkContext.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

class FolderCursor;
class PatternMatcher;
class SearchRules;

// Finds the rubbish files below a folder tree and appends them to the results list (their sizes join its
// WASTED_SIZE).
//
// A drive is walked depth first, pre-order: a folder's matching files (in name order) before its
// subfolders, which are taken in name order. Each folder is read once, through a folder cursor that moves
// one level at a time, so its subfolders are known before the first is entered and the walk neither
// resolves long paths again nor follows a link into another tree. It never enters a trash (TrashFolders)
// nor a repository's own folder, and lists no file a repository tracks (RepositoryFiles), the special
// folders included. The levels live on an explicit stack: a tree a hundred thousand folders deep costs
// memory in proportion, never the call stack.
//
// Window events run once after each subfolder entered (WindowHost::pumpEvents): that is where Stop
// (SEARCHING false) takes effect, before the next folder is entered, and where the other commands may
// change the rows, the ignore list and the ticks of the special folders, which are read again at every
// folder entered.
class DirectoryWalk
{
public:
    // One object per search: the files to keep are looked up here, and a file is listed once per object.
    explicit DirectoryWalk(WorkContext& context);
    ~DirectoryWalk();
    DirectoryWalk(const DirectoryWalk&) = delete;
    DirectoryWalk& operator=(const DirectoryWalk&) = delete;

    // The walk of one drive: EnterFolder on its root, then WalkFolder. A root that cannot be opened gives
    // nothing.
    void WalkDrive(const std::string& root, const PatternMatcher& patterns);

    // The files directly in `folder` that match and are not ignored, without entering subfolders, pumping
    // events or touching the status text, as rows listed by `rule`. A folder that does not exist or cannot
    // be read gives nothing.
    void ListFolderFiles(const std::string& folder, const PatternMatcher& patterns,
                         ResultsList::RuleId rule = ResultsList::kNoRule);

    // What the rows of a drive walk are put down to; null for no rule. Must outlive the walks it serves.
    void nameRulesBy(const SearchRules* rules) { m_rules = rules; }

    // Files that installed software owns, passed over from now on as ignored files are; null for none.
    // The set must outlive the walks it serves.
    void passOverInstalled(const InstalledFiles* installed) { m_installed = installed; }

private:
    // One folder on the way from the root to where the walk is.
    struct Level
    {
        std::size_t nameBegin; // where its own name starts in m_status
        std::size_t pathEnd;   // length of m_status while the walk is in it
        std::size_t nextSubfolder;
        std::size_t endSubfolder; // its subfolders are m_subfolders[nextSubfolder, endSubfolder)
        std::size_t namesBegin;   // its subfolders' names start here in m_subfolderNames
        ResultsList::FolderId folder = ResultsList::kNoFolder; // made when its first row is
    };
    // A name in m_subfolderNames.
    struct NameRef
    {
        std::size_t offset;
        std::size_t length;
    };

    bool EnterFolder(std::string_view name);
    void WalkFolder();
    // The listing step of the folder the cursor is in: its matching files become rows, its subfolders are
    // noted for WalkFolder.
    void readCurrentFolder();
    // The files of m_contents whose indexes are in m_matches, in name order, as rows of `folder` (made on
    // the first row when kNoFolder and `startFolder` is given).
    void listMatches(std::string& path, std::size_t folderBegin, const std::string* startFolder);
    void sortMatches();
    // After a cursor failed: a failure for want of descriptors stops the search and marks the results
    // incomplete; any other only costs the folder it concerns.
    void stopForWant(const Error& error);
    bool isSelectedSpecialFolder(std::string_view folder) const;
    bool passedOver(std::string& buffer, std::size_t folderBegin, std::string_view name,
                    const FileInfo& info);
    bool isIgnored(std::string& buffer, std::size_t folderBegin, std::string_view name);
    ResultsList::RuleId ruleOf(std::string_view name) const;
    ResultsList::FolderId currentFolderId();

    std::string_view currentPath() const;
    std::string_view subfolderName(const NameRef& ref) const
    {
        return std::string_view(m_subfolderNames).substr(ref.offset, ref.length);
    }

    // The patterns as the cursor's helpers ask them, on their own threads.
    struct MatchingNames final : NameFilter
    {
        const PatternMatcher* patterns = nullptr;
        bool matches(std::string_view name) const override;
    };

    WorkContext& m_context;
    char m_separator;
    const PatternMatcher* m_patterns = nullptr;
    MatchingNames m_matching;
    const InstalledFiles* m_installed = nullptr;
    LiveFiles m_live;
    const SearchRules* m_rules = nullptr;
    ResultsList::RuleId m_listingRule = ResultsList::kNoRule; // of ListFolderFiles' rows
    std::unique_ptr<FolderCursor> m_cursor;

    // "Searching " followed by the path of the folder the walk is in: the status text and the path of
    // the walk in one buffer that grows and shrinks with the walk, shown live by the window.
    std::string m_status;
    bool m_following = false;
    std::vector<Level> m_levels;
    // The subfolders still to visit, level after level, their names back to back in one buffer: a folder
    // costs no allocation once the buffers have grown to the widest and deepest part of the tree.
    std::vector<NameRef> m_subfolders;
    std::string m_subfolderNames;
    FolderContents m_contents;            // the folder being read
    std::vector<std::uint32_t> m_matches; // indexes in m_contents of its matching files
    std::uint64_t m_resultsGeneration = 0;

    // The files the ignore list names and the events log, as found when the search started: the same file
    // reached by another path (through a link in a folder above it, say) is still never listed.
    FileIdSet m_kept;
    ListedEntries m_listed;
    TrashFolders m_trash;
    RepositoryFiles m_repositories;
    std::string m_scratch;
};

} // namespace dustrel
