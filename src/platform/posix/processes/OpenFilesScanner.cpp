#include "platform/posix/processes/OpenFilesScanner.h"

#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/processes/ChildProcess.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace dustrel::posix {

namespace {

// What the child writes, one file at a time; a record with kFailed as its device is a failure whose
// errno is in the inode's place.
struct Record
{
    std::uint64_t device;
    std::uint64_t inode;
};
constexpr std::uint64_t kFailed = ~std::uint64_t{0};
constexpr std::size_t kOutputLimit = std::size_t{256} << 20;

bool isNumber(const char* name)
{
    if (*name == '\0')
        return false;
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}

// A process that ended while it was read, or one this user may not inspect: passed over. Any other
// failure (out of descriptors or memory) leaves its open files unknown.
bool passedOver(int code)
{
    return code == ENOENT || code == ESRCH || code == EACCES || code == EPERM;
}

// The pass itself, in the child: system calls only, records gathered on the stack.
class ChildPass
{
public:
    ChildPass(int out, OpenFilesScanner::StatAt statAt) : m_out(out), m_statAt(statAt) {}

    // Every numbered entry of the folder `fd` (which it closes) to `each`; false when it could not be read.
    template <typename Each> bool forEachNumbered(int fd, Each&& each)
    {
        alignas(dirent64) char entries[16 * 1024];
        ssize_t got = 0;
        while ((got = ::getdents64(fd, entries, sizeof entries)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
                at += entry->d_reclen;
                if (isNumber(entry->d_name))
                    each(fd, entry->d_name);
            }
        }
        const int code = got < 0 ? errno : 0;
        ::close(fd);
        errno = code;
        return got == 0;
    }

    void process(int proc, const char* pid)
    {
        const int process = ::openat(proc, pid, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int fds = process < 0 ? -1 : ::openat(process, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int code = errno;
        if (process >= 0)
            ::close(process);
        if (fds < 0) {
            if (!passedOver(code))
                add(Record{kFailed, static_cast<std::uint64_t>(code)});
            return;
        }
        // Following the link reaches the open file itself, even when its name was deleted or replaced;
        // stat never opens it, so FIFOs and devices cost nothing. A descriptor closed meanwhile holds
        // nothing.
        const bool read = forEachNumbered(fds, [&](int folder, const char* name) {
            struct stat st
            {
            };
            if (m_statAt(folder, name, &st, 0) == 0 && S_ISREG(st.st_mode))
                add(Record{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
        });
        if (!read && !passedOver(errno))
            add(Record{kFailed, static_cast<std::uint64_t>(errno)});
    }

    void add(Record record)
    {
        if (m_count == std::size(m_records))
            flush();
        m_records[m_count++] = record;
    }

    bool flush()
    {
        const std::size_t count = std::exchange(m_count, 0);
        return ChildProcess::writeAnswer(m_out, m_records, count * sizeof(Record));
    }

private:
    int m_out;
    OpenFilesScanner::StatAt m_statAt;
    Record m_records[512];
    std::size_t m_count = 0;
};

int runPass(int out, const char* procRoot, OpenFilesScanner::StatAt statAt)
{
    ChildPass pass(out, statAt);
    const int proc = ::open(procRoot, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) {
        pass.add(Record{kFailed, static_cast<std::uint64_t>(errno)});
    } else {
        const int listed = ::dup(proc);
        const bool read = listed >= 0 && pass.forEachNumbered(
                                             listed, [&](int, const char* pid) { pass.process(proc, pid); });
        if (!read)
            pass.add(Record{kFailed, static_cast<std::uint64_t>(errno)});
        ::close(proc);
    }
    return pass.flush() ? 0 : 1;
}

} // namespace

OpenFiles OpenFilesScanner::scan() const
{
    OpenFiles files;
    const char* const procRoot = m_procRoot.c_str();
    const StatAt statAt = m_statAt;
    Result<ChildProcess> child =
        ChildProcess::fork([procRoot, statAt](int out) { return runPass(out, procRoot, statAt); });
    if (!child) {
        files.markIncomplete(child.error().message);
        return files;
    }
    std::string partial;
    const Result<void> finished = child->finish({m_limit, kOutputLimit}, [&](std::string_view piece) {
        partial.append(piece);
        const std::size_t whole = partial.size() / sizeof(Record) * sizeof(Record);
        for (std::size_t at = 0; at < whole; at += sizeof(Record)) {
            Record record{};
            std::memcpy(&record, partial.data() + at, sizeof record);
            if (record.device == kFailed)
                files.markIncomplete(m_procRoot + ": " + std::strerror(static_cast<int>(record.inode)));
            else
                files.add(record.device, record.inode);
        }
        partial.erase(0, whole);
        return Result<void>();
    });
    if (!finished)
        files.markIncomplete(finished.error().message);
    return files;
}

} // namespace dustrel::posix
