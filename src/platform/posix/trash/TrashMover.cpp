#include "platform/posix/trash/TrashMover.h"

#include "base/Text.h"
#include "platform/posix/io/DescriptorIo.h"
#include "platform/posix/walk/FolderRecords.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {

namespace {

#ifdef O_PATH
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#endif

// Beyond this many files of one name in one trash something else is wrong.
constexpr unsigned kMaxAttempts = 100000;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// A .trashinfo of ours holds a path of at most PATH_MAX bytes, each encoded in three.
constexpr std::size_t kLongestInfo = 3 * PATH_MAX + 64;
// How long a move may take between writing the .trashinfo and renaming the file.
constexpr std::chrono::minutes kOrphanAfter{1};

Error folderError(int code, int parent, const std::string& name, const std::string& path)
{
    struct stat st
    {
    };
    if (fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        return Error{ELOOP, "a symbolic link, never used as a trash", path};
    if (code == ENOTDIR || code == ELOOP)
        return Error{ENOTDIR, "not a folder, so it cannot be a trash", path};
    return systemError(code, path);
}

// The folder `name` of `parent`, made with mode 0700 when it is missing, never through a link.
Result<UniqueFd> ownFolder(int parent, const std::string& name, const std::string& path)
{
    if (mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST)
        return folderError(errno, parent, name, path);
    UniqueFd fd(openat(parent, name.c_str(), kFolderFlags));
    if (!fd)
        return folderError(errno, parent, name, path);
    return fd;
}

// Whether the folder is this user's alone: owned by `uid`, and nobody else may add or remove its
// entries. Another user who could would read, replace or delete what is moved there.
Result<void> onlyFor(int folder, uid_t uid, const std::string& path)
{
    struct stat st
    {
    };
    if (fstat(folder, &st) != 0)
        return systemError(errno, path);
    if (st.st_uid != uid)
        return Error{EPERM, "owned by another user, so it is not this user's trash", path};
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return Error{EPERM, "other users may write to it, so it is not this user's trash alone", path};
    return {};
}

// An absolute folder, one component at a time without following links; with `create`, missing folders
// are made with mode 0700.
Result<UniqueFd> openAbsolute(const std::string& path, bool create)
{
    UniqueFd folder(::open("/", kFolderFlags));
    if (!folder)
        return systemError(errno, "/");
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..")
            return Error{EINVAL, "the path climbs with \"..\"", path};
        const std::string reached = path.substr(0, end);
        UniqueFd next;
        if (create) {
            auto made = ownFolder(folder.get(), name, reached);
            if (!made)
                return made.error();
            next = std::move(*made);
        } else {
            next.reset(openat(folder.get(), name.c_str(), kFolderFlags));
            if (!next)
                return folderError(errno, folder.get(), name, reached);
        }
        folder = std::move(next);
    }
    return folder;
}

bool sameFolder(int a, int b)
{
    struct stat first
    {
    };
    struct stat second
    {
    };
    return fstat(a, &first) == 0 && fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

} // namespace

TrashMover::TrashMover(TrashRules rules) : m_rules(std::move(rules)) {}

Result<UniqueFd> TrashMover::ownPart(int parent, const std::string& name, const std::string& where)
{
    auto part = ownFolder(parent, name, where);
    if (!part)
        return part.error();
    if (auto alone = onlyFor(part->get(), m_rules.uid(), where); !alone)
        return alone.error();
    return part;
}

Result<TrashMover::Trash> TrashMover::ownTrashFolder(int parent, const std::string& name,
                                                     const std::string& where)
{
    auto trash = ownPart(parent, name, where);
    if (!trash)
        return trash.error();
    auto files = ownPart(trash->get(), "files", joinPath(where, "files", '/'));
    if (!files)
        return files.error();
    auto info = ownPart(trash->get(), "info", joinPath(where, "info", '/'));
    if (!info)
        return info.error();
    return Trash{std::move(*files), std::move(*info), where, {}};
}

Result<TrashMover::Trash> TrashMover::openHomeTrash()
{
    const std::string where = m_rules.homeTrash();
    auto home = openAbsolute(m_rules.dataHome(), true);
    if (!home)
        return home.error();
    return ownTrashFolder(home->get(), std::string(TrashRules::kHomeTrash), where);
}

Result<TrashMover::Trash> TrashMover::openSharedTrash(int top, const std::string& topdir)
{
    const std::string sharedName(TrashRules::kSharedTrash);
    const std::string shared = joinPath(topdir, sharedName, '/');
    struct stat st
    {
    };
    if (fstatat(top, sharedName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return systemError(errno, shared);
    if (!S_ISDIR(st.st_mode) || (st.st_mode & S_ISVTX) == 0)
        return Error{EPERM, "not a folder with the sticky bit", shared};
    UniqueFd sharedFd(openat(top, sharedName.c_str(), kFolderFlags));
    if (!sharedFd)
        return folderError(errno, top, sharedName, shared);
    const std::string user = std::to_string(m_rules.uid());
    const std::string where = joinPath(shared, user, '/');
    return ownTrashFolder(sharedFd.get(), user, where);
}

Result<TrashMover::Trash> TrashMover::openOwnTrash(int top, const std::string& topdir)
{
    const std::string name = TrashRules::ownTrashName(m_rules.uid());
    const std::string where = joinPath(topdir, name, '/');
    return ownTrashFolder(top, name, where);
}

Result<TrashMover::Trash> TrashMover::openVolumeTrash(const std::string& topdir)
{
    auto top = openAbsolute(topdir, false);
    if (!top)
        return top.error();
    // The shared trash when it is fit for use, else the user's own.
    if (auto shared = openSharedTrash(top->get(), topdir))
        return shared;
    return openOwnTrash(top->get(), topdir);
}

Result<TrashMover::Trash*> TrashMover::trashFor(const TrashPlace& place, FileTime deletedAt)
{
    if (auto known = m_trashes.find(place.topdir); known != m_trashes.end())
        return &known->second;
    // A trash that cannot be opened is tried again for the next file: it may have been a passing failure.
    auto opened = place.kind == TrashPlace::Kind::Home ? openHomeTrash() : openVolumeTrash(place.topdir);
    if (!opened)
        return opened.error();
    removeOrphans(*opened, deletedAt);
    return &m_trashes.emplace(place.topdir, std::move(*opened)).first->second;
}

void TrashMover::removeOrphans(const Trash& trash, FileTime now)
{
    UniqueFd info(openat(trash.info.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!info)
        return;
    const auto buffer = std::make_unique<char[]>(kFolderBufferSize);
    FolderContents contents;
    if (readFolderRecords(info.get(), buffer.get(), contents) != 0)
        return;
    struct stat st
    {
    };
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const std::string_view name = contents.name(i);
        if (contents.type(i) != EntryType::File || !name.ends_with(kInfoSuffix) ||
            name.size() == kInfoSuffix.size())
            continue;
        const std::string entry(name.substr(0, name.size() - kInfoSuffix.size()));
        if (fstatat(trash.files.get(), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
            continue;
        if (isOwnOrphan(info.get(), contents.cName(i), now))
            unlinkat(info.get(), contents.cName(i), 0);
    }
}

bool TrashMover::isOwnOrphan(int info, const char* name, FileTime now) const
{
    UniqueFd fd(openat(info, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st
    {
    };
    // Only what a move of this program leaves behind: a file of this user alone, with one name.
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != m_rules.uid() ||
        st.st_nlink != 1 || (st.st_mode & 07777) != 0600)
        return false;
    const auto text = readToEnd(fd.get(), kLongestInfo, name);
    if (!text)
        return false;
    const auto date = ownTrashInfoDate(*text);
    // A move still under way, of this run or of another program, is not an orphan yet.
    return date && now - *date > kOrphanAfter;
}

Result<void> TrashMover::refuseTrashFolder(int folder, const Trash& trash, const std::string& path)
{
    // Moved again, a file of the trash would leave its .trashinfo behind without a file.
    if (sameFolder(folder, trash.files.get()) || sameFolder(folder, trash.info.get()))
        return Error{EINVAL, "already in the trash", path};
    return {};
}

Result<bool> TrashMover::writeInfo(const Trash& trash, const std::string& infoName, const std::string& text,
                                   const std::string& path)
{
    UniqueFd infoFd(openat(trash.info.get(), infoName.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!infoFd) {
        if (errno == EEXIST)
            return false;
        return systemError(errno, joinPath(trash.where, "info/" + infoName, '/'));
    }
    Result<void> written = writeAll(infoFd.get(), text, infoName);
    if (written && ::close(infoFd.release()) != 0)
        written = systemError(errno, infoName);
    if (!written) {
        unlinkat(trash.info.get(), infoName.c_str(), 0);
        return Error{written.error().code,
                     "the trash's information could not be written: " + written.error().message, path};
    }
    return true;
}

int TrashMover::renameInto(int folder, const std::string& source, const Trash& trash,
                           const std::string& entry)
{
    if (::renameat2(folder, source.c_str(), trash.files.get(), entry.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    // A file system without the no-replace rename: the name is checked just before, in a folder only this
    // user can write to.
    struct stat st
    {
    };
    if (fstatat(trash.files.get(), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(folder, source.c_str(), trash.files.get(), entry.c_str()) == 0 ? 0 : errno;
}

Result<void> TrashMover::move(int folder, std::string_view name, const std::string& path, FileTime deletedAt)
{
    auto place = m_rules.placeFor(path);
    if (!place)
        return place.error();
    auto found = trashFor(*place, deletedAt);
    if (!found) {
        Error error = found.error();
        error.message = "the trash could not be used: " + error.path + ": " + error.message;
        error.path = path;
        return error;
    }
    Trash& trash = **found;
    if (auto refused = refuseTrashFolder(folder, trash, path); !refused)
        return refused;
    if (m_date.empty() || deletedAt != m_dateTime) {
        m_dateTime = deletedAt;
        m_date = trashDeletionDate(deletedAt);
    }
    const std::string info = trashInfoText(place->pathLine, m_date);
    const std::string source(name);

    const auto knownName = trash.nextAttempt.try_emplace(source, 1u).first;
    for (unsigned attempt = knownName->second; attempt < kMaxAttempts; ++attempt) {
        const std::string entry = trashEntryName(source, attempt);
        const std::string infoName = entry + std::string(kInfoSuffix);
        auto made = writeInfo(trash, infoName, info, path);
        if (!made)
            return made.error();
        if (!*made)
            continue;
        const int code = renameInto(folder, source, trash, entry);
        if (code == 0) {
            knownName->second = attempt + 1;
            return {};
        }
        unlinkat(trash.info.get(), infoName.c_str(), 0);
        if (code == EEXIST)
            continue;
        if (code == EXDEV)
            return Error{EXDEV,
                         "the trash is on another file system, and files are never copied: " + trash.where,
                         path};
        return systemError(code, path);
    }
    return Error{EEXIST, "too many files of this name in the trash: " + trash.where, path};
}

} // namespace dustrel::posix
