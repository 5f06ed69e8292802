#pragma once

#include "platform/Result.h"

#include <climits>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace dustrel::posix {

// How much of a package database's records is read at most. Its records name one path a line; a longer
// line, or more text in all, is no record of installed files (a damaged or hostile file, a query gone
// astray), and the database then counts as unreadable instead of filling the memory.
struct RecordLimits
{
    std::size_t longestLine = PATH_MAX + 256; // a path and what a line may hold beside it
    std::size_t databaseBytes = std::size_t{512} << 20;
};

using LineSink = std::function<void(std::string_view line)>;

// Cuts text that comes in pieces into lines, keeping only the line not yet ended: each byte is looked at
// once, however the text is cut.
class LineStream
{
public:
    explicit LineStream(std::size_t longestLine) : m_longestLine(longestLine) {}

    // Hands each line ended in `piece` to `line`, without its newline.
    Result<void> feed(std::string_view piece, const LineSink& line);
    // The last line, which no newline ended.
    Result<void> finish(const LineSink& line);

private:
    std::size_t m_longestLine;
    std::string m_pending;
};

// Reads the regular file `name` of the folder `at` line by line, never through a link, within `limits`;
// `budget` is what is left of the database's bytes, and the file's size is taken from it.
Result<void> readFileLines(int at, const char* name, const RecordLimits& limits, std::size_t& budget,
                           const LineSink& line);

} // namespace dustrel::posix
