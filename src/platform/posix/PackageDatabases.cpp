#include "platform/posix/PackageDatabases.h"

#include "platform/posix/DescriptorIo.h"
#include "platform/posix/DirStream.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

extern char** environ;

namespace dustrel::posix {

namespace {

struct FileId
{
    std::uint64_t device;
    std::uint64_t inode;
};

// Takes the paths a database names, one at a time, and keeps the regular files among them that the search
// could list: a matching name, or a place directly in one of the query's folders. Only those are looked
// up, so a database of 150,000 paths costs a few hundred lookups.
class Collector
{
public:
    Collector(const OwnedFilesQuery& query, InstalledFiles& out) : m_query(query), m_out(out)
    {
        m_question = query.filterText;
        for (const std::string& folder : query.folders) {
            struct stat st
            {
            };
            if (!folder.empty() && stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                m_folders.push_back(FileId{st.st_dev, st.st_ino});
                m_question += '\n' + std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino);
            }
        }
    }

    // What was asked, for telling whether an earlier answer serves; empty when none may.
    std::string question() const { return m_query.filterText.empty() ? std::string() : m_question; }

    // The wanted paths go to `into` as well, or nowhere.
    void recordWanted(std::vector<std::string>* into) { m_wanted = into; }

    void consider(std::string_view path)
    {
        while (!path.empty() && path.back() == '/')
            path.remove_suffix(1);
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

// Each line of `text` up to the last newline goes to `line`; the rest stays in `text` for the next piece.
template <typename Line> void takeLines(std::string& text, Line&& line)
{
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        line(std::string_view(text).substr(start, end - start));
    text.erase(0, start);
}

bool readWhole(int at, const char* name, std::string& into)
{
    into.clear();
    const UniqueFd fd(openat(at, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd)
        return false;
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    Result<std::string> text = readToEnd(fd.get(), std::numeric_limits<std::size_t>::max(), name);
    if (!text) {
        errno = text.error().code;
        return false;
    }
    into = std::move(*text);
    return true;
}

// A database folder read entry by entry, and recorded as read or with why not; nothing is recorded when it
// does not exist at all. Says whether it was read.
template <typename Entry>
bool readDatabase(const char* kind, const std::string& folder, std::vector<PackageDatabase>& databases,
                  Entry&& entry)
{
    PackageDatabase database{kind, folder, false, 0, {}};
    const DirStream dir(opendir(folder.c_str()));
    if (!dir && errno == ENOENT)
        return false;
    if (!dir) {
        database.problem = std::strerror(errno);
    } else {
        database.read = true;
        while (const dirent* found = readdir(dir.get()))
            entry(dirfd(dir.get()), found->d_name, database);
    }
    const bool read = database.read;
    databases.push_back(std::move(database));
    return read;
}

// dpkg: one file per package, <package>.list, one absolute path a line; and the diversions, three lines
// each: the path, the path the file was moved to, the package that moved it.
void readDpkg(const std::string& folder, const std::string& diversions, Collector& collector,
              std::vector<PackageDatabase>& databases)
{
    std::string text;
    const bool read =
        readDatabase("dpkg", folder, databases, [&](int at, const char* name, PackageDatabase& database) {
            if (!std::string_view(name).ends_with(".list"))
                return;
            if (!readWhole(at, name, text)) {
                database.problem = std::string(name) + ": " + std::strerror(errno);
                return;
            }
            text += '\n';
            takeLines(text, [&](std::string_view line) { collector.consider(line); });
            ++database.packages;
        });
    if (read && readWhole(AT_FDCWD, diversions.c_str(), text)) {
        text += '\n';
        std::size_t line = 0;
        takeLines(text, [&](std::string_view path) {
            if (line++ % 3 == 1)
                collector.consider(path);
        });
    }
}

// pacman: one folder per package holding a file "files" whose section %FILES% lists paths relative to the
// root, folders with a trailing slash, up to an empty line.
void readPacman(const std::string& folder, const std::string& root, Collector& collector,
                std::vector<PackageDatabase>& databases)
{
    std::string text;
    std::string path;
    const std::string base = root.empty() || root.back() != '/' ? root + "/" : root;
    readDatabase("pacman", folder, databases, [&](int at, const char* name, PackageDatabase& database) {
        if (name[0] == '.')
            return;
        const std::string files = std::string(name) + "/files";
        if (!readWhole(at, files.c_str(), text)) {
            // The database's own version file and the like hold no package.
            if (errno != ENOTDIR && errno != ENOENT)
                database.problem = files + ": " + std::strerror(errno);
            return;
        }
        text += '\n';
        bool inFiles = false;
        takeLines(text, [&](std::string_view line) {
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
        ++database.packages;
    });
}

double secondsSince(const timespec& start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) +
           static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

// rpm keeps its database in a format of its own: its command is asked for every installed file name.
void readRpm(const std::string& command, int limitSeconds, Collector& collector,
             std::vector<PackageDatabase>& databases)
{
    const std::string program = findCommand(command);
    if (program.empty())
        return;
    PackageDatabase database{"rpm", program, false, 0, {}};
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        database.problem = std::strerror(errno);
        databases.push_back(std::move(database));
        return;
    }
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {program.c_str(), "-qa", "--qf", "[%{FILENAMES}\\n]", nullptr};
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (spawned != 0) {
        database.problem = std::strerror(spawned);
        databases.push_back(std::move(database));
        return;
    }

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    std::string text;
    char buffer[64 * 1024];
    bool timedOut = false;
    for (;;) {
        const double left = limitSeconds - secondsSince(start);
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd fd{readEnd.get(), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left * 1000) + 1) < 0 && errno != EINTR)
            break;
        if (fd.revents == 0)
            continue;
        const ssize_t got = read(readEnd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        takeLines(text, [&](std::string_view line) { collector.consider(line); });
    }
    if (!text.empty())
        collector.consider(text);
    if (timedOut)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        database.problem = "no answer within " + std::to_string(limitSeconds) + " seconds";
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        database.problem = "the query failed";
    else
        database.read = true;
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
        readDpkg(m_locations.dpkgInfo, m_locations.dpkgDiversions, collector, files.databases);
        readPacman(m_locations.pacmanLocal, m_locations.pacmanRoot, collector, files.databases);
        collector.recordWanted(nullptr);
        const bool whole =
            std::all_of(files.databases.begin(), files.databases.end(),
                        [](const PackageDatabase& database) { return database.problem.empty(); });
        m_answer.reset();
        if (!question.empty() && !signature.empty() && whole)
            m_answer = Answer{question, signature, files.databases, std::move(wanted)};
    }
    // rpm's own database is not read here, only asked: every search asks again.
    readRpm(m_locations.rpm, m_locations.rpmSeconds, collector, files.databases);
    return files;
}

} // namespace dustrel::posix
