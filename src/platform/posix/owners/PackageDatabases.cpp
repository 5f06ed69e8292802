#include "platform/posix/owners/PackageDatabases.h"

#include "base/Text.h"
#include "platform/FileId.h"
#include "platform/posix/drives/BoundedStat.h"
#include "platform/posix/io/DirStream.h"
#include "platform/posix/processes/ChildProcess.h"
#include "platform/posix/processes/PosixProcesses.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <time.h>
#include <unordered_map>
#include <utility>

namespace dustrel::posix {

namespace {

// Takes the paths a database names, one at a time, and keeps the regular files among them that the search
// could list: a matching name, or a place directly in one of the query's folders. Only those are looked
// up, so a database of 150,000 paths costs a few hundred lookups.
class Collector
{
public:
    Collector(const OwnedFilesQuery& query, InstalledFiles& out) : m_query(query), m_out(out)
    {
        m_question = query.filterText;
        // The special folders may lie on a file system that stopped answering.
        for (const Result<struct stat>& found : boundedStat(query.folders, true)) {
            if (found && S_ISDIR(found->st_mode)) {
                m_folders.push_back(FileId{found->st_dev, found->st_ino});
                m_question += '\n' + std::to_string(found->st_dev) + ':' + std::to_string(found->st_ino);
            }
        }
    }

    // What was asked, for telling whether an earlier answer serves; empty when none may.
    std::string question() const { return m_query.filterText.empty() ? std::string() : m_question; }

    // The wanted paths go to `into` as well, or nowhere.
    void recordWanted(std::vector<std::string>* into) { m_wanted = into; }

