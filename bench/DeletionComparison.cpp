#include "DeletionComparison.h"

#include "BenchSession.h"
#include "CoreSearchDriver.h"
#include "FloorWalk.h"
#include "SyntheticTree.h"
#include "ToolComparison.h"

#include <cerrno>
#include <sys/stat.h>

namespace dustrel::bench {

namespace {

BenchOptions copyOptions(const BenchOptions& options, std::size_t files, std::size_t folders,
                         const char* copy)
{
    BenchOptions copyOf;
    copyOf.files = files;
    copyOf.folders = folders;
    copyOf.matchPercent = 100;
    copyOf.seed = options.seed;
    copyOf.treeBase = options.treeBase + "/" + copy;
    return copyOf;
}

} // namespace

Result<DeletionComparison> DeletionComparison::prepare(const BenchOptions& options, std::size_t files,
                                                       std::size_t folders)
{
    DeletionComparison comparison;
    comparison.m_core = copyOptions(options, files, folders, "dustrel-bench-delete-core");
    comparison.m_find = copyOptions(options, files, folders, "dustrel-bench-delete-find");
    for (const BenchOptions* copy : {&comparison.m_core, &comparison.m_find}) {
        if (mkdir(copy->treeBase.c_str(), 0755) != 0 && errno != EEXIST)
            return systemError(errno, copy->treeBase);
        auto tree = SyntheticTree::prepare(*copy);
        if (!tree)
            return tree.error();
        if (tree->matching() != tree->files())
            return Error{EINVAL, "not every file of the copy is named after a rule", tree->root()};
        comparison.m_files = tree->files();
        (copy == &comparison.m_core ? comparison.m_coreRoot : comparison.m_findRoot) = tree->root();
    }
    return comparison;
}

DeletionRound DeletionComparison::run(int round)
{
    DeletionRound result;
    auto core = SyntheticTree::prepare(m_core);
    auto find = SyntheticTree::prepare(m_find);
    if (!core || !find) {
        result.problem = "the trees cannot be prepared: " + (core ? find.error() : core.error()).describe();
        return result;
    }
    const WalkFigures coreWarm = FloorWalk(m_coreRoot, true);
    const WalkFigures findWarm = FloorWalk(m_findRoot, true);
    if (coreWarm.files != m_files || findWarm.files != m_files) {
        result.problem = "the copies do not hold the files they should";
        return result;
    }

    BenchSession session(m_coreRoot);
    CoreSearchDriver driver(session);
    result.rows = driver.search().rows;
    const std::vector<ListedFile> listed = driver.listedFiles();
    if (result.rows != m_files) {
        result.problem = "the search did not list every file of the copy";
        return result;
    }

    core->beginChanges();
    find->beginChanges();
    const auto deleteCore = [&] {
        const DeletionFigures figures = driver.deleteRows();
        result.coreSeconds = figures.seconds;
        result.failures = figures.failures;
    };
    ToolRun findRun;
    if (round % 2 == 0) {
        deleteCore();
        findRun = ToolComparison::runFindDelete(m_findRoot);
    } else {
        findRun = ToolComparison::runFindDelete(m_findRoot);
        deleteCore();
    }
    result.findSeconds = findRun.seconds;
    if (!findRun.ran)
        result.problem = "find -delete: " + findRun.error;
    else if (result.failures != 0)
        result.problem = std::to_string(result.failures) + " listed files were not deleted";
    else if (FloorWalk(m_coreRoot).files != 0 || FloorWalk(m_findRoot).files != 0)
        result.problem = "files are left in a copy after its deletion";

    for (const ListedFile& file : listed) {
        core->restoreFile(file.path, file.size);
        find->restoreFile(m_findRoot + ToolComparison::relative(m_coreRoot, file.path), file.size);
    }
    core->finishRestore();
    find->finishRestore();
    return result;
}

} // namespace dustrel::bench
