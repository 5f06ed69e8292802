#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dustrel {

// The entries a search has listed, each as the file (device and inode) and the name it was listed under:
// the same entry met again (a drive inside another, a special folder on a drive, two links to one folder)
// is listed once, while another name of the same file (a hard link) is listed too, so that the rubbish goes
// under every name.
//
// A million entries are held flat, 8 bytes each and no allocation of their own: open-addressing tables
// whose slots hold the inode's low 32 bits and a 32-bit hash of the rest of the entry (device, name, the
// inode's high bits). Two entries pass for one only when they share both while differing somewhere: a
// chance of one in 2^32 for each pair that shares the low bits of the inode, and what it costs is one file
// left out of the list, never a wrong one in it.
//
// The entries are spread over many small tables, each grown on its own: growing one holds its old and new
// slots together for a moment, a sliver of the whole, where one large table would hold both of its own;
// and the files of a folder, whose inodes are mostly neighbours, meet few tables, which stay at hand.
class ListedEntries
{
public:
    // An entry as the tables know it. Making one starts fetching the memory of its slot, so that other
    // work between this and insert() hides the wait for it.
    class Key
    {
        friend class ListedEntries;
        std::uint64_t m_key = 0;
        std::uint64_t m_hash = 0;
        std::size_t m_table = 0;
    };
    Key keyOf(std::uint64_t device, std::uint64_t inode, std::string_view name) const;
    // True when the entry was not listed before; it is from now on.
    bool insert(const Key& key);

private:
    // The inode's low 32 bits high, the hash low; never 0, which marks a free slot.
    using Slot = std::uint64_t;

    struct Table
    {
        std::vector<Slot> slots;
        std::size_t size = 0;

        // The slot that holds `key`, else the free slot where its probe ends.
        std::size_t slotOf(std::uint64_t hash, Slot key) const;
        void put(std::size_t slot, Slot key);
        void grow();
    };

    static constexpr std::size_t kTables = 1024;
    // Inodes that differ only in these low bits share a table.
    static constexpr unsigned kRunBits = 7;

    std::vector<Table> m_tables =
        std::vector<Table>(kTables); // not in the object: the walk's lives on a stack
};

} // namespace dustrel
