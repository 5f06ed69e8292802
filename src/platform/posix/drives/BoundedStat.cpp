#include "platform/posix/drives/BoundedStat.h"

#include "platform/posix/processes/ChildProcess.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace dustrel::posix {

namespace {

// One answer of the child, in the order of the paths.
struct StatRecord
{
    int error;
    struct stat st;
};

// The path of the file `fd` names, from the system's own record of it: system calls only, where
// realpath would allocate.
ssize_t pathOfDescriptor(int fd, char* into, std::size_t size)
{
    char link[32] = "/proc/self/fd/";
    char digits[12];
    std::size_t count = 0;
    for (unsigned n = static_cast<unsigned>(fd); count == 0 || n != 0; n /= 10)
        digits[count++] = static_cast<char>('0' + n % 10);
    std::size_t at = std::strlen(link);
    while (count > 0)
        link[at++] = digits[--count];
    link[at] = '\0';
    return ::readlink(link, into, size);
}

} // namespace

std::vector<Result<struct stat>> boundedStat(const std::vector<std::string>& paths, bool followLinks,
                                             std::chrono::milliseconds limit)
{
    std::vector<Result<struct stat>> answers;
    if (paths.empty())
        return answers;
    Result<ChildProcess> child = ChildProcess::fork([&paths, followLinks](int out) {
        for (const std::string& path : paths) {
            StatRecord record{};
            const int flags = followLinks ? 0 : AT_SYMLINK_NOFOLLOW;
            record.error = ::fstatat(AT_FDCWD, path.c_str(), &record.st, flags) == 0 ? 0 : errno;
            if (!ChildProcess::writeAnswer(out, &record, sizeof record))
                return 1;
        }
        return 0;
    });
    std::string partial;
    Result<void> finished = child ? Result<void>() : Result<void>(child.error());
    if (child) {
        finished = child->finish({limit, paths.size() * sizeof(StatRecord)}, [&](std::string_view piece) {
            partial.append(piece);
            std::size_t at = 0;
            for (; partial.size() - at >= sizeof(StatRecord); at += sizeof(StatRecord)) {
                StatRecord record{};
                std::memcpy(&record, partial.data() + at, sizeof record);
                const std::string& path = paths[answers.size()];
                answers.push_back(record.error == 0 ? Result<struct stat>(record.st)
                                                    : Result<struct stat>(systemError(record.error, path)));
            }
            partial.erase(0, at);
            return Result<void>();
        });
    }
    while (answers.size() < paths.size()) {
        const Error& why = finished ? Error{EIO, "no answer", ""} : finished.error();
        answers.push_back(Error{why.code, why.message, paths[answers.size()]});
    }
    return answers;
}

Result<std::string> boundedRealPath(const std::string& path, std::chrono::milliseconds limit)
{
    Result<ChildProcess> child = ChildProcess::fork([&path](int out) {
        char resolved[PATH_MAX];
        const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
        ssize_t length = fd < 0 ? -1 : pathOfDescriptor(fd, resolved, sizeof resolved);
        // Without /proc, the library's own resolution, which works within the buffer for most paths.
        if (fd >= 0 && length < 0 && ::realpath(path.c_str(), resolved) != nullptr)
            length = static_cast<ssize_t>(std::strlen(resolved));
        const int error = length < 0 ? errno : 0;
        if (length < 0)
            return ChildProcess::writeAnswer(out, &error, sizeof error) ? 1 : 2;
        return ChildProcess::writeAnswer(out, resolved, static_cast<std::size_t>(length)) ? 0 : 2;
    });
    if (!child)
        return Error{child.error().code, child.error().message, path};
    std::string answer;
    const Result<void> finished = child->finish({limit, PATH_MAX}, [&](std::string_view piece) {
        answer.append(piece);
        return Result<void>();
    });
    if (finished && !answer.empty() && answer.front() == '/')
        return answer;
    int error = EIO;
    if (answer.size() == sizeof error)
        std::memcpy(&error, answer.data(), sizeof error);
    if (!finished && finished.error().code == ETIMEDOUT)
        return Error{ETIMEDOUT, finished.error().message, path};
    return systemError(error, path);
}

} // namespace dustrel::posix
