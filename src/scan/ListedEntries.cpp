#include "scan/ListedEntries.h"

#include <functional>

namespace dustrel {

namespace {

// Spreads every bit of the input over the whole output.
std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9u;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebu;
    return x ^ (x >> 31);
}

constexpr std::size_t kFirstSlots = 16;

// The slot `hash` falls on among `count`: the high half of their product, as even as the modulo and
// without its division, so that a table may have any number of slots and grow by half.
std::size_t slotIn(std::uint64_t hash, std::size_t count)
{
    __extension__ using Wide = unsigned __int128;
    return static_cast<std::size_t>((static_cast<Wide>(hash) * count) >> 64);
}

} // namespace

ListedEntries::Key ListedEntries::keyOf(std::uint64_t device, std::uint64_t inode,
                                        std::string_view name) const
{
    // The odd multipliers keep device and inode apart before the mix spreads them.
    std::uint32_t rest =
        static_cast<std::uint32_t>(mix(std::hash<std::string_view>()(name) ^ device * 0x9e3779b97f4a7c15u ^
                                       (inode >> 32) * 0xc2b2ae3d27d4eb4fu));
    if (rest == 0 && static_cast<std::uint32_t>(inode) == 0)
        rest = 1;
    Key key;
    key.m_key = inode << 32 | rest;
    key.m_hash = mix(key.m_key);
    // Files made together have neighbouring inodes, and a folder's files are met together: a run of them
    // shares a table, whose pages then stay at hand, where a table per entry at random would make each
    // insertion wait for memory.
    key.m_table = static_cast<std::size_t>(mix(static_cast<std::uint32_t>(inode) >> kRunBits) % kTables);
    // The slot itself is still a random place: fetched now, it arrives while other work runs.
    if (const Table& table = m_tables[key.m_table]; !table.slots.empty())
        __builtin_prefetch(&table.slots[slotIn(key.m_hash, table.slots.size())]);
    return key;
}

bool ListedEntries::insert(const Key& key)
{
    Table& table = m_tables[key.m_table];
    // At most four slots in five taken: a probe then ends within a few slots.
    if ((table.size + 1) * 5 > table.slots.size() * 4)
        table.grow();
    const std::size_t slot = table.slotOf(key.m_hash, key.m_key);
    if (table.slots[slot] != 0)
        return false;
    table.put(slot, key.m_key);
    return true;
}

std::size_t ListedEntries::Table::slotOf(std::uint64_t hash, Slot key) const
{
    const std::size_t count = slots.size();
    std::size_t i = slotIn(hash, count);
    while (slots[i] != 0 && slots[i] != key)
        i = i + 1 == count ? 0 : i + 1;
    return i;
}

void ListedEntries::Table::put(std::size_t slot, Slot key)
{
    slots[slot] = key;
    ++size;
}

void ListedEntries::Table::grow()
{
    std::vector<Slot> old;
    old.swap(slots);
    slots.assign(old.empty() ? kFirstSlots : old.size() + old.size() / 2, 0);
    size = 0;
    for (const Slot key : old) {
        if (key != 0)
            put(slotOf(mix(key), key), key);
    }
}

} // namespace dustrel
