#include "platform/posix/settings/FileRegistry.h"

#include "base/Text.h"
#include "platform/posix/io/DescriptorIo.h"
#include "platform/posix/io/DirStream.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/settings/RegValueBytes.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dustrel::posix {

namespace {

// A key path that a file can hold: levels separated by single "\" and no control characters, which
// could not be written on a key line. The empty path is the root itself.
bool isValidKeyPath(std::string_view keyPath)
{
    if (keyPath.empty())
        return true;
    if (keyPath.front() == '\\' || keyPath.back() == '\\' || keyPath.find("\\\\") != std::string_view::npos)
        return false;
    for (const char c : keyPath) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

std::string fullKeyPath(RegistryRoot root, std::string_view keyPath)
{
    std::string path(registryRootName(root));
    if (!keyPath.empty()) {
        path += '\\';
        path += keyPath;
    }
    return path;
}

// Sets a value; `createMissing` makes the key first when it is not there (the root always is, and a
// batch that was told "written" keeps its word even if the key went away in the meantime).
RegFile::Change setIn(RegFile& document, const std::string& keyPath, std::string_view name,
                      std::string_view data, bool createMissing)
{
    RegFile::Change keyChange = RegFile::Change::Unchanged;
    if (createMissing)
        keyChange = document.createKey(keyPath);
    const RegFile::Change change = document.setString(keyPath, name, data);
    return keyChange == RegFile::Change::Changed ? RegFile::Change::Changed : change;
}

// Holds the folder's lock file locked for the life of the object.
Result<UniqueFd> lockFolder(const std::string& folder)
{
    const std::string path = folder + "/.lock";
    // Without blocking, and only a regular file: opening a FIFO planted under this name would wait for a
    // writer forever.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644));
    if (!fd)
        return systemError(errno, path);
    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0)
        return systemError(errno, path);
    if (!S_ISREG(st.st_mode))
        return Error{EINVAL, "the lock file is not a regular file", path};
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return systemError(errno, path);
    }
    return fd;
}

// Temporary files live only while their writer holds the lock, so one found by the lock's holder was
// left by a crash.
void removeStaleTemporaries(const std::string& folder, std::string_view fileName)
{
    const std::string prefix = "." + std::string(fileName) + ".";
    const DirStream dir(::opendir(folder.c_str()));
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix))
            (void)::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
    }
}

// Where a settings file is replaced: the file, its folder and its name.
struct ReplacedFile
{
    std::string target;
    std::string folder;
    std::string fileName;
};

// A settings file that is a link (kept with other dotfiles, say) is replaced where it points, so the link
// stays and goes on pointing at the saved choices.
ReplacedFile replacedFile(const std::string& path, const std::string& folder, std::string fileName)
{
    ReplacedFile place{path, folder, std::move(fileName)};
    if (struct stat link = {}; ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (auto resolved = realPath(path)) {
            place.target = std::move(*resolved);
            const std::size_t slash = place.target.rfind('/');
            place.folder = slash == 0 ? "/" : place.target.substr(0, slash);
            place.fileName = place.target.substr(slash + 1);
        }
    }
    return place;
}

std::string localTimestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    char text[32] = "unknown-time";
    if (::localtime_r(&now, &parts) != nullptr)
        std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &parts);
    return text;
}

} // namespace

