#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel::bench {

struct SearchFigures
{
    std::size_t foldersEntered = 0;
    std::size_t rows = 0;
    std::int64_t wastedSize = 0;
    double seconds = 0;
    std::string status; // the summary the status bar ends up showing
};

struct DeletionFigures
{
    std::size_t tried = 0;
    std::size_t failures = 0;
    double seconds = 0;
};

struct ListedFile
{
    std::string path;
    std::int64_t size = 0;
};

// One way of running a whole search of the benchmark tree, timed from the Search command to its return.
// The core runs it over a headless window; a window build can run it through the real main window over
// the same BenchSession, and the benchmark then sets the two side by side ("window/core ratio").
class SearchDriver
{
public:
    virtual ~SearchDriver() = default;
    virtual std::string_view name() const = 0;
    virtual SearchFigures search() = 0;
    // The rows of the last search, before a deletion takes them away.
    virtual std::vector<ListedFile> listedFiles() const = 0;
    // Deletes the rows of the last search as the automatic mode does: no question, no log, no viewer.
    virtual DeletionFigures deleteRows() = 0;
};

} // namespace dustrel::bench
