#pragma once

#include "platform/FileId.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

// One package manager's record of what it installed, as a search found it.
struct PackageDatabase
{
    std::string name;         // "dpkg", "pacman", "rpm"
    std::string location;     // its folder, or the command asked
    bool read = false;        // completely: a database read in part counts as not read
    std::size_t packages = 0; // packages whose file lists were read (rpm: 0, it answers as one)
    std::string problem;      // why it could not be read; empty when read
};

// The files that installed software owns, as (device, inode) pairs: a file is the same file under any of
// its paths, whatever links or bind mounts lead to it. When a database present could not be read
// completely, nobody can tell what it owns: the answer is then unknown, and every file counts as owned.
class [[nodiscard]] InstalledFiles
{
public:
    void add(std::uint64_t device, std::uint64_t inode) { m_files.insert(FileId{device, inode}); }
    bool contains(std::uint64_t device, std::uint64_t inode) const
    {
        return !known() || (!m_files.empty() && m_files.count(FileId{device, inode}) != 0);
    }
    // Whether every database present was read completely.
    bool known() const
    {
        for (const PackageDatabase& database : databases) {
            if (!database.read)
                return false;
        }
        return true;
    }
    std::size_t size() const { return m_files.size(); }

    // Every package manager present on the system, read or not.
    std::vector<PackageDatabase> databases;

private:
    FileIdSet m_files;
};

// Which owned files a search needs to know: only those it could list, so that the few hundred matching
// names of a package database are looked up rather than all of its files.
struct OwnedFilesQuery
{
    // Whether a file name (bytes, without its folder) matches what the walk lists.
    std::function<bool(std::string_view name)> nameMatches;
    // Folders whose every file is listed, whatever its name.
    std::vector<std::string> folders;
    // The filter as text: two queries with the same text ask the same question, so an answer can be
    // reused while the databases stay unchanged. Empty: never reused.
    std::string filterText;
    // Folders the databases name whose name matches are owned too, not only regular files.
    bool foldersToo = false;
};

// The package managers of the system: what they installed is never rubbish, whatever its name.
class InstalledSoftware
{
public:
    virtual ~InstalledSoftware() = default;

    // Reads every package database present. One that cannot be read completely is reported in
    // `databases` and makes the answer unknown (see InstalledFiles::known).
    virtual InstalledFiles ownedFiles(const OwnedFilesQuery& query) = 0;
};

// "dpkg (1523 packages), rpm (not read: ...)", or "none" when no package manager is present.
std::string describeDatabases(const std::vector<PackageDatabase>& databases);

} // namespace dustrel
