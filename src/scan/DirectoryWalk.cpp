#include "scan/DirectoryWalk.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/PatternMatcher.h"
#include "scan/SearchRules.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "state/WindowHost.h"

#include <algorithm>

namespace dustrel {

namespace {

constexpr std::string_view kSearching = "Searching ";

} // namespace

DirectoryWalk::DirectoryWalk(WorkContext& context)
    : m_context(context), m_separator(context.platform.pathRules.separator), m_live(context),
      m_trash(context.platform.folders, context.platform.fileSystem),
      m_repositories(context.platform.repositories, context.platform.fileSystem, context.state.trace,
                     m_separator)
{
    std::vector<std::string> kept;
    const auto keep = [&](std::string path) {
        if (!path.empty())
            kept.push_back(std::move(path));
    };
    const IgnoreTable& ignored = context.state.IGN_TBL;
    for (std::size_t i = 0; i < ignored.highestIndex(); ++i)
        keep(ignored.slot(i));
    // Both places the events log may be written to.
    if (!context.state.DTR_PATH.empty())
        keep(joinPath(context.state.DTR_PATH, kLogName, m_separator));
    if (const std::string state = context.platform.folders.userStateFolder(); !state.empty())
        keep(joinPath(joinPath(state, "dustrel", m_separator), kLogName, m_separator));
    // All at once, and given up on a file system that stopped answering: such a file is kept by its path.
    for (const Result<FileInfo>& info : context.platform.fileSystem.namedFileInfos(kept)) {
        if (info && info->type == EntryType::File)
            m_kept.insert(FileId{info->device, info->inode});
    }
}

bool DirectoryWalk::MatchingNames::matches(std::string_view name) const
{
    return patterns->matches(name);
}

DirectoryWalk::~DirectoryWalk()
{
    if (m_following)
        m_context.host.followStatusText(nullptr);
}

void DirectoryWalk::WalkDrive(const std::string& root, const PatternMatcher& patterns)
{
    m_patterns = &patterns;
    m_levels.clear();
    m_subfolders.clear();
    m_subfolderNames.clear();
    m_resultsGeneration = m_context.results.generation();

    // EnterFolder on the root: the status text names it before anything is read.
    m_status.assign(kSearching);
    m_status += root;
    m_context.host.followStatusText(&m_status);
    m_following = true;

    if (!m_cursor)
        m_cursor = m_context.platform.fileSystem.newCursor();
    if (m_cursor && !root.empty() && !m_trash.holds(root)) {
        m_matching.patterns = &patterns;
        m_cursor->setWalkOrder(&nameLess, &m_matching);
        if (auto opened = m_cursor->open(root)) {
            m_levels.push_back(Level{kSearching.size(), m_status.size(), 0, 0, 0});
            readCurrentFolder();
            WalkFolder();
        } else {
            stopForWant(opened.error());
        }
        // Ends whatever the cursor reads ahead, also after Stop: nothing of the walk outlives it.
        m_cursor->setWalkOrder(nullptr);
    }

    m_levels.clear();
    m_subfolders.clear();
    m_subfolderNames.clear();
    m_context.results.publish();
    m_context.host.followStatusText(nullptr);
    m_following = false;
}

bool DirectoryWalk::EnterFolder(std::string_view name)
{
    const std::size_t parentEnd = m_status.size();
    if (m_status.back() != m_separator)
        m_status += m_separator;
    const std::size_t nameBegin = m_status.size();
    m_status += name;
    if (auto entered = m_cursor->enter(name); !entered) {
        // Skipped whole: neither its files nor its subfolders are visited.
        stopForWant(entered.error());
        m_status.resize(parentEnd);
        return false;
    }
    m_levels.push_back(Level{nameBegin, m_status.size(), 0, 0, 0});
    // Again at every folder: a command run at a pump may have written a text of its own meanwhile.
    m_context.host.followStatusText(&m_status);
    // `name` may lie in m_subfolderNames, which reading the folder can move: it is not used from here on.
    readCurrentFolder();
    return true;
}

void DirectoryWalk::WalkFolder()
{
    while (!m_levels.empty()) {
        if (!m_context.state.SEARCHING) {
            // Stopped: nothing more of this tree is visited, so there is no need to climb back.
            m_levels.clear();
            break;
        }
        Level& top = m_levels.back();
        if (top.nextSubfolder == top.endSubfolder) {
            // Its subfolders' names follow those of its parent, which are where the parent left them.
            m_subfolderNames.resize(top.namesBegin);
            m_levels.pop_back();
            if (m_levels.empty())
                break;
            m_subfolders.resize(m_levels.back().endSubfolder);
            m_status.resize(m_levels.back().pathEnd);
            if (auto left = m_cursor->leave(); !left) {
                // The tree was moved or replaced under the walk: the cursor no longer knows where it is,
                // and going on by name could lead into a folder the walk never chose.
                stopForWant(left.error());
                m_levels.clear();
                break;
            }
            continue;
        }
        const NameRef next = m_subfolders[top.nextSubfolder++];
        if (!EnterFolder(subfolderName(next)))
            continue;
        m_context.results.publish();
        m_context.host.pumpEvents();
    }
}

void DirectoryWalk::readCurrentFolder()
{
    Level& level = m_levels.back();
    level.nextSubfolder = m_subfolders.size();
    level.endSubfolder = m_subfolders.size();
    level.namesBegin = m_subfolderNames.size();

    m_matches.clear();
    if (auto read = m_cursor->readEntries(m_contents);
        !read) { // entered but not readable: it contributes nothing
        stopForWant(read.error());
        return;
    }
    const bool special = isSelectedSpecialFolder(currentPath());
    m_repositories.entered(m_levels.size() - 1, currentPath(), m_contents, *m_cursor);
    for (std::size_t i = 0; i < m_contents.size(); ++i) {
        // Only regular files are listed, so FIFOs, sockets and devices are never opened; links are
        // neither listed nor walked.
        const EntryType type = m_contents.type(i);
        if (type == EntryType::Folder) {
            const std::string_view name = m_contents.name(i);
            if (RepositoryFiles::isRepositoryFolder(name) || m_trash.isTrash(*m_cursor, name))
                continue;
            m_subfolders.push_back(NameRef{m_subfolderNames.size(), name.size()});
            m_subfolderNames.append(name);
        } else if (type == EntryType::File && !special && m_patterns->matches(m_contents.name(i))) {
            m_matches.push_back(static_cast<std::uint32_t>(i));
        }
    }
    const auto first = m_subfolders.begin() + static_cast<std::ptrdiff_t>(level.nextSubfolder);
    std::sort(first, m_subfolders.end(), [this](const NameRef& a, const NameRef& b) {
        return nameLess(subfolderName(a), subfolderName(b));
    });
    level.endSubfolder = m_subfolders.size();
    listMatches(m_status, kSearching.size(), nullptr);
}

void DirectoryWalk::sortMatches()
{
    std::sort(m_matches.begin(), m_matches.end(), [this](std::uint32_t a, std::uint32_t b) {
        return nameLess(m_contents.name(a), m_contents.name(b));
    });
}

void DirectoryWalk::listMatches(std::string& path, std::size_t folderBegin, const std::string* startFolder)
{
    if (m_matches.empty())
        return;
    sortMatches();
    ResultsList::FolderId id = ResultsList::kNoFolder;
    for (const std::uint32_t index : m_matches) {
        const std::string_view name = m_contents.name(index);
        // Described when the folder was read ahead of the walk, or asked now.
        const FileInfo* described = m_contents.info(index);
        auto info = described != nullptr ? Result<FileInfo>(*described) : m_cursor->entryInfo(name);
        // Gone or replaced since the folder was read: no row rather than half of one.
        if (!info || info->type != EntryType::File || passedOver(path, folderBegin, name, *info))
            continue;
        if (id == ResultsList::kNoFolder)
            id = startFolder != nullptr ? m_context.results.addStartFolder(*startFolder) : currentFolderId();
        m_context.results.append(id, name, *info, startFolder != nullptr ? m_listingRule : ruleOf(name));
    }
}

void DirectoryWalk::ListFolderFiles(const std::string& folder, const PatternMatcher& patterns,
                                    ResultsList::RuleId rule)
{
    if (folder.empty() || m_trash.holds(folder))
        return;
    m_listingRule = rule;
    if (!m_cursor)
        m_cursor = m_context.platform.fileSystem.newCursor();
    if (!m_cursor)
        return;
    m_matches.clear();
    Result<void> read = m_cursor->open(folder);
    if (read)
        read = m_cursor->readEntries(m_contents);
    if (!read) {
        stopForWant(read.error());
        return;
    }
    m_repositories.entered(0, folder, m_contents, *m_cursor);
    for (std::size_t i = 0; i < m_contents.size(); ++i) {
        if (m_contents.type(i) == EntryType::File && patterns.matches(m_contents.name(i)))
            m_matches.push_back(static_cast<std::uint32_t>(i));
    }
    m_scratch.assign(folder);
    listMatches(m_scratch, 0, &folder);
}

void DirectoryWalk::stopForWant(const Error& error)
{
    // A folder that could not be opened for want of descriptors was never looked at: passing it over as
    // empty would leave its rubbish behind unsaid, and the next folders would fare no better.
    if (!outOfDescriptors(error))
        return;
    m_context.results.markIncomplete(error.describe());
    m_context.state.SEARCHING.stop();
}

bool DirectoryWalk::isSelectedSpecialFolder(std::string_view folder) const
{
    const ProgramState& state = m_context.state;
    for (std::size_t k = 0; k < kSpecialFolderCount; ++k) {
        const std::string& path = state.DIRECTORIES[k];
        if (state.choices.dirs()[k].ticked() && !path.empty() && equalsIgnoreCase(path, folder))
            return true;
    }
    return false;
}

bool DirectoryWalk::passedOver(std::string& buffer, std::size_t folderBegin, std::string_view name,
                               const FileInfo& info)
{
    const FileId id{info.device, info.inode};
    // Made first: the table's memory is fetched while the other checks run.
    const ListedEntries::Key listed = m_listed.keyOf(info.device, info.inode, name);
    // On this system a matching name is not enough: what installed software owns and what the user may
    // not delete are never rubbish, and listing them would only make every deletion fail. An empty set of
    // kept files is not asked: asking hashes the key and divides by its one bucket, per file listed.
    return isIgnored(buffer, folderBegin, name) || (!m_kept.empty() && m_kept.count(id) != 0) ||
           (m_installed != nullptr && m_installed->contains(info.device, info.inode)) ||
           !m_cursor->mayDelete(info) ||
           m_repositories.keeps(std::string_view(buffer).substr(folderBegin), name) ||
           m_live.keeps(std::string_view(buffer).substr(folderBegin), name, info, *m_cursor) ||
           !m_listed.insert(listed);
}

bool DirectoryWalk::isIgnored(std::string& buffer, std::size_t folderBegin, std::string_view name)
{
    const std::size_t folderEnd = buffer.size();
    const bool addSeparator = folderEnd == folderBegin || buffer.back() != m_separator;
    const std::size_t length = folderEnd - folderBegin + (addSeparator ? 1 : 0) + name.size();
    if (!m_context.state.IGN_TBL.holdsLength(length))
        return false;
    // The full path as the ignore list holds it: the folder without a trailing separator, one
    // separator, the name. Put together at the end of the folder's own buffer and taken off again.
    if (addSeparator)
        buffer += m_separator;
    buffer += name;
    const bool ignored = m_context.state.IGN_TBL.contains(std::string_view(buffer).substr(folderBegin));
    buffer.resize(folderEnd);
    return ignored;
}

ResultsList::RuleId DirectoryWalk::ruleOf(std::string_view name) const
{
    // Only for the names that matched: finding the first piece costs more than knowing that one matches.
    return m_rules != nullptr ? m_rules->ofPiece(m_patterns->firstMatch(name)) : ResultsList::kNoRule;
}

ResultsList::FolderId DirectoryWalk::currentFolderId()
{
    ResultsList& results = m_context.results;
    if (m_resultsGeneration != results.generation()) {
        // Emptied at a pump: the folders known before are gone with the rows.
        for (Level& level : m_levels)
            level.folder = ResultsList::kNoFolder;
        m_resultsGeneration = results.generation();
    }
    // The folder and those of its parents that have no row yet are made now, top down, so the walk
    // makes each folder at most once however many of its descendants have rows.
    std::size_t known = m_levels.size();
    while (known > 0 && m_levels[known - 1].folder == ResultsList::kNoFolder)
        --known;
    for (std::size_t i = known; i < m_levels.size(); ++i) {
        Level& level = m_levels[i];
        const std::string_view name(m_status.data() + level.nameBegin, level.pathEnd - level.nameBegin);
        level.folder =
            i == 0 ? results.addStartFolder(name) : results.addSubfolder(m_levels[i - 1].folder, name);
    }
    return m_levels.back().folder;
}

std::string_view DirectoryWalk::currentPath() const
{
    return std::string_view(m_status).substr(kSearching.size(), m_levels.back().pathEnd - kSearching.size());
}

} // namespace dustrel
