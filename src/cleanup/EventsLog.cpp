#include "cleanup/EventsLog.h"

#include "base/Text.h"
#include "platform/FileSystem.h"

#include <cerrno>

namespace dustrel {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

} // namespace

Result<EventsLog> EventsLog::create(FileSystem& fileSystem, const std::string& path, std::uint64_t limit)
{
    Result<UniqueFile> file = fileSystem.createFile(path);
    if (!file)
        return file.error();
    return EventsLog(path, std::move(*file), limit);
}

EventsLog::EventsLog(std::string path, UniqueFile file, std::uint64_t limit)
    : m_path(std::move(path)), m_buffer(std::make_unique<char[]>(kBufferSize)), m_file(std::move(file)),
      m_limit(limit)
{
    // One large buffer: a log of a million rows is written in a few hundred system calls.
    std::setvbuf(m_file.get(), m_buffer.get(), _IOFBF, kBufferSize);
}

void EventsLog::write(std::string_view bytes)
{
    if (m_error != 0 || !m_file)
        return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size())
        m_error = errno != 0 ? errno : EIO;
}

void EventsLog::writeLine(std::string_view text)
{
    write(text);
    write("\r\n");
    m_written += text.size() + 2;
}

void EventsLog::line(std::string_view text)
{
    if (m_cut)
        return;
    if (m_written + text.size() + 2 > m_limit) {
        m_cut = true;
        writeLine("*** The events log is cut here: it reached its size limit of " + std::to_string(m_limit) +
                  " bytes. The deletion went on. ***");
        return;
    }
    writeLine(text);
}

void EventsLog::pathLine(std::string_view prefix, std::string_view path)
{
    if (m_cut)
        return;
    m_escaped.assign(prefix);
    appendEscaped(m_escaped, path);
    line(m_escaped);
}

void EventsLog::summaryLine(std::string_view text)
{
    writeLine(text);
}

Result<void> EventsLog::close()
{
    if (!m_file)
        return {};
    errno = 0;
    if (std::fflush(m_file.get()) != 0 && m_error == 0)
        m_error = errno != 0 ? errno : EIO;
    errno = 0;
    const int closed = std::fclose(m_file.release());
    if (closed != 0 && m_error == 0)
        m_error = errno != 0 ? errno : EIO;
    if (m_error != 0)
        return systemError(m_error, m_path);
    return {};
}

} // namespace dustrel
