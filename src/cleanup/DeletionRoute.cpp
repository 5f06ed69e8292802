#include "cleanup/DeletionRoute.h"

#include "platform/FileSystem.h"

#include <string>

namespace dustrel {

DeletionRoute::DeletionRoute(const ResultsList& results, DeletionCursor& cursor)
    : m_results(results), m_cursor(cursor), m_position(results.folderCount(), 0)
{}

Result<void> DeletionRoute::moveTo(ResultsList::FolderId folder)
{
    if (!m_way.empty() && m_way.back() == folder)
        return {};

    // Up from the row's folder to the first folder already on the way; each step costs once per folder.
    m_down.clear();
    ResultsList::FolderId shared = folder;
    while (shared != ResultsList::kNoFolder && m_position[shared] == 0) {
        m_down.push_back(shared);
        shared = m_results.parentFolder(shared);
    }
    // Nothing shared: the next open() replaces the whole way at once, without leaving folder by folder.
    if (shared == ResultsList::kNoFolder) {
        forgetWay();
    } else if (!unwindTo(m_position[shared])) {
        // Lost: start again from the root, by the whole way down to the row's folder.
        forgetWay();
        m_down.clear();
        for (ResultsList::FolderId at = folder; at != ResultsList::kNoFolder; at = m_results.parentFolder(at))
            m_down.push_back(at);
    }

    while (!m_down.empty()) {
        const ResultsList::FolderId next = m_down.back();
        const std::string_view name = m_results.folderName(next);
        Result<void> reached = m_way.empty() ? m_cursor.open(std::string(name)) : m_cursor.enter(name);
        if (!reached)
            return reached;
        m_way.push_back(next);
        m_position[next] = static_cast<std::uint32_t>(m_way.size());
        m_down.pop_back();
    }
    return {};
}

bool DeletionRoute::unwindTo(std::size_t keep)
{
    while (m_way.size() > keep) {
        if (!m_cursor.leave())
            return false;
        m_position[m_way.back()] = 0;
        m_way.pop_back();
    }
    return true;
}

void DeletionRoute::forgetWay()
{
    for (const ResultsList::FolderId at : m_way)
        m_position[at] = 0;
    m_way.clear();
}

} // namespace dustrel
