#pragma once

#include "platform/Result.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace dustrel {

class FileSystem;

// The events log of one deletion: a text file written line by line through one buffered stream, every
// line ended by CR LF. The first failure of a write is kept and reported by close(), so a full disk
// turns into one report rather than a log that silently stops.
class EventsLog
{
public:
    // Creates the file, or empties it when it exists.
    static Result<EventsLog> create(FileSystem& fileSystem, const std::string& path);

    void line(std::string_view text);
    // Flushes and closes; the first error of any write, flush or the close itself.
    Result<void> close();

    const std::string& path() const { return m_path; }

private:
    struct Closer
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    EventsLog(std::string path, std::FILE* file);
    void write(std::string_view bytes);

    std::string m_path;
    // Before the stream, so it outlives the stream's final flush.
    std::unique_ptr<char[]> m_buffer;
    std::unique_ptr<std::FILE, Closer> m_file;
    int m_error = 0;
};

} // namespace dustrel
