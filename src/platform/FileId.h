#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_set>

namespace dustrel {

// Which file a file is, whatever its names: (device, inode).
struct FileId
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

struct FileIdHash
{
    std::size_t operator()(const FileId& id) const
    {
        return std::hash<std::uint64_t>()(id.inode * 31 + id.device);
    }
};

using FileIdSet = std::unordered_set<FileId, FileIdHash>;

} // namespace dustrel
