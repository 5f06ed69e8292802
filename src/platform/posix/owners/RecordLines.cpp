#include "platform/posix/owners/RecordLines.h"

#include "platform/posix/io/UniqueFd.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {

namespace {

Error tooLong(std::size_t longestLine)
{
    return Error{EOVERFLOW, "a line longer than " + std::to_string(longestLine) + " bytes", ""};
}

Error tooMuch(const RecordLimits& limits, const char* name)
{
    return Error{EFBIG, "more than " + std::to_string(limits.databaseBytes) + " bytes of records", name};
}

} // namespace

Result<void> LineStream::feed(std::string_view piece, const LineSink& line)
{
    while (!piece.empty()) {
        const std::size_t end = piece.find('\n');
        const std::string_view part = piece.substr(0, end);
        if (m_pending.size() + part.size() > m_longestLine)
            return tooLong(m_longestLine);
        if (end == std::string_view::npos) {
            m_pending.append(part);
            return {};
        }
        if (m_pending.empty()) {
            line(part);
        } else {
            m_pending.append(part);
            line(m_pending);
            m_pending.clear();
        }
        piece.remove_prefix(end + 1);
    }
    return {};
}

Result<void> LineStream::finish(const LineSink& line)
{
    if (!m_pending.empty())
        line(m_pending);
    m_pending.clear();
    return {};
}

Result<void> readFileLines(int at, const char* name, const RecordLimits& limits, std::size_t& budget,
                           const LineSink& line)
{
    // Not blocking: a FIFO put in place of a record would otherwise wait for a writer.
    const UniqueFd fd(openat(at, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd)
        return systemError(errno, name);
    struct stat st
    {
    };
    if (fstat(fd.get(), &st) != 0)
        return systemError(errno, name);
    if (!S_ISREG(st.st_mode))
        return Error{EINVAL, "not a regular file", name};
    if (static_cast<std::uint64_t>(st.st_size) > budget)
        return tooMuch(limits, name);
    LineStream lines(limits.longestLine);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemError(errno, name);
        if (got == 0)
            break;
        // The file may grow while it is read.
        if (static_cast<std::size_t>(got) > budget)
            return tooMuch(limits, name);
        budget -= static_cast<std::size_t>(got);
        if (Result<void> fed = lines.feed(std::string_view(buffer, static_cast<std::size_t>(got)), line);
            !fed)
            return Error{fed.error().code, fed.error().message, name};
    }
    return lines.finish(line);
}

} // namespace dustrel::posix
