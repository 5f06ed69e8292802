#pragma once

#include "platform/Result.h"
#include "platform/UniqueFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dustrel {

class FileSystem;

// The events log of one deletion: a text file written line by line through one buffered stream, every
// line ended by CR LF. The first failure of a write is kept and reported by close(), so a full disk
// turns into one report rather than a log that silently stops.
//
// The log has a size limit: anyone who can write in a searched folder decides how many and how long the
// paths are, and a log that grows with them could fill the disk of an unattended run. Past the limit one
// line says the log was cut, and only summary lines are written after it.
class EventsLog
{
public:
    static constexpr std::uint64_t kDefaultLimit = 64ull * 1024 * 1024;

    // Creates the file, or empties it when it exists.
    static Result<EventsLog> create(FileSystem& fileSystem, const std::string& path,
                                    std::uint64_t limit = kDefaultLimit);

    // A line of the program's own text.
    void line(std::string_view text);
    // A line that shows a path or another text from outside the program: its control characters are
    // written escaped, so a file name cannot start a line of its own.
    void pathLine(std::string_view prefix, std::string_view path);
    // A line written even past the limit, so that the log always ends with the outcome of the run.
    void summaryLine(std::string_view text);
    // Flushes and closes; the first error of any write, flush or the close itself.
    Result<void> close();

    const std::string& path() const { return m_path; }

private:
    EventsLog(std::string path, UniqueFile file, std::uint64_t limit);
    void write(std::string_view bytes);
    void writeLine(std::string_view text);

    std::string m_path;
    // Before the stream, so it outlives the stream's final flush.
    std::unique_ptr<char[]> m_buffer;
    UniqueFile m_file;
    int m_error = 0;
    std::uint64_t m_limit;
    std::uint64_t m_written = 0;
    bool m_cut = false;
    std::string m_escaped; // reused, so that a line per row allocates nothing once it has grown
};

} // namespace dustrel
