#include "SyntheticTree.h"

#include "scan/PatternMatcher.h"
#include "state/FileTypes.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dustrel::bench {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
constexpr std::size_t kDeepFileEvery = 100;

constexpr std::array<const char*, 48> kWords = {
    "report",  "photo",  "invoice", "main",    "util",    "index",   "setup",  "readme",  "config", "notes",
    "budget",  "draft",  "image",   "thumb",   "module",  "package", "data",   "backup",  "style",  "script",
    "summary", "letter", "meeting", "project", "library", "player",  "cache",  "session", "user",   "profile",
    "export",  "import", "scan",    "music",   "video",   "archive", "client", "server",  "test",   "build",
    "release", "debug",  "font",    "icon",    "theme",   "plugin",  "driver", "update"};

// Everyday extensions; with a number before them no rule matches these names.
constexpr std::array<const char*, 24> kExtensions = {
    ".txt", ".jpg", ".png", ".c",   ".h",   ".cpp", ".so",  ".html", ".js",   ".json", ".md",  ".xml",
    ".pdf", ".py",  ".o",   ".dat", ".ini", ".cfg", ".mp3", ".doc",  ".xlsx", ".css",  ".svg", ""};

// Names after the rules: "%s" is replaced by a word and a number unique in the folder.
constexpr std::array<const char*, 26> kRubbish = {
    "%s.bak", "%s.OLD",     "%s.tmp", "%s.TMP",    "%s.~1~",    "~%s.doc", "%s.$$$", "%s.---", "%s.GID",
    "%s.fts", "%s.FTG",     "%s.fnd", "%s.CHK",    "%s.$db",    "%s.DB$",  "%s.diz", "%s.SDI", "%s.da0",
    "%s.dmp", "CHKLIST.%s", "%s.mtx", "%slog.txt", "%sLOG.TXT", "%s.bak",  "%s.tmp", "%s.old"};

std::string allRules()
{
    std::string list;
    for (const CleaningRule& rule : kCleaningRules) {
        if (!list.empty())
            list += ';';
        list += rule.patterns;
    }
    return list;
}

std::string manifestPath(const std::string& base)
{
    return base + "/manifest";
}

// Removes a tree of any depth: down to a folder without subfolders through descriptors, empty it, back up
// through "..". Only for the benchmark's own leftovers.
void removeTree(const std::string& path)
{
    int fd = open(path.c_str(), kFolderFlags);
    if (fd < 0)
        return;
    std::vector<std::string> names;
    for (;;) {
        std::string sub;
        if (DIR* dir = fdopendir(dup(fd))) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name == "." || name == "..")
                    continue;
                struct stat st
                {
                };
                if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
                    sub = name;
                    break;
                }
                unlinkat(fd, name.c_str(), 0);
            }
            closedir(dir);
        }
        if (!sub.empty()) {
            const int next = openat(fd, sub.c_str(), kFolderFlags);
            if (next < 0)
                break;
            close(fd);
            fd = next;
            names.push_back(sub);
            continue;
        }
        if (names.empty())
            break;
        const int parent = openat(fd, "..", kFolderFlags);
        close(fd);
        fd = parent;
        if (fd < 0)
            return;
        unlinkat(fd, names.back().c_str(), AT_REMOVEDIR);
        names.pop_back();
    }
    close(fd);
    rmdir(path.c_str());
}

Error failure(const std::string& path)
{
    return systemError(errno, path);
}

} // namespace

Result<SyntheticTree> SyntheticTree::prepare(const BenchOptions& options)
{
    SyntheticTree tree;
    char name[160];
    if (options.deep != 0)
        std::snprintf(name, sizeof name, "/dustrel-bench-deep-%zu", options.deep);
    else
        std::snprintf(name, sizeof name, "/dustrel-bench-wide-%zu-%zu-%g-%llu", options.files,
                      options.folders, options.matchPercent, static_cast<unsigned long long>(options.seed));
    tree.m_base = options.treeBase + name;
    tree.m_deep = options.deep;
    tree.m_root = tree.m_base + "/tree/";

    std::ifstream manifest(manifestPath(tree.m_base));
    if (manifest >> tree.m_folders >> tree.m_files >> tree.m_matching) {
        tree.m_reused = true;
        return tree;
    }
    std::fprintf(stderr, "building %s ...\n", tree.m_root.c_str());
    removeTree(tree.m_base); // a tree left half built by an interrupted run
    const auto start = std::chrono::steady_clock::now();
    if (mkdir(tree.m_base.c_str(), 0755) != 0)
        return failure(tree.m_base);
    auto built = options.deep != 0 ? tree.buildDeep(options) : tree.buildWide(options);
    if (!built)
        return built.error();
    if (auto written = tree.writeManifest(); !written)
        return written.error();
    tree.m_buildSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return tree;
}