bool FileRegistry::Stamp::operator==(const Stamp& other) const
{
    if (present != other.present)
        return false;
    if (!present)
        return true;
    return device == other.device && inode == other.inode && size == other.size && mode == other.mode &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

FileRegistry::Stamp FileRegistry::stampOf(const struct stat& st)
{
    Stamp stamp;
    stamp.present = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mode = st.st_mode;
    stamp.modified = st.st_mtim;
    stamp.changed = st.st_ctim;
    return stamp;
}

FileRegistry::FileRegistry(std::string folder) : m_folder(withoutTrailingSeparatorsKeepingRoot(folder, '/'))
{}

std::string FileRegistry::filePath(RegistryRoot root) const
{
    return m_folder + "/" + std::string(registryRootName(root)) + ".reg";
}

std::size_t FileRegistry::index(RegistryRoot root)
{
    return root == RegistryRoot::LocalMachine ? 0 : 1;
}

// Brings the cached document up to date with the file. Reads trust the file's stamp; a write, under the
// lock, reads the bytes again whatever the stamp says, since a file system with coarse times can show
// the same stamp for two versions, but parses them only when they differ from the cached ones.
FileRegistry::Cache& FileRegistry::refresh(RegistryRoot root, bool forWrite)
{
    Cache& cache = m_cache[index(root)];
    const std::string path = filePath(root);
    struct stat st = {};
    Stamp seen;
    if (::stat(path.c_str(), &st) == 0) {
        seen = stampOf(st);
    } else if (errno != ENOENT && errno != ENOTDIR) {
        // The file cannot be looked at (no access to the folder): nothing to read, and nothing a write
        // could safely replace.
        cache = Cache{};
        return cache;
    }
    if (!forWrite && cache.valid && cache.stamp == seen)
        return cache;
    load(cache, path, seen);
    return cache;
}

void FileRegistry::load(Cache& cache, const std::string& path, const Stamp& seen)
{
    Cache previous = std::exchange(cache, Cache{});
    cache.valid = true;
    if (!seen.present)
        return;
    // Non-blocking, so that a FIFO put in the file's place cannot hang the program.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT)
            return;
        cache.stamp = seen;
        cache.unreadable = true;
        return;
    }
    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0) {
        cache.valid = false;
        return;
    }
    // The stamp is taken before reading, so a change made while reading shows at the next call.
    cache.stamp = stampOf(st);
    cache.unreadable = true;
    if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > RegFile::kMaxFileSize)
        return;
    auto bytes = readToEnd(fd.get(), RegFile::kMaxFileSize, path);
    if (!bytes)
        return;
    cache.contentHash = std::hash<std::string>{}(*bytes);
    if (previous.valid && !previous.unreadable && previous.stamp.present &&
        previous.contentHash == cache.contentHash) {
        cache.document = std::move(previous.document);
        cache.unreadable = false;
        return;
    }
    auto parsed = RegFile::parse(*bytes);
    if (!parsed)
        return;
    cache.document = std::move(parsed).value();
    cache.unreadable = false;
}

// What a batch compares at commit to know whether the file changed since it took its copy.
std::optional<FileRegistry::Version> FileRegistry::versionOf(const Cache& cache)
{
    if (!cache.valid || cache.unreadable)
        return std::nullopt;
    return Version{cache.stamp.present, cache.contentHash};
}

const RegFile& FileRegistry::readDocument(RegistryRoot root)
{
    if (m_inBatch && m_batch[index(root)].started)
        return m_batch[index(root)].document;
    return refresh(root).document;
}

bool FileRegistry::keyExists(RegistryRoot root, std::string_view keyPath)
{
    if (!isValidKeyPath(keyPath))
        return false;
    if (keyPath.empty())
        return true;
    return readDocument(root).keyExists(fullKeyPath(root, keyPath));
}

std::optional<std::string> FileRegistry::queryValue(RegistryRoot root, std::string_view keyPath,
                                                    std::string_view valueName, std::size_t capacity)
{
    if (!isValidKeyPath(keyPath))
        return std::nullopt;
    const RegFile::Value* value = readDocument(root).findValue(fullKeyPath(root, keyPath), valueName);
    if (value == nullptr)
        return std::nullopt;
    // The type is not looked at: a number or binary value reads as the bytes it holds.
    std::optional<std::string> bytes = value->isString ? value->data : regValueBytes(value->data);
    if (bytes && bytes->size() > capacity)
        return std::nullopt;
    return bytes;
}

