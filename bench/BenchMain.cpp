// dustrel-bench: how fast the core searches a synthetic tree set against find, fd and a walk that only
// reads folders; what a long results list costs per row; how fast the listed files are deleted set
// against find -delete; and with --window how much the main window adds to the same search.
//
// It ends with the helper threads the search uses and the lines "search/find ratio: R", "search/fd ratio:
// D" (fd at its default thread count, when it is installed; also without the program's helpers),
// "search/floor ratio: F", "cold search/fd-j8 ratio: C" and "cold search/single-thread ratio: S" (as root,
// with the page cache dropped before each cold run), "long list/find-stat ratio: L" (the million-row
// search against find -printf '%s %T@\n', warm; also without helpers), "bytes per row: B" and
// "delete/find-delete ratio: X", each a ratio of medians (the machine the benchmark runs on is usually
// shared, so single runs say little).

#include "BenchOptions.h"
#include "BenchSession.h"
#include "CoreSearchDriver.h"
#include "DeletionComparison.h"
#include "FloorWalk.h"
#include "LongListComparison.h"
#include "RowMemoryMeasure.h"
#include "SearchComparison.h"
#include "SyntheticTree.h"
#include "platform/posix/walk/PosixFolderCursor.h"
#include "scan/PatternMatcher.h"
#include "state/FileTypes.h"

#if DUSTREL_BENCH_WINDOW
#include "WindowSearchDriver.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <utility>
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

void describe(const char* what, const SyntheticTree& tree)
{
    if (tree.reused())
        std::printf("%s: %s (reused)\n", what, tree.root().c_str());
    else
        std::printf("%s: %s (built in %.1f s)\n", what, tree.root().c_str(), tree.buildSeconds());
    std::printf("%s: %zu folders, %zu files, %zu named after a rule\n", what, tree.folders(), tree.files(),
                tree.matching());
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

// What every search pays before its walk: reading this machine's package databases with the session's
// choices (every rule ticked), as a search does.
void benchPackageDatabases(BenchSession& session)
{
    BuildFilter(session.state);
    const PatternMatcher filter(session.state.FILTRE);
    OwnedFilesQuery query;
    query.nameMatches = [&filter](std::string_view name) { return filter.matches(name); };
    std::vector<double> seconds;
    InstalledFiles owned;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        owned = session.platform().installedSoftware.ownedFiles(query);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("package databases: %s; %zu owned files named after a rule; read in %.1f ms (median of 3)\n",
                describeDatabases(owned.databases).c_str(), owned.size(),
                SearchComparison::median(seconds) * 1000);
}

// One chain of folders: the search and then the deletion of its rows, which goes as deep as the search.
int benchDeep(const BenchOptions& options, SyntheticTree& tree, CoreSearchDriver& core)
{
    Measure measure{core, {}};
    for (int run = 1; run <= options.runs; ++run)
        measure.run(tree);
    int status = measure.report(tree) ? 0 : 1;
    std::printf("peak RSS: %.1f MB\n", peakRssMegabytes());

    const std::vector<ListedFile> listed = core.listedFiles();
    tree.beginChanges();
    const DeletionFigures deletion = core.deleteRows();
    std::printf("core deletion: %zu files tried, %zu failed, %.3f s, %.0f files/s\n", deletion.tried,
                deletion.failures, deletion.seconds, static_cast<double>(deletion.tried) / deletion.seconds);
    for (const ListedFile& file : listed)
        tree.restoreFile(file.path, file.size);
    tree.finishRestore();
    if (deletion.failures != 0)
        status = 1;
    return status;
}

// Only the core's warm searches, after one walk that warms the cache and one search that warms the
// program: what a profiler or a counter then sees of the process is the search alone.
int benchSearchOnly(const BenchOptions& options, const SyntheticTree& tree, CoreSearchDriver& core)
{
    const WalkFigures warmed = FloorWalk(tree.root(), true);
    std::printf("cache warmed: %zu folders, %zu files, %.3f s\n", warmed.folders, warmed.files,
                warmed.seconds);
    core.search();
    Measure measure{core, {}};
    const auto processorSeconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const auto seconds = [](const timeval& time) {
            return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
        };
        return std::pair{seconds(usage.ru_utime), seconds(usage.ru_stime)};
    };
    for (int run = 1; run <= options.runs; ++run) {
        const auto before = processorSeconds();
        measure.run(tree);
        const auto after = processorSeconds();
        std::printf("  processor: user %.3f s, system %.3f s\n", after.first - before.first,
                    after.second - before.second);
    }
    return measure.report(tree) ? 0 : 1;
}

