#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace dustrel::bench {

struct BenchOptions
{
    std::size_t files = 1'000'000;
    std::size_t folders = 50'000;
    double matchPercent = 3.0; // share of files named after one of the 19 rules
    std::uint64_t seed = 1;
    std::size_t deep = 0; // when not 0: a single chain of this many folders instead of the wide tree
    std::string treeBase; // where trees are kept; $TMPDIR or /tmp when empty
    int runs = 3;
    bool deleteRows = false;          // also measure the deletion of the rows of the last run
    bool window = false;              // also search through the main window and compare it with the core
    std::size_t listRows = 1'000'000; // with the window: rows of the long list measured after the searches
};

// Nothing when the command line is not understood; the usage has then been printed.
std::optional<BenchOptions> parseOptions(int argc, char** argv);

} // namespace dustrel::bench
