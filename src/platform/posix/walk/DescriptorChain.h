#pragma once

#include "platform/Result.h"
#include "platform/posix/io/DescriptorLimit.h"
#include "platform/posix/io/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel::posix {

// One entry of a folder: not empty, not "." or "..", without "/" or NUL.
bool isSingleName(std::string_view name);

// The descriptors of the folders from a start folder down to the current one, for a walk that moves one
// level at a time. Only the start folder's descriptor and those of the kKeptLevels deepest levels stay
// open, so a tree of any depth fits in a small descriptor limit; fewer under a limit too small for them
// (see DescriptorLimit).
//
// A level's identity (device, inode) is taken when its descriptor is closed, and only then: a walk in a
// tree of ordinary depth never pays for it. Climbing back to such a level reopens it through ".." of its
// child, and it must then still be the folder that was left. If it is not, the tree was moved under the
// walk: the chain is lost, every descriptor is closed, and the walk never goes on inside a folder it did
// not choose.
class DescriptorChain
{
public:
    // The most levels kept open, whatever the limit.
    static constexpr std::size_t kKeptLevels = DescriptorLimit::kMostLevels;

    // `reopenFlags`: the flags a level is opened with, used again when it is reopened through "..".
    // `keptLevels`: how many of the deepest levels stay open.
    explicit DescriptorChain(int reopenFlags,
                             std::size_t keptLevels = DescriptorLimit::keptLevels(DescriptorLimit::current()))
        : m_reopenFlags(reopenFlags), m_keptLevels(keptLevels)
    {}

    // Forgets every level and starts again at `start`.
    void start(UniqueFd start);
    // Down into a folder opened relative to top().
    void push(UniqueFd fd);
    // Back to the parent. Fails, losing the chain, when the parent had to be reopened and could not be,
    // or was another folder. A lost chain still counts its levels down, each pop() failing alike, so a
    // walk can unwind; top() is then -1.
    Result<void> pop();
    void clear();

    // The descriptor of the current folder; -1 when there is none or the chain is lost.
    int top() const { return m_levels.empty() || m_lost ? -1 : m_levels.back().fd.get(); }
    // The descriptor of the start folder, which stays open; -1 when there is none or the chain is lost.
    int startFolder() const { return m_levels.empty() || m_lost ? -1 : m_levels.front().fd.get(); }
    bool empty() const { return m_levels.empty(); }
    // 0 at the start folder.
    std::size_t depth() const { return m_levels.empty() ? 0 : m_levels.size() - 1; }
    bool lost() const { return m_lost; }
    // Whether the walk can go on from top(): fails when no folder is open or the chain is lost. `walk`
    // names the walk in the message ("walk", "deletion"); `path` is where it stands.
    Result<void> usable(std::string_view walk, const std::string& path) const;
    // At most keptLevels() + 1, whatever the depth.
    std::size_t openDescriptors() const;
    std::size_t keptLevels() const { return m_keptLevels; }

private:
    struct Level
    {
        UniqueFd fd; // closed for the levels between the start folder and m_firstOpen
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool known = false; // device and inode taken
    };

    Error lose(int code, const char* why);

    int m_reopenFlags;
    std::size_t m_keptLevels;
    std::vector<Level> m_levels; // [0] is the start folder, back() the current one
    std::size_t m_firstOpen = 1; // the levels from here to the back have open descriptors
    bool m_lost = false;
};

} // namespace dustrel::posix