// The long list against find -printf, warm: the tree of rows was just read by the memory measure.
bool benchLongList(LongListComparison& list, int runs)
{
    for (int round = 1; round <= runs; ++round)
        list.round(round);
    std::printf(
        "long list medians of %d rounds: search %.3f s, without helpers %.3f s, find -printf %.3f s\n", runs,
        list.searchMedian(), list.searchAloneMedian(), list.findStatMedian());
    for (const std::string& problem : list.problems())
        std::printf("MISMATCH (long list): %s\n", problem.c_str());
    return list.problems().empty();
}

// Last, for scripts that read the final lines.
void printRatios(const SearchComparison& comparison, const LongListComparison* longList,
                 const RowMemoryFigures* rows, const std::vector<double>& coreDeletes,
                 const std::vector<double>& findDeletes)
{
    std::printf("helper threads: %zu (processors: %u)\n", posix::PosixFolderCursor().helperThreads(),
                std::thread::hardware_concurrency());
    std::printf("search/find ratio: %.3f\n", comparison.searchMedian() / comparison.findMedian());
    if (comparison.fdRan()) {
        std::printf("search/fd ratio: %.3f\n", comparison.searchMedian() / comparison.fdMedian());
        std::printf("search/fd ratio without helpers: %.3f\n",
                    comparison.searchAloneMedian() / comparison.fdMedian());
    }
    std::printf("search/floor ratio: %.3f\n", comparison.searchMedian() / comparison.floorMedian());
    if (comparison.fdRan())
        std::printf("fd threads: %u warm (its default: one per processor), %u cold\n",
                    std::thread::hardware_concurrency(), SearchComparison::kColdFdThreads);
    if (comparison.coldRan()) {
        if (comparison.fdRan())
            std::printf("cold search/fd-j8 ratio: %.3f\n",
                        comparison.coldMedian() / comparison.coldFdMedian());
        std::printf("cold search/single-thread ratio: %.3f\n",
                    comparison.coldMedian() / comparison.coldSingleMedian());
    }
    if (longList != nullptr && longList->findStatMedian() > 0) {
        std::printf("long list/find-stat ratio: %.3f\n",
                    longList->searchMedian() / longList->findStatMedian());
        std::printf("long list/find-stat ratio without helpers: %.3f\n",
                    longList->searchAloneMedian() / longList->findStatMedian());
    }
    if (rows != nullptr)
        std::printf("bytes per row: %.0f\n", rows->bytesPerRow);
    if (!coreDeletes.empty())
        std::printf("delete/find-delete ratio: %.3f\n",
                    SearchComparison::median(coreDeletes) / SearchComparison::median(findDeletes));
}

