#pragma once

#include "platform/FileSystem.h"

namespace dustrel::posix {

class PosixFileSystem : public FileSystem
{
public:
    Result<std::vector<FolderEntry>> listFolder(const std::string& path) override;
    Result<FileInfo> fileInfo(const std::string& path) override;
    bool isFolder(const std::string& path) override;
    Result<std::string> readFile(const std::string& path, std::size_t limit) override;
};

EntryType entryTypeFromMode(unsigned mode);

} // namespace dustrel::posix
