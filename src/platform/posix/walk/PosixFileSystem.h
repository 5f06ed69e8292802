#pragma once

#include "platform/FileSystem.h"

#include <dirent.h>
#include <sys/stat.h>

namespace dustrel::posix {

// Whether a folder walk reads folders ahead of itself on helper threads: WhenSlow, from its first folder on
// when the helpers list (they share the reading, warm or cold), else only while its own reads wait for the
// disk (warming a warm cache gains nothing); never; or from its first folder on in any case.
enum class ReadAhead
{
    Off,
    WhenSlow,
    Always
};

class PosixFileSystem : public FileSystem
{
public:
    explicit PosixFileSystem(ReadAhead readAhead = ReadAhead::WhenSlow) : m_readAhead(readAhead) {}
    void setReadAhead(ReadAhead readAhead) { m_readAhead = readAhead; }

    Result<std::vector<FolderEntry>> listFolder(const std::string& path) override;
    Result<FileInfo> fileInfo(const std::string& path) override;
    std::vector<Result<FileInfo>> namedFileInfos(const std::vector<std::string>& paths) override;
    Result<std::string> canonicalPath(const std::string& path) override;
    std::vector<Result<std::string>> canonicalPaths(const std::vector<std::string>& paths) override;
    Result<std::string> readFile(const std::string& path, std::size_t limit) override;
    Result<UniqueFile> createFile(const std::string& path) override;
    FolderAccess folderAccess(const std::string& path) override;
    Result<void> makeFolders(const std::string& path) override;
    std::unique_ptr<FolderCursor> newCursor() override;
    OpenFiles openFiles() override;
    Result<void> setNormalAttributes(const std::string& path) override;
    std::unique_ptr<DeletionCursor> newDeletionCursor() override;

private:
    ReadAhead m_readAhead;
};

EntryType entryTypeFromMode(unsigned mode);
// Inline: every entry of every folder read passes through it.
inline EntryType entryTypeFromDirent(unsigned char type)
{
    switch (type) {
    case DT_REG:
        return EntryType::File;
    case DT_DIR:
        return EntryType::Folder;
    case DT_LNK:
        return EntryType::Link;
    case DT_UNKNOWN:
        return EntryType::Unknown;
    default:
        return EntryType::Other;
    }
}
FileInfo fileInfoFromStat(const struct stat& st);
// Facts about the entry `name` of `folder`, not following a link, with the attributes that forbid
// unlinking it where the system tells them; "" with AT_EMPTY_PATH in `flags` for the folder itself.
// Its permission bits and type go to `mode` when given. 0 or the error code.
int entryInfoAt(int folder, const char* name, FileInfo& out, int flags = 0, unsigned* mode = nullptr);
// Whether the path, links followed, is a folder.
bool isFolder(const std::string& path);
// The absolute path with every link, "." and ".." resolved; fails when the path does not exist.
Result<std::string> realPath(const std::string& path);

} // namespace dustrel::posix