    void consider(std::string_view path)
    {
        path = withoutTrailingSeparatorsKeepingRoot(path, '/');
        const std::size_t slash = path.rfind('/');
        if (slash == std::string_view::npos)
            return;
        const std::string_view name = path.substr(slash + 1);
        if (name.empty() || name == "." || name == "..")
            return;
        const bool wanted = (m_query.nameMatches && m_query.nameMatches(name)) ||
                            (!m_folders.empty() && inQueryFolder(path.substr(0, slash == 0 ? 1 : slash)));
        if (!wanted)
            return;
        m_path.assign(path);
        if (m_wanted != nullptr)
            m_wanted->push_back(m_path);
        // The folders of the path are followed (merged /usr links /lib to usr/lib), the file itself is
        // not: a link is never listed, and what it points to is owned only if it is listed itself.
        struct stat st
        {
        };
        if (fstatat(AT_FDCWD, m_path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (S_ISREG(st.st_mode) || (m_query.foldersToo && S_ISDIR(st.st_mode))))
            m_out.add(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
    }

private:
    bool inQueryFolder(std::string_view folder)
    {
        m_path.assign(folder);
        const auto known = m_folderAnswers.find(m_path);
        if (known != m_folderAnswers.end())
            return known->second;
        bool inside = false;
        struct stat st
        {
        };
        if (stat(m_path.c_str(), &st) == 0) {
            for (const FileId& id : m_folders)
                inside = inside || (id.device == st.st_dev && id.inode == st.st_ino);
        }
        m_folderAnswers.emplace(m_path, inside);
        return inside;
    }

    const OwnedFilesQuery& m_query;
    InstalledFiles& m_out;
    std::vector<FileId> m_folders;
    // Packages list files folder by folder: each folder of the database is looked up once.
    std::unordered_map<std::string, bool> m_folderAnswers;
    std::string m_path;
    std::string m_question;
    std::vector<std::string>* m_wanted = nullptr;
};

// A database folder read entry by entry, and recorded as read or with why not; nothing is recorded when it
// does not exist at all. An entry that cannot be read ends the reading: what the database owns is then
// unknown. Says whether it was read.
bool readDatabase(const char* kind, const std::string& folder, std::vector<PackageDatabase>& databases,
                  const std::function<Result<void>(int at, const char* name)>& entry)
{
    PackageDatabase database{kind, folder, false, 0, {}};
    const DirStream dir(opendir(folder.c_str()));
    if (!dir && errno == ENOENT)
        return false;
    if (!dir) {
        database.problem = std::strerror(errno);
    } else {
        errno = 0;
        while (const dirent* found = readdir(dir.get())) {
            if (Result<void> read = entry(dirfd(dir.get()), found->d_name); !read) {
                database.problem = read.error().describe();
                break;
            }
            errno = 0;
        }
        if (database.problem.empty() && errno != 0)
            database.problem = std::strerror(errno);
    }
    database.read = database.problem.empty();
    const bool read = database.read;
    databases.push_back(std::move(database));
    return read;
}

// dpkg: one file per package, <package>.list, one absolute path a line; and the diversions, three lines
// each: the path, the path the file was moved to, the package that moved it.
void readDpkg(const PackageDatabases::Locations& at, Collector& collector,
              std::vector<PackageDatabase>& databases)
{
    std::size_t budget = at.recordLimits.databaseBytes;
    const LineSink consider = [&](std::string_view line) { collector.consider(line); };
    std::size_t packages = 0;
    const bool read = readDatabase("dpkg", at.dpkgInfo, databases, [&](int folder, const char* name) {
        if (!std::string_view(name).ends_with(".list"))
            return Result<void>();
        ++packages;
        return readFileLines(folder, name, at.recordLimits, budget, consider);
    });
    if (!read)
        return;
    std::size_t line = 0;
    const Result<void> diverted = readFileLines(AT_FDCWD, at.dpkgDiversions.c_str(), at.recordLimits, budget,
                                                [&](std::string_view path) {
                                                    if (line++ % 3 == 1)
                                                        collector.consider(path);
                                                });
    PackageDatabase& database = databases.back();
    database.packages = packages;
    if (!diverted && diverted.error().code != ENOENT) {
        database.problem = diverted.error().describe();
        database.read = false;
    }
}

// pacman: one folder per package holding a file "files" whose section %FILES% lists paths relative to the
// root, folders with a trailing slash, up to an empty line.
void readPacman(const PackageDatabases::Locations& at, Collector& collector,
                std::vector<PackageDatabase>& databases)
{
    std::size_t budget = at.recordLimits.databaseBytes;
    std::string path;
    const std::string& root = at.pacmanRoot;
    const std::string base = root.empty() || root.back() != '/' ? root + "/" : root;
    std::size_t packages = 0;
    const bool read = readDatabase("pacman", at.pacmanLocal, databases, [&](int folder, const char* name) {
        if (name[0] == '.')
            return Result<void>();
        const std::string files = std::string(name) + "/files";
        bool inFiles = false;
        Result<void> listed =
            readFileLines(folder, files.c_str(), at.recordLimits, budget, [&](std::string_view line) {
                if (!line.empty() && line.front() == '%') {
                    inFiles = line == "%FILES%";
                } else if (line.empty()) {
                    inFiles = false;
                } else if (inFiles) {
                    path.assign(base);
                    path.append(line);
                    collector.consider(path);
                }
            });
        // The database's own version file and the like hold no package; a package folder without its
        // list of files does.
        if (!listed && listed.error().code == ENOTDIR)
            return Result<void>();
        ++packages;
        return listed;
    });
    if (read)
        databases.back().packages = packages;
}

// rpm keeps its database in a format of its own: its command is asked for every installed file name.
void readRpm(const PackageDatabases::Locations& at, Collector& collector,
             std::vector<PackageDatabase>& databases)
{
    const std::string program = findCommand(at.rpm);
    if (program.empty())
        return;
    LineStream lines(at.recordLimits.longestLine);
    const LineSink consider = [&](std::string_view line) { collector.consider(line); };
    const auto ask = [&]() -> Result<void> {
        Result<ChildProcess> child = ChildProcess::spawn({program, "-qa", "--qf", "[%{FILENAMES}\\n]"});
        if (!child)
            return child.error();
        const Result<void> answered =
            child->finish({at.rpmLimit, at.recordLimits.databaseBytes},
                          [&](std::string_view piece) { return lines.feed(piece, consider); });
        if (!answered)
            return answered;
        return lines.finish(consider);
    };
    PackageDatabase database{"rpm", program, false, 0, {}};
    if (const Result<void> asked = ask(); asked)
        database.read = true;
    else
        database.problem = asked.error().describe();
    databases.push_back(std::move(database));
}

// The identity, size and change times of dpkg's and pacman's records: installing, upgrading or removing a
// package adds, renames or removes files in these folders, which changes them. Empty when a record
// changed too recently for its times to tell a later change apart.
std::string recordsSignature(const PackageDatabases::Locations& locations)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::string signature;
    for (const std::string* record :
         {&locations.dpkgInfo, &locations.dpkgDiversions, &locations.pacmanLocal}) {
        struct stat st
        {
        };
        if (stat(record->c_str(), &st) != 0) {
            signature += "missing " + std::to_string(errno) + ";";
            continue;
        }
        if (now.tv_sec - st.st_mtim.tv_sec < locations.settledSeconds ||
            now.tv_sec - st.st_ctim.tv_sec < locations.settledSeconds)
            return {};
        for (const auto value :
             {static_cast<long long>(st.st_dev), static_cast<long long>(st.st_ino),
              static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
              static_cast<long long>(st.st_mtim.tv_nsec), static_cast<long long>(st.st_ctim.tv_sec),
              static_cast<long long>(st.st_ctim.tv_nsec)})
            signature += std::to_string(value) + ",";
        signature += ";";
    }
    return signature;
}

} // namespace

InstalledFiles PackageDatabases::ownedFiles(const OwnedFilesQuery& query)
{
    InstalledFiles files;
    Collector collector(query, files);
    const std::string question = collector.question();
    const std::string signature = recordsSignature(m_locations);
    if (!question.empty() && !signature.empty() && m_answer && m_answer->question == question &&
        m_answer->signature == signature) {
        // The paths are looked up again: a file replaced since has another identity.
        for (const std::string& path : m_answer->wanted)
            collector.consider(path);
        files.databases = m_answer->databases;
    } else {
        std::vector<std::string> wanted;
        collector.recordWanted(&wanted);
        readDpkg(m_locations, collector, files.databases);
        readPacman(m_locations, collector, files.databases);
        collector.recordWanted(nullptr);
        const bool whole =
            std::all_of(files.databases.begin(), files.databases.end(),
                        [](const PackageDatabase& database) { return database.problem.empty(); });
        m_answer.reset();
        if (!question.empty() && !signature.empty() && whole)
            m_answer = Answer{question, signature, files.databases, std::move(wanted)};
    }
    // rpm's own database is not read here, only asked: every search asks again.
    readRpm(m_locations, collector, files.databases);
    return files;
}

} // namespace dustrel::posix
