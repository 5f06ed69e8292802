#include "state/IgnoreTable.h"

#include "base/Text.h"

namespace dustrel {

namespace {
const std::string kSpare;
}

void IgnoreTable::reset(std::string tmpFile)
{
    m_tmpFile = std::move(tmpFile);
    m_entries.clear();
    rebuildIndex();
}

void IgnoreTable::setEntries(std::vector<std::string> entries)
{
    m_entries = std::move(entries);
    rebuildIndex();
}

void IgnoreTable::append(std::string path)
{
    addToIndex(path);
    m_entries.push_back(std::move(path));
}

void IgnoreTable::removeAt(std::size_t entryIndex)
{
    if (entryIndex >= m_entries.size())
        return;
    auto it = m_index.find(toUpperAscii(m_entries[entryIndex]));
    if (it != m_index.end() && --it->second == 0)
        m_index.erase(it);
    auto length = m_lengths.find(m_entries[entryIndex].size());
    if (length != m_lengths.end() && --length->second == 0)
        m_lengths.erase(length);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(entryIndex));
}

const std::string& IgnoreTable::slot(std::size_t index) const
{
    if (index == 0)
        return m_tmpFile;
    if (index <= m_entries.size())
        return m_entries[index - 1];
    return kSpare;
}

bool IgnoreTable::contains(std::string_view path) const
{
    return m_index.find(toUpperAscii(path)) != m_index.end();
}

void IgnoreTable::rebuildIndex()
{
    m_index.clear();
    m_lengths.clear();
    m_index.reserve(m_entries.size() + 1);
    addToIndex(m_tmpFile);
    for (const std::string& entry : m_entries)
        addToIndex(entry);
}

void IgnoreTable::addToIndex(std::string_view path)
{
    ++m_index[toUpperAscii(path)];
    ++m_lengths[path.size()];
}

} // namespace dustrel