Result<void> SyntheticTree::buildWide(const BenchOptions& options)
{
    std::mt19937_64 random(options.seed);
    const PatternMatcher rules(allRules());
    const std::string top = m_base + "/tree";
    if (mkdir(top.c_str(), 0755) != 0)
        return failure(top);
    const int rootFd = open(top.c_str(), kFolderFlags);
    if (rootFd < 0)
        return failure(top);

    // Each folder hangs below a folder made before it, chosen at random: depths and fan-outs then vary as
    // in real trees (a few wide folders near the top, most folders some ten levels down).
    std::vector<std::string> paths{"."};
    paths.reserve(options.folders);
    char name[256];
    for (std::size_t i = 0; i < options.folders; ++i) {
        if (i > 0) {
            const std::string& parent = paths[random() % i];
            const char* word = kWords[random() % kWords.size()];
            std::snprintf(name, sizeof name, "%s%s_%zu", random() % 20 == 0 ? "." : "", word, i);
            paths.push_back(parent + "/" + name);
            if (mkdirat(rootFd, paths.back().c_str(), 0755) != 0)
                return failure(top + "/" + paths.back());
        }
        const int folderFd = openat(rootFd, paths[i].c_str(), kFolderFlags);
        if (folderFd < 0)
            return failure(top + "/" + paths[i]);
        const std::size_t count =
            options.files * (i + 1) / options.folders - options.files * i / options.folders;
        const Result<void> filled = fillFolder(folderFd, count, random, options.matchPercent / 100.0, rules);
        if (!filled) {
            close(folderFd);
            Error error = filled.error();
            error.path = top + "/" + paths[i] + "/" + error.path;
            return error;
        }
        close(folderFd);
        ++m_folders;
    }
    close(rootFd);
    return {};
}

Result<void> SyntheticTree::fillFolder(int folderFd, std::size_t count, std::mt19937_64& random,
                                       double matchShare, const PatternMatcher& rules)
{
    std::uniform_real_distribution<double> share(0.0, 1.0);
    char name[256];
    for (std::size_t j = 0; j < count; ++j) {
        char stem[96];
        std::snprintf(stem, sizeof stem, "%s%zu", kWords[random() % kWords.size()], j);
        const bool rubbish = share(random) < matchShare;
        if (rubbish) {
            std::string pattern = kRubbish[random() % kRubbish.size()];
            pattern.replace(pattern.find("%s"), 2, stem);
            std::snprintf(name, sizeof name, "%s", pattern.c_str());
        } else {
            std::snprintf(name, sizeof name, "%s%s", stem, kExtensions[random() % kExtensions.size()]);
        }
        const int fd = openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return failure(name);
        const bool sized = !rubbish || ftruncate(fd, static_cast<off_t>(random() % 300'000)) == 0;
        const int code = errno;
        close(fd);
        if (!sized)
            return systemError(code, name);
        ++m_files;
        if (rules.matches(name))
            ++m_matching;
    }
    return {};
}

Result<void> SyntheticTree::buildDeep(const BenchOptions& options)
{
    const std::string top = m_base + "/tree";
    if (mkdir(top.c_str(), 0755) != 0)
        return failure(top);
    int fd = open(top.c_str(), kFolderFlags);
    m_folders = 1;
    for (std::size_t level = 1; level <= options.deep && fd >= 0; ++level) {
        if (mkdirat(fd, "d", 0755) != 0)
            break;
        const int next = openat(fd, "d", kFolderFlags);
        close(fd);
        fd = next;
        ++m_folders;
        if (fd >= 0 && level % kDeepFileEvery == 0) {
            const int file = openat(fd, "x.tmp", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (file >= 0)
                close(file);
            ++m_files;
            ++m_matching;
        }
    }
    if (fd < 0 || m_folders != options.deep + 1) {
        const int code = errno;
        if (fd >= 0)
            close(fd);
        return systemError(code, top);
    }
    close(fd);
    return {};
}

Result<void> SyntheticTree::writeManifest() const
{
    std::ofstream out(manifestPath(m_base));
    out << m_folders << ' ' << m_files << ' ' << m_matching << '\n';
    if (!out.flush())
        return Error{EIO, "cannot write the manifest", manifestPath(m_base)};
    return {};
}

void SyntheticTree::beginChanges()
{
    unlink(manifestPath(m_base).c_str());
    m_changing = true;
}

void SyntheticTree::restoreFile(const std::string& path, std::int64_t size)
{
    if (m_deep != 0)
        return;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0)
        m_restoreFailed = true;
    if (fd >= 0)
        close(fd);
}

bool SyntheticTree::refillDeep() const
{
    int fd = open((m_base + "/tree").c_str(), kFolderFlags);
    for (std::size_t level = 1; level <= m_deep && fd >= 0; ++level) {
        const int next = openat(fd, "d", kFolderFlags);
        close(fd);
        fd = next;
        if (fd >= 0 && level % kDeepFileEvery == 0) {
            const int file = openat(fd, "x.tmp", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (file < 0) {
                close(fd);
                return false;
            }
            close(file);
        }
    }
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

void SyntheticTree::finishRestore()
{
    if (m_deep != 0 && !refillDeep())
        m_restoreFailed = true;
    if (m_restoreFailed) {
        std::fprintf(stderr, "some deleted files could not be put back: the tree will be built again\n");
        unlink(manifestPath(m_base).c_str());
    } else if (m_changing && !writeManifest()) {
        std::fprintf(stderr, "cannot write the manifest again: the tree will be built again\n");
    }
    m_changing = false;
}

} // namespace dustrel::bench
