#include "scan/NameArena.h"

#include <cstring>

namespace dustrel {

NameArena::Ref NameArena::add(std::string_view bytes)
{
    bytes = bytes.substr(0, kMaxLength);
    // A string that does not fit starts a block; the room it leaves is at most one string's length.
    if (m_used + bytes.size() > kBlockSize || m_used == kBlockSize) {
        // Left uninitialised: the pages of a block cost memory only once strings are written to them.
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
        m_used = 0;
    }
    if (!bytes.empty())
        std::memcpy(m_blocks.back().get() + m_used, bytes.data(), bytes.size());
    const Ref ref =
        (static_cast<Ref>(m_blocks.size() - 1) << 32) | (static_cast<Ref>(m_used) << 16) | bytes.size();
    m_used += bytes.size();
    return ref;
}

void NameArena::clear()
{
    m_blocks.clear();
    m_used = kBlockSize;
}

} // namespace dustrel