// The tree of the long list and the trees to delete, when the options ask for them; false, said on
// standard error, when one cannot be built.
bool prepareOtherTrees(const BenchOptions& options, std::optional<SyntheticTree>& rowsTree,
                       std::optional<DeletionComparison>& deletion)
{
    const bool wide = options.deep == 0 && !options.searchOnly;
    if (wide && options.rows != 0) {
        BenchOptions rowsOptions = options;
        rowsOptions.files = options.rows;
        rowsOptions.folders = std::max<std::size_t>(1, options.rows / 100);
        rowsOptions.matchPercent = 100;
        auto rows = SyntheticTree::prepare(rowsOptions);
        if (!rows) {
            std::fprintf(stderr, "cannot build the tree of rows: %s\n", rows.error().describe().c_str());
            return false;
        }
        rowsTree.emplace(std::move(*rows));
        describe("tree of rows", *rowsTree);
    }
    if (wide && options.deleteFiles != 0) {
        auto copies = DeletionComparison::prepare(options, options.deleteFiles,
                                                  std::max<std::size_t>(1, options.deleteFiles / 10));
        if (!copies) {
            std::fprintf(stderr, "cannot build the trees to delete: %s\n", copies.error().describe().c_str());
            return false;
        }
        deletion.emplace(std::move(*copies));
        std::printf("trees to delete: %s and %s, %zu files each\n", deletion->coreRoot().c_str(),
                    deletion->findRoot().c_str(), deletion->files());
    }
    return true;
}

// Rounds after the page cache is dropped, when it can be.
void runColdRounds(SearchComparison& comparison, int coldRuns)
{
    if (coldRuns <= 0)
        return;
    std::string why;
    if (!SearchComparison::canDropCache(why)) {
        std::printf("cold rounds skipped: the page cache cannot be dropped (%s)\n", why.c_str());
        return;
    }
    for (int round = 1; round <= coldRuns; ++round)
        comparison.coldRound(round);
}

// The memory of a row, then the long list against find; false when a figure does not add up.
bool benchRows(const SyntheticTree& rowsTree, int runs, std::optional<RowMemoryFigures>& rows,
               std::optional<LongListComparison>& longList)
{
    bool sound = true;
    rows = MeasureRowMemory(rowsTree.root());
    std::printf("long list: %zu rows in %.3f s, peak memory %.1f MB more than before the search%s\n",
                rows->rows, rows->seconds, rows->growthBytes / 1e6,
                rows->exactPeak ? "" : " (at most: the peak could not be reset)");
    if (rows->rows != rowsTree.matching()) {
        std::printf("MISMATCH: the long list has %zu rows, the tree %zu matching files\n", rows->rows,
                    rowsTree.matching());
        sound = false;
    }
    longList.emplace(rowsTree.root(), rowsTree.matching());
    return benchLongList(*longList, runs) && sound;
}

// Rounds of the deletion against find -delete; false when a round went wrong.
bool benchDeletion(DeletionComparison& deletion, int runs, std::vector<double>& coreDeletes,
                   std::vector<double>& findDeletes)
{
    bool sound = true;
    for (int round = 1; round <= runs; ++round) {
        const DeletionRound result = deletion.run(round);
        std::printf("deletion round %d: %zu listed files deleted in %.3f s, find -delete %.3f s\n", round,
                    result.rows, result.coreSeconds, result.findSeconds);
        if (!result.problem.empty()) {
            std::printf("MISMATCH (deletion): %s\n", result.problem.c_str());
            sound = false;
            break;
        }
        coreDeletes.push_back(result.coreSeconds);
        findDeletes.push_back(result.findSeconds);
    }
    if (!coreDeletes.empty())
        std::printf("deletion medians of %zu rounds: %.3f s, find -delete %.3f s\n", coreDeletes.size(),
                    SearchComparison::median(coreDeletes), SearchComparison::median(findDeletes));
    return sound;
}

#if DUSTREL_BENCH_WINDOW
// The window's search after a round of the core's, on the same tree.
void windowRound(WindowSearchDriver& window, Measure& measure, const SyntheticTree& tree)
{
    measure.run(tree);
    std::printf("window pumps: %.3f s; rows shown in %d insertions\n", window.pumpSeconds(),
                window.insertionBatches());
}

