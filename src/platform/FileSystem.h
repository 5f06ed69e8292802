#pragma once

#include "platform/Result.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

using FileTime = std::chrono::system_clock::time_point;

enum class EntryType
{
    Unknown,
    File, // a regular file
    Folder,
    Link,
    Other, // FIFO, socket, device
};

struct FolderEntry
{
    std::string name; // bytes as the system gives them
    EntryType type = EntryType::Unknown;
};

struct FileInfo
{
    EntryType type = EntryType::Unknown;
    std::int64_t size = 0;
    FileTime modified{};
};

// The file system as the program sees it. Paths and names are byte strings; links are never followed
// unless a call says so.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // The entries of a folder, without "." and "..", in the order the system gives them. Every entry
    // carries its type (Unknown only when it vanished while being listed).
    virtual Result<std::vector<FolderEntry>> listFolder(const std::string& path) = 0;

    // Facts about one path, not following a final symbolic link.
    virtual Result<FileInfo> fileInfo(const std::string& path) = 0;

    virtual bool isFolder(const std::string& path) = 0;

    // A whole file; refused when it is larger than `limit` bytes.
    virtual Result<std::string> readFile(const std::string& path, std::size_t limit) = 0;
};

} // namespace dustrel
