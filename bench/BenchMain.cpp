// dustrel-bench: how fast the core searches a large synthetic tree and deletes what it found.

#include "BenchOptions.h"
#include "BenchSession.h"
#include "CoreSearchDriver.h"
#include "SyntheticTree.h"

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace dustrel;
using namespace dustrel::bench;

namespace {

double peakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Every run of one driver, then its best time: the other runs show how much the shared machine disturbed
// the measure.
SearchFigures measure(SearchDriver& driver, const SyntheticTree& tree, int runs)
{
    SearchFigures best;
    for (int run = 1; run <= runs; ++run) {
        const SearchFigures figures = driver.search();
        std::printf("%s search %d: folders %zu, files %zu, rows %zu, %.3f s, %.0f files/s\n",
                    std::string(driver.name()).c_str(), run, figures.foldersEntered, tree.files(),
                    figures.rows, figures.seconds, static_cast<double>(tree.files()) / figures.seconds);
        if (run == 1 || figures.seconds < best.seconds)
            best = figures;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = parseOptions(argc, argv);
    if (!options)
        return 2;

    auto prepared = SyntheticTree::prepare(*options);
    if (!prepared) {
        std::fprintf(stderr, "cannot build the tree: %s\n", prepared.error().describe().c_str());
        return 1;
    }
    SyntheticTree& tree = *prepared;
    if (tree.reused())
        std::printf("tree: %s (reused)\n", tree.root().c_str());
    else
        std::printf("tree: %s (built in %.1f s)\n", tree.root().c_str(), tree.buildSeconds());
    std::printf("tree: %zu folders, %zu files, %zu named after a rule\n", tree.folders(), tree.files(),
                tree.matching());
    std::printf("peak RSS before searching: %.1f MB\n", peakRssMegabytes());

    BenchSession session(tree.root());
    CoreSearchDriver core(session);
    const SearchFigures best = measure(core, tree, options->runs);
    std::printf("core search best: %.3f s, %.0f files/s, %.0f folders/s\n", best.seconds,
                static_cast<double>(tree.files()) / best.seconds,
                static_cast<double>(best.foldersEntered) / best.seconds);
    std::printf("status: %s\n", best.status.c_str());
    std::printf("peak RSS: %.1f MB\n", peakRssMegabytes());
    int status = 0;
    if (best.rows != tree.matching() || best.foldersEntered != tree.folders()) {
        std::printf("MISMATCH: expected %zu rows in %zu folders\n", tree.matching(), tree.folders());
        status = 1;
    }
    // A window driver measured here over the same session would print "window/core ratio: W", its best
    // time over the core's.

    if (options->deleteRows) {
        // Kept to put the files back afterwards, so the tree serves the next run; not counted above.
        const std::vector<ListedFile> listed = core.listedFiles();
        const DeletionFigures deletion = core.deleteRows();
        std::printf("core deletion: %zu files tried, %zu failed, %.3f s, %.0f files/s\n", deletion.tried,
                    deletion.failures, deletion.seconds,
                    static_cast<double>(deletion.tried) / deletion.seconds);
        for (const ListedFile& file : listed)
            tree.restoreFile(file.path, file.size);
        tree.finishRestore();
        if (deletion.failures != 0)
            status = 1;
    }
    return status;
}