// The window's figures, then its long list; false when the window disagrees with the core.
bool windowReport(WindowSearchDriver& window, Measure& measure, const SyntheticTree& tree,
                  const SearchComparison& comparison, std::size_t listRows)
{
    bool sound = measure.report(tree);
    if (measure.best.status != comparison.bestSearch().status) {
        std::printf("MISMATCH: the window's status bar shows another summary than the core's\n");
        sound = false;
    }
    if (listRows != 0) {
        const LongListFigures list = window.measureLongList(listRows);
        std::printf(
            "window list of %zu rows: shown in %.1f ms, scroll %.2f ms, double-click removal %.2f ms\n",
            list.rows, list.showMilliseconds, list.scrollMilliseconds, list.removeMilliseconds);
    }
    return sound;
}
#endif

// The wide tree's rounds against find, fd and the floor (with the window's, if asked), then the long list
// and the deletion; the ratios last.
int benchWide(const BenchOptions& options, const SyntheticTree& tree,
              const std::optional<SyntheticTree>& rowsTree, std::optional<DeletionComparison>& deletion,
              BenchSession& session, CoreSearchDriver& core, int argc, char** argv)
{
#if DUSTREL_BENCH_WINDOW
    std::unique_ptr<WindowSearchDriver> window;
    std::unique_ptr<Measure> windowMeasure;
    if (options.window) {
        window = std::make_unique<WindowSearchDriver>(session, argc, argv);
        windowMeasure = std::make_unique<Measure>(Measure{*window, {}});
    }
#endif

    // (a) the search, (b) find, (c) fd, (d) the floor walk, in turns; with the window, its search follows
    // each round, so a disturbance of the shared machine falls on all alike.
    SearchComparison comparison(tree, core, [&session](bool on) {
        session.fileSystem().setReadAhead(on ? posix::ReadAhead::WhenSlow : posix::ReadAhead::Off);
    });
    comparison.warm();
    for (int round = 1; round <= options.runs; ++round) {
        comparison.round(round);
#if DUSTREL_BENCH_WINDOW
        if (window)
            windowRound(*window, *windowMeasure, tree);
#endif
    }
    runColdRounds(comparison, options.coldRuns);
    int status = comparison.report() ? 0 : 1;
#if DUSTREL_BENCH_WINDOW
    if (window && !windowReport(*window, *windowMeasure, tree, comparison, options.listRows))
        status = 1;
#endif
    std::printf("peak RSS: %.1f MB\n", peakRssMegabytes());

    std::optional<RowMemoryFigures> rows;
    std::optional<LongListComparison> longList;
    if (rowsTree && !benchRows(*rowsTree, options.longListRuns, rows, longList))
        status = 1;
    std::vector<double> coreDeletes;
    std::vector<double> findDeletes;
    if (deletion && !benchDeletion(*deletion, options.deleteRuns, coreDeletes, findDeletes))
        status = 1;

#if DUSTREL_BENCH_WINDOW
    if (window)
        std::printf("window/core ratio: %.2f\n",
                    windowMeasure->best.seconds / comparison.bestSearch().seconds);
#endif
    printRatios(comparison, longList ? &*longList : nullptr, rows ? &*rows : nullptr, coreDeletes,
                findDeletes);
    return status;
}

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

    // Every tree is there before anything is measured, so building one never disturbs a measure.
    auto prepared = SyntheticTree::prepare(*options);
    if (!prepared) {
        std::fprintf(stderr, "cannot build the tree: %s\n", prepared.error().describe().c_str());
        return 1;
    }
    SyntheticTree& tree = *prepared;
    describe("tree", tree);
    std::optional<SyntheticTree> rowsTree;
    std::optional<DeletionComparison> deletion;
    if (!prepareOtherTrees(*options, rowsTree, deletion))
        return 1;
    std::printf("peak RSS before searching: %.1f MB\n", peakRssMegabytes());

    BenchSession session(tree.root());
    CoreSearchDriver core(session);
    if (options->searchOnly)
        return benchSearchOnly(*options, tree, core);
    benchPackageDatabases(session);
    if (options->deep != 0)
        return benchDeep(*options, tree, core);

    return benchWide(*options, tree, rowsTree, deletion, session, core, argc, argv);
}
