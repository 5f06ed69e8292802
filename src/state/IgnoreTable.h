#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dustrel {

// The files never to list or delete (IGN_TBL). Slot 0 is the program's own temporary file, slots 1 to n
// the user's entries in list order, slot n + 1 the spare, which always reads as the empty text.
// Look-ups ignore ASCII letter case and take constant time, so the walk can ask for every file it meets.
class IgnoreTable
{
public:
    IgnoreTable() { rebuildIndex(); }

    // Two slots: the temporary file and the spare.
    void reset(std::string tmpFile);
    void setEntries(std::vector<std::string> entries);
    void append(std::string path);
    void removeAt(std::size_t entryIndex); // 0-based among the user's entries

    const std::string& tmpFile() const { return m_tmpFile; }
    const std::vector<std::string>& entries() const { return m_entries; }
    std::size_t count() const { return m_entries.size(); }

    // Slot view: 0 = temporary file, 1..n = entries, n + 1 = spare.
    std::size_t highestIndex() const { return m_entries.size() + 1; }
    const std::string& slot(std::size_t index) const;

    // Whether a full path stands in any slot but the spare, without regard to ASCII letter case.
    bool contains(std::string_view path) const;
    // Whether any slot but the spare holds a path of this length: most paths are ruled out by it before
    // they are put together and folded. Kept up to date with every change, never rebuilt for a look-up.
    bool holdsLength(std::size_t length) const { return m_lengths.count(length) != 0; }

private:
    void rebuildIndex();
    void addToIndex(std::string_view path);

    std::string m_tmpFile;
    std::vector<std::string> m_entries;
    std::unordered_map<std::string, std::size_t> m_index;   // folded path -> how many slots hold it
    std::unordered_map<std::size_t, std::size_t> m_lengths; // path length -> how many slots hold one
};

} // namespace dustrel
