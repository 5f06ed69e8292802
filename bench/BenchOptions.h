#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace dustrel::bench {

struct BenchOptions
{
    std::size_t files = 300'000;
    std::size_t folders = 30'000;
    double matchPercent = 3.0; // share of files named after one of the 19 rules
    std::uint64_t seed = 1;
    std::size_t deep = 0; // when not 0: a single chain of this many folders instead of the wide tree
    std::string treeBase; // where trees are kept; $TMPDIR or /tmp when empty
    int runs = 7;
    int coldRuns = 5; // rounds with the page cache dropped before each search (as root only); 0: none
    std::size_t rows = 1'000'000;      // files of the tree whose search measures memory per row; 0: none
    int longListRuns = 3;              // rounds of that search against find -printf
    std::size_t deleteFiles = 100'000; // files of the deletion against find -delete; 0: none
    int deleteRuns = 3;                // rounds of that deletion
    bool window = false;               // also search through the main window and compare it with the core
    bool searchOnly = false;           // only the warm searches of the core: for profilers and counters
    std::size_t listRows = 1'000'000;  // with the window: rows of the long list measured after the searches
};

// Nothing when the command line is not understood; the usage has then been printed.
std::optional<BenchOptions> parseOptions(int argc, char** argv);

} // namespace dustrel::bench
