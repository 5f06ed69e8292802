#pragma once

#include "platform/Registry.h"
#include "platform/posix/settings/RegFile.h"

#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace dustrel::posix {

// The settings store where there is no registry: one file per root in a folder of the user's
// (HKEY_LOCAL_MACHINE.reg and HKEY_CURRENT_USER.reg in $XDG_CONFIG_HOME/dustrel), in the layout of
// RegFile. Key lines of another root in a file are kept but not seen through this root.
//
// Reads never create anything; the folder is made (0700) by the first write. Every write replaces the
// file as a whole: a temporary file in the same folder is written and synced, then renamed over the old
// one, so a crash or a full disk leaves the old file or the new one, never a mixture. Writes take an
// exclusive lock on ".lock" in the folder and read the file again under it, so two processes saving at
// once keep each other's values. A file that cannot be parsed reads as empty; the first write keeps it
// beside the new one as "<file>.corrupt-<local time>" before replacing it.
//
// Each root's parsed file is kept and checked against the file's identity, size and times on every call,
// so reads do not parse the file again unless it changed. Writes between beginBatch() and commitBatch()
// go to a copy and reach each file in one replacement at commit; a batch never committed reaches none.
//
// For one thread; separate processes may share a folder.
class FileRegistry : public Registry
{
public:
    explicit FileRegistry(std::string folder);
    FileRegistry(const FileRegistry&) = delete;
    FileRegistry& operator=(const FileRegistry&) = delete;

    bool keyExists(RegistryRoot root, std::string_view keyPath) override;
    std::optional<std::string> queryValue(RegistryRoot root, std::string_view keyPath,
                                          std::string_view valueName, std::size_t capacity) override;
    std::optional<std::uint32_t> queryNumber(RegistryRoot root, std::string_view keyPath,
                                             std::string_view valueName) override;
    RegistryWrite setValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                           std::string_view data) override;
    Result<void> createKey(RegistryRoot root, std::string_view keyPath) override;
    void beginBatch() override;
    Result<void> commitBatch() override;
    void abandonBatch() override;

    const std::string& folder() const { return m_folder; }
    std::string filePath(RegistryRoot root) const;

private:
    // What tells one version of a file from another without reading it.
    struct Stamp
    {
        bool present = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        mode_t mode = 0;
        timespec modified{};
        timespec changed{};

        bool operator==(const Stamp& other) const;
    };

    struct Cache
    {
        bool valid = false;      // false: the file could not even be looked at; look again next time
        bool unreadable = false; // the file exists but cannot be parsed: it reads as empty
        Stamp stamp;
        std::size_t contentHash = 0; // of the bytes the document was read from or written as
        RegFile document;
    };

    struct Version
    {
        bool present = false;
        std::size_t contentHash = 0;
    };

    struct Pending
    {
        bool isCreateKey = false;
        std::string keyPath; // full path, root included
        std::string name;
        std::string data;
    };

    struct BatchRoot
    {
        bool started = false;
        std::optional<Version> base; // the file the copy was taken from
        RegFile document;            // the file as the batch's writes left it
        bool changed = false;
        std::vector<Pending> pending;
    };

    using Edit = std::function<RegFile::Change(RegFile&)>;

    static Stamp stampOf(const struct stat& st);
    static std::size_t index(RegistryRoot root);
    Cache& refresh(RegistryRoot root, bool forWrite = false);
    static std::optional<Version> versionOf(const Cache& cache);
    void load(Cache& cache, const std::string& path, const Stamp& seen);
    const RegFile& readDocument(RegistryRoot root);
    BatchRoot& batchRoot(RegistryRoot root);

    Result<RegFile::Change> editLocked(RegistryRoot root, const Edit& edit);
    Result<void> commitRoot(RegistryRoot root, BatchRoot& batch);
    Result<void> makeFolder() const;
    Result<void> keepUnreadable(const std::string& path) const;
    Result<void> replaceFile(RegistryRoot root, Cache& cache) const;

    std::string m_folder;
    std::array<Cache, 2> m_cache;
    bool m_inBatch = false;
    std::array<BatchRoot, 2> m_batch;
};

} // namespace dustrel::posix
