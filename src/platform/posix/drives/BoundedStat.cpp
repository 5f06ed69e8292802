#include "platform/posix/drives/BoundedStat.h"

#include "platform/posix/processes/ChildProcess.h"

#include <cerrno>
#include <climits>
#include <cstdint>
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

// One answer of the child about a path: the error code, or the length of the resolved path that follows.
struct RealPathHeader
{
    int error;
    std::uint32_t length;
};

// In the child: resolves `path` and writes its answer; false when the pipe closed.
bool writeRealPath(int out, const char* path)
{
    char resolved[PATH_MAX];
    const int fd = ::open(path, O_PATH | O_CLOEXEC);
    ssize_t length = fd < 0 ? -1 : pathOfDescriptor(fd, resolved, sizeof resolved);
    // Without /proc, the library's own resolution, which works within the buffer for most paths.
    if (fd >= 0 && length < 0 && ::realpath(path, resolved) != nullptr)
        length = static_cast<ssize_t>(std::strlen(resolved));
    const RealPathHeader header{length < 0 ? errno : 0, length < 0 ? 0 : static_cast<std::uint32_t>(length)};
    if (fd >= 0)
        ::close(fd);
    return ChildProcess::writeAnswer(out, &header, sizeof header) &&
           ChildProcess::writeAnswer(out, resolved, header.length);
}

// The answers complete in `partial`, taken off its front.
void takeRealPaths(std::string& partial, const std::vector<std::string>& paths,
                   std::vector<Result<std::string>>& answers)
{
    std::size_t at = 0;
    while (answers.size() < paths.size() && partial.size() - at >= sizeof(RealPathHeader)) {
        RealPathHeader header{};
        std::memcpy(&header, partial.data() + at, sizeof header);
        if (partial.size() - at - sizeof header < header.length)
            break;
        const std::string_view resolved(partial.data() + at + sizeof header, header.length);
        at += sizeof header + header.length;
        const std::string& path = paths[answers.size()];
        if (!resolved.empty() && resolved.front() == '/')
            answers.emplace_back(std::string(resolved));
        else
            answers.emplace_back(systemError(header.error != 0 ? header.error : EIO, path));
    }
    partial.erase(0, at);
}

// The paths the child did not answer fail with why it ended, or "no answer" when it ended well.
template <typename Answer>
void answerTheRest(std::vector<Result<Answer>>& answers, const std::vector<std::string>& paths,
                   const Result<void>& finished)
{
    const Error why = finished ? Error{EIO, "no answer", ""} : finished.error();
    while (answers.size() < paths.size())
        answers.push_back(Error{why.code, why.message, paths[answers.size()]});
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
    answerTheRest(answers, paths, finished);
    return answers;
}

Result<std::string> boundedRealPath(const std::string& path, std::chrono::milliseconds limit)
{
    return std::move(boundedRealPaths({path}, limit).front());
}

std::vector<Result<std::string>> boundedRealPaths(const std::vector<std::string>& paths,
                                                  std::chrono::milliseconds limit)
{
    std::vector<Result<std::string>> answers;
    if (paths.empty())
        return answers;
    Result<ChildProcess> child = ChildProcess::fork([&paths](int out) {
        for (const std::string& path : paths) {
            if (!writeRealPath(out, path.c_str()))
                return 1;
        }
        return 0;
    });
    Result<void> finished = child ? Result<void>() : Result<void>(child.error());
    if (child) {
        std::string partial;
        const std::size_t most = paths.size() * (sizeof(RealPathHeader) + PATH_MAX);
        finished = child->finish({limit, most}, [&](std::string_view piece) {
            partial.append(piece);
            takeRealPaths(partial, paths, answers);
            return Result<void>();
        });
    }
    answerTheRest(answers, paths, finished);
    return answers;
}

} // namespace dustrel::posix
