#include "cleanup/EventsLog.h"

#include "platform/FileSystem.h"

#include <cerrno>

namespace dustrel {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

} // namespace

Result<EventsLog> EventsLog::create(FileSystem& fileSystem, const std::string& path)
{
    Result<std::FILE*> file = fileSystem.createFile(path);
    if (!file)
        return file.error();
    return EventsLog(path, *file);
}

EventsLog::EventsLog(std::string path, std::FILE* file)
    : m_path(std::move(path)), m_buffer(std::make_unique<char[]>(kBufferSize)), m_file(file)
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

void EventsLog::line(std::string_view text)
{
    write(text);
    write("\r\n");
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