std::optional<std::uint32_t> FileRegistry::queryNumber(RegistryRoot root, std::string_view keyPath,
                                                       std::string_view valueName)
{
    if (!isValidKeyPath(keyPath))
        return std::nullopt;
    const RegFile::Value* value = readDocument(root).findValue(fullKeyPath(root, keyPath), valueName);
    if (value == nullptr || value->isString)
        return std::nullopt;
    // "dword:" and exactly eight hexadecimal digits, as exports write a 32-bit number.
    const std::string_view data = value->data;
    constexpr std::string_view kPrefix = "dword:";
    constexpr std::size_t kDigits = 8;
    if (data.size() != kPrefix.size() + kDigits || !startsWithIgnoreCase(data, kPrefix))
        return std::nullopt;
    const long number = hexValue(data, kPrefix.size(), kDigits);
    if (number < 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

RegistryWrite FileRegistry::setValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                                     std::string_view data)
{
    if (!isValidKeyPath(keyPath))
        return RegistryWrite::KeyMissing;
    const std::string path = fullKeyPath(root, keyPath);
    const bool isRoot = keyPath.empty();
    if (m_inBatch) {
        BatchRoot& batch = batchRoot(root);
        const RegFile::Change change = setIn(batch.document, path, valueName, data, isRoot);
        if (change == RegFile::Change::KeyMissing)
            return RegistryWrite::KeyMissing;
        batch.changed = batch.changed || change == RegFile::Change::Changed;
        batch.pending.push_back(Pending{false, path, std::string(valueName), std::string(data)});
        return RegistryWrite::Written;
    }
    // A missing key is told without taking the lock, which would create the folder.
    if (!isRoot && !refresh(root).document.keyExists(path))
        return RegistryWrite::KeyMissing;
    auto result =
        editLocked(root, [&](RegFile& document) { return setIn(document, path, valueName, data, isRoot); });
    if (!result)
        return RegistryWrite::Failed;
    return *result == RegFile::Change::KeyMissing ? RegistryWrite::KeyMissing : RegistryWrite::Written;
}

Result<void> FileRegistry::createKey(RegistryRoot root, std::string_view keyPath)
{
    if (!isValidKeyPath(keyPath) || keyPath.empty())
        return Error{EINVAL, "not a key path a settings file can hold", std::string(keyPath)};
    const std::string path = fullKeyPath(root, keyPath);
    if (m_inBatch) {
        BatchRoot& batch = batchRoot(root);
        batch.changed = batch.document.createKey(path) == RegFile::Change::Changed || batch.changed;
        batch.pending.push_back(Pending{true, path, {}, {}});
        return {};
    }
    if (refresh(root).document.keyExists(path))
        return {};
    if (auto edited = editLocked(root, [&](RegFile& document) { return document.createKey(path); }); !edited)
        return edited.error();
    return {};
}

void FileRegistry::beginBatch()
{
    m_inBatch = true;
}

FileRegistry::BatchRoot& FileRegistry::batchRoot(RegistryRoot root)
{
    BatchRoot& batch = m_batch[index(root)];
    if (!batch.started) {
        const Cache& cache = refresh(root);
        batch.started = true;
        batch.document = cache.document;
        batch.base = versionOf(cache);
    }
    return batch;
}

void FileRegistry::abandonBatch()
{
    m_inBatch = false;
    m_batch = {};
}

Result<void> FileRegistry::commitBatch()
{
    if (!m_inBatch)
        return {};
    m_inBatch = false;
    std::array<BatchRoot, 2> batches = std::exchange(m_batch, {});
    Result<void> outcome;
    for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        BatchRoot& batch = batches[index(root)];
        if (batch.pending.empty())
            continue;
        if (auto result = commitRoot(root, batch); !result && outcome)
            outcome = result;
    }
    return outcome;
}

Result<void> FileRegistry::commitRoot(RegistryRoot root, BatchRoot& batch)
{
    auto result = editLocked(root, [&](RegFile& document) {
        const auto now = versionOf(m_cache[index(root)]);
        if (batch.base && now && now->present == batch.base->present &&
            now->contentHash == batch.base->contentHash) {
            // Nobody wrote the file since the copy was taken: the copy is the result.
            if (!batch.changed)
                return RegFile::Change::Unchanged;
            document = std::move(batch.document);
            return RegFile::Change::Changed;
        }
        // The file changed under the batch: play its writes again on what is there now.
        bool changed = false;
        for (const Pending& pending : batch.pending) {
            const RegFile::Change change =
                pending.isCreateKey ? document.createKey(pending.keyPath)
                                    : setIn(document, pending.keyPath, pending.name, pending.data, true);
            changed = changed || change == RegFile::Change::Changed;
        }
        return changed ? RegFile::Change::Changed : RegFile::Change::Unchanged;
    });
    if (!result)
        return result.error();
    return {};
}

