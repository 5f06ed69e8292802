#pragma once

#include <cstddef>
#include <string>

namespace dustrel::bench {

struct RowMemoryFigures
{
    std::size_t rows = 0;
    double seconds = 0;
    double growthBytes = 0; // the peak of the process during the search, over what it held before
    double bytesPerRow = 0;
    bool exactPeak = true; // false when the system would not reset the peak and an upper bound is shown
};

// What a long results list costs: one search of a tree whose every file matches (a million of them in
// the benchmark), run in this process as the window runs it, the process's peak resident memory taken
// before and after. The peak is reset first (/proc/self/clear_refs), so the figure is the search's own
// and not whatever the benchmark held at its busiest before.
RowMemoryFigures MeasureRowMemory(const std::string& root);

} // namespace dustrel::bench
