#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace dustrel {

// Byte strings kept back to back in blocks of one size, each found again through one 64-bit reference.
// No string costs an allocation of its own, a block never moves, so growing copies nothing and a view of a
// string stays valid until clear(), and a string never straddles two blocks.
class NameArena
{
public:
    // The block (high 32 bits), the offset in it (16 bits) and the length (low 16 bits): a record that
    // holds a string pays eight bytes for it.
    using Ref = std::uint64_t;
    static constexpr std::size_t kMaxLength = 0xFFFF;
    static constexpr std::size_t kBlockSize = kMaxLength + 1;

    NameArena() = default;
    NameArena(NameArena&&) noexcept = default;
    NameArena& operator=(NameArena&&) noexcept = default;

    // Keeps a copy of `bytes`, cut to kMaxLength.
    Ref add(std::string_view bytes);
    std::string_view view(Ref ref) const
    {
        return {m_blocks[ref >> 32].get() + ((ref >> 16) & 0xFFFF), ref & 0xFFFF};
    }
    static std::size_t length(Ref ref) { return ref & 0xFFFF; }

    std::size_t blocks() const { return m_blocks.size(); }
    void clear();

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = kBlockSize; // in the last block; a full one when there is none
};

} // namespace dustrel