// One locked read-modify-replace of a root's file. The edit works on the cached document; when the
// replacement fails the cache is dropped so the next read sees the file as it is.
Result<RegFile::Change> FileRegistry::editLocked(RegistryRoot root, const Edit& edit)
{
    if (auto made = makeFolder(); !made)
        return made.error();
    auto lock = lockFolder(m_folder);
    if (!lock)
        return lock.error();
    Cache& cache = refresh(root, true);
    if (!cache.valid)
        return Error{EACCES, "cannot look at the settings file", filePath(root)};
    const RegFile::Change change = edit(cache.document);
    if (change != RegFile::Change::Changed)
        return change;
    if (auto replaced = replaceFile(root, cache); !replaced) {
        cache = Cache{};
        return replaced.error();
    }
    return change;
}

Result<void> FileRegistry::makeFolder() const
{
    struct stat st = {};
    if (::stat(m_folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return {};
    // Every missing level is made private, as the base-directory rules ask of the configuration home.
    for (std::size_t slash = m_folder.find('/', 1);; slash = m_folder.find('/', slash + 1)) {
        const std::string level = m_folder.substr(0, slash);
        if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return systemError(errno, level);
        if (slash == std::string::npos)
            break;
    }
    return {};
}

// Keeps a file that cannot be parsed under a name of its own before it is replaced. A hard link keeps
// the store file in place until the rename; where links are not possible the file is renamed.
Result<void> FileRegistry::keepUnreadable(const std::string& path) const
{
    const std::string stem = path + ".corrupt-" + localTimestamp();
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::string name = attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
        if (::link(path.c_str(), name.c_str()) == 0)
            return {};
        if (errno == EEXIST)
            continue;
        if (errno == ENOENT)
            return {}; // gone already: nothing left to keep
        struct stat st = {};
        if (::lstat(name.c_str(), &st) == 0)
            continue;
        if (::rename(path.c_str(), name.c_str()) == 0)
            return {};
        return systemError(errno, path);
    }
    return Error{EEXIST, "no free name to keep the unreadable settings file under", path};
}

Result<void> FileRegistry::replaceFile(RegistryRoot root, Cache& cache) const
{
    const std::string path = filePath(root);
    const std::string text = cache.document.serialize();
    const std::size_t contentHash = std::hash<std::string>{}(text);

    const auto [target, folder, fileName] =
        replacedFile(path, m_folder, std::string(registryRootName(root)) + ".reg");
    // Only the own folder is guarded by the lock, so only there can a temporary be known to be stale.
    if (folder == m_folder)
        removeStaleTemporaries(m_folder, fileName);
    std::string temporary = (folder == "/" ? "" : folder) + "/." + fileName + ".XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd)
        return systemError(errno, temporary);
    auto fail = [&](int code) -> Result<void> {
        ::unlink(temporary.c_str());
        return systemError(code, temporary);
    };
    if (cache.stamp.present && !cache.unreadable && ::fchmod(fd.get(), cache.stamp.mode & 0777) != 0)
        return fail(errno);
    if (auto written = writeAll(fd.get(), text, temporary); !written) {
        ::unlink(temporary.c_str());
        return written.error();
    }
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    // Kept only now, so that a write that fails before this point leaves no copies behind.
    if (cache.unreadable && cache.stamp.present) {
        if (auto kept = keepUnreadable(target); !kept) {
            ::unlink(temporary.c_str());
            return kept.error();
        }
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail(errno);
    // The rename itself lasts only once the folder is synced; some file systems cannot sync a folder.
    if (UniqueFd synced(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); synced)
        (void)::fsync(synced.get());

    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0) {
        cache.valid = false;
        return {};
    }
    cache.valid = true;
    cache.unreadable = false;
    cache.stamp = stampOf(st);
    cache.contentHash = contentHash;
    return {};
}

} // namespace dustrel::posix
