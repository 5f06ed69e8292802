#include "scan/ResultsList.h"

#include "platform/Locale.h"
#include "state/Format.h"

#include <algorithm>
#include <cassert>

namespace dustrel {

ResultsList::FolderId ResultsList::addStartFolder(std::string_view path)
{
    return addFolder(kNoFolder, path);
}

ResultsList::FolderId ResultsList::addSubfolder(FolderId parent, std::string_view name)
{
    assert(parent < m_folders.size());
    return addFolder(parent, name);
}

ResultsList::FolderId ResultsList::addFolder(FolderId parent, std::string_view name)
{
    const Folder folder{m_folderNames.size(), static_cast<std::uint32_t>(name.size()), parent};
    m_folderNames.append(name);
    m_folders.push_back(folder);
    return static_cast<FolderId>(m_folders.size() - 1);
}

std::string_view ResultsList::folderName(const Folder& folder) const
{
    return std::string_view(m_folderNames).substr(folder.nameOffset, folder.nameLength);
}

void ResultsList::appendFolderPath(FolderId id, std::string& out) const
{
    // Climb to the start folder first: the chain is as long as the tree is deep, so no recursion.
    std::vector<FolderId> chain;
    for (FolderId at = id; at != kNoFolder; at = m_folders[at].parent)
        chain.push_back(at);
    std::size_t length = 0;
    for (FolderId at : chain)
        length += m_folders[at].nameLength + 1;
    out.reserve(out.size() + length);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Folder& folder = m_folders[*it];
        if (folder.parent != kNoFolder && (out.empty() || out.back() != m_separator))
            out += m_separator;
        out += folderName(folder);
    }
}

std::string ResultsList::folderPath(FolderId folder) const
{
    std::string out;
    appendFolderPath(folder, out);
    return out;
}

void ResultsList::append(FolderId folder, std::string_view name, const FileInfo& info, RuleId rule)
{
    assert(folder < m_folders.size());
    m_rows.push_back(Row{info.inode, info.size, info.modified.time_since_epoch().count(), m_names.add(name),
                         folder, rule, m_devices.number(info.device)});
    m_wastedSize += info.size;
}

void ResultsList::publish()
{
    if (m_published == m_rows.size())
        return;
    const std::size_t first = m_published;
    const std::size_t count = m_rows.size() - first;
    if (m_observer != nullptr)
        m_observer->rowsAboutToBeAppended(first, count);
    m_published = m_rows.size();
    if (m_observer != nullptr)
        m_observer->rowsAppended(first, count);
}

const ResultsList::Row& ResultsList::row(std::size_t index) const
{
    assert(index < m_published);
    return m_rows[index];
}

std::string_view ResultsList::fileName(std::size_t index) const
{
    return m_names.view(row(index).name);
}

std::string ResultsList::folder(std::size_t index) const
{
    return folderPath(row(index).folder);
}

ResultsList::FolderId ResultsList::folderOf(std::size_t index) const
{
    return row(index).folder;
}

std::int64_t ResultsList::fileSize(std::size_t index) const
{
    return row(index).size;
}

FileTime ResultsList::modified(std::size_t index) const
{
    return FileTime(FileTime::duration(row(index).modified));
}

FileInfo ResultsList::fileInfo(std::size_t index) const
{
    const Row& r = row(index);
    return FileInfo{EntryType::File, r.size, modified(index), m_devices.device(r.device), r.inode};
}

std::string ResultsList::fullPath(std::size_t index) const
{
    std::string path;
    appendFolderPath(row(index).folder, path);
    if (path.empty() || path.back() != m_separator)
        path += m_separator;
    path += fileName(index);
    return path;
}

std::string_view ResultsList::rule(std::size_t index) const
{
    const RuleId id = row(index).rule;
    return id != kNoRule && id <= m_ruleNames.size() ? std::string_view(m_ruleNames[id - 1])
                                                     : std::string_view();
}

void ResultsList::setStayReason(std::size_t index, std::string why)
{
    m_stayReasons[row(index).name] = std::move(why);
}

std::string_view ResultsList::stayReason(std::size_t index) const
{
    if (m_stayReasons.empty())
        return {};
    const auto found = m_stayReasons.find(row(index).name);
    return found != m_stayReasons.end() ? std::string_view(found->second) : std::string_view();
}

std::string ResultsList::sizeText(std::size_t index, const NumberFormat& format) const
{
    return formatWhole(row(index).size, format);
}

std::string ResultsList::modifiedText(std::size_t index, Locale& locale) const
{
    const FileTime when = modified(index);
    return locale.shortDate(when) + " " + locale.shortTime(when);
}

void ResultsList::removeAt(std::size_t index)
{
    publish();
    if (index >= m_published)
        return;
    if (m_observer != nullptr)
        m_observer->rowsAboutToBeRemoved(index, 1);
    m_stayReasons.erase(m_rows[index].name);
    m_wastedSize -= m_rows[index].size;
    // Rows are plain records: the erase is one move of the memory below the row. Its name stays in the
    // store until the list is emptied or compacted.
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    --m_published;
    if (m_observer != nullptr)
        m_observer->rowsRemoved(index, 1);
}

void ResultsList::removeRows(const std::vector<bool>& remove)
{
    publish();
    const std::size_t flagged = std::min(remove.size(), m_published);
    std::size_t first = flagged;
    std::size_t last = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < flagged; ++i) {
        if (remove[i]) {
            m_wastedSize -= m_rows[i].size;
            first = std::min(first, i);
            last = i;
            ++count;
        }
    }
    if (count == 0)
        return;
    const bool oneRange = last - first + 1 == count;
    if (m_observer != nullptr) {
        if (oneRange)
            m_observer->rowsAboutToBeRemoved(first, count);
        else
            m_observer->aboutToReset();
    }

    // One pass over rows and names together: kept rows move up, their names move into a fresh arena.
    NameArena names;
    std::unordered_map<NameArena::Ref, std::string> reasons;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (i < flagged && remove[i])
            continue;
        Row r = m_rows[i];
        const NameArena::Ref name = names.add(m_names.view(r.name));
        // A kept row's reason follows its name; a removed row's goes with it.
        if (auto reason = m_stayReasons.find(r.name); reason != m_stayReasons.end())
            reasons.emplace(name, std::move(reason->second));
        r.name = name;
        m_rows[kept++] = r;
    }
    m_stayReasons = std::move(reasons);
    m_rows.resize(kept);
    m_names = std::move(names);
    m_published -= count;

    if (m_observer != nullptr) {
        if (oneRange)
            m_observer->rowsRemoved(first, count);
        else
            m_observer->resetDone();
    }
}

void ResultsList::clear()
{
    if (m_observer != nullptr)
        m_observer->aboutToReset();
    m_rows.clear();
    m_published = 0;
    m_wastedSize = 0;
    m_names.clear();
    m_devices.clear();
    m_folders.clear();
    m_folderNames.clear();
    m_incomplete.clear();
    m_ruleNames.clear();
    m_stayReasons.clear();
    ++m_generation;
    if (m_observer != nullptr)
        m_observer->resetDone();
}

} // namespace dustrel
