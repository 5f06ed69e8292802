// dustrel-bench: how fast the core searches a large synthetic tree and deletes what it found, and with
// --window how much the main window adds to the same search.

#include "BenchOptions.h"
#include "BenchSession.h"
#include "CoreSearchDriver.h"
#include "SyntheticTree.h"

#if DUSTREL_BENCH_WINDOW
#include "WindowSearchDriver.h"
#endif

#include <algorithm>
#include <cstdio>
#include <memory>
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

// The best run of one driver; the other runs show how much the shared machine disturbed the measure.
struct Measure
{
    SearchDriver& driver;
    SearchFigures best;
    int runs = 0;

    void run(const SyntheticTree& tree)
    {
        const SearchFigures figures = driver.search();
        ++runs;
        std::printf("%s search %d: folders %zu, files %zu, rows %zu, %.3f s, %.0f files/s\n",
                    std::string(driver.name()).c_str(), runs, figures.foldersEntered, tree.files(),
                    figures.rows, figures.seconds, static_cast<double>(tree.files()) / figures.seconds);
        if (runs == 1 || figures.seconds < best.seconds)
            best = figures;
    }

    // Whether the best run found what the tree holds; says what differs when not.
    bool report(const SyntheticTree& tree) const
    {
        const std::string name(driver.name());
        std::printf("%s search best: %.3f s, %.0f files/s, %.0f folders/s\n", name.c_str(), best.seconds,
                    static_cast<double>(tree.files()) / best.seconds,
                    static_cast<double>(best.foldersEntered) / best.seconds);
        std::printf("%s status: %s\n", name.c_str(), best.status.c_str());
        if (best.rows == tree.matching() && best.foldersEntered == tree.folders())
            return true;
        std::printf("MISMATCH (%s): expected %zu rows in %zu folders\n", name.c_str(), tree.matching(),
                    tree.folders());
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const auto options = parseOptions(argc, argv);
    if (!options)
        return 2;
#if !DUSTREL_BENCH_WINDOW
    if (options->window) {
        std::fprintf(stderr, "--window: this benchmark was built without the window (DUSTREL_BUILD_UI)\n");
        return 2;
    }
#endif

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
    Measure coreMeasure{core, {}};
#if DUSTREL_BENCH_WINDOW
    std::unique_ptr<WindowSearchDriver> window;
    std::unique_ptr<Measure> windowMeasure;
    if (options->window) {
        window = std::make_unique<WindowSearchDriver>(session, argc, argv);
        windowMeasure = std::make_unique<Measure>(Measure{*window, {}});
    }
#endif

    // The two alternate, so a disturbance of the shared machine falls on both alike.
    for (int run = 1; run <= options->runs; ++run) {
        coreMeasure.run(tree);
#if DUSTREL_BENCH_WINDOW
        if (window) {
            windowMeasure->run(tree);
            std::printf("window pumps: %.3f s; rows shown in %d insertions\n", window->pumpSeconds(),
                        window->insertionBatches());
        }
#endif
    }

    int status = coreMeasure.report(tree) ? 0 : 1;
#if DUSTREL_BENCH_WINDOW
    if (window) {
        if (!windowMeasure->report(tree))
            status = 1;
        if (windowMeasure->best.status != coreMeasure.best.status) {
            std::printf("MISMATCH: the window's status bar shows another summary than the core's\n");
            status = 1;
        }
        if (options->listRows != 0) {
            const LongListFigures list = window->measureLongList(options->listRows);
            std::printf("window list of %zu rows: shown in %.1f ms, scroll %.2f ms, double-click removal "
                        "%.2f ms\n",
                        list.rows, list.showMilliseconds, list.scrollMilliseconds, list.removeMilliseconds);
        }
    }
#endif
    std::printf("peak RSS: %.1f MB\n", peakRssMegabytes());

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
#if DUSTREL_BENCH_WINDOW
    // Last, for scripts that read the final line.
    if (window)
        std::printf("window/core ratio: %.2f\n", windowMeasure->best.seconds / coreMeasure.best.seconds);
#endif
    return status;
}
