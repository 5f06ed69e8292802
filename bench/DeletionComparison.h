#pragma once

#include "BenchOptions.h"
#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dustrel::bench {

struct DeletionRound
{
    double coreSeconds = 0; // DeleteListedFiles over the rows of a search, as the automatic mode runs it
    double findSeconds = 0; // find ROOT -type f -delete on the copy
    std::size_t rows = 0;
    std::size_t failures = 0;
    std::string problem; // what went wrong, empty when both copies ended empty of files
};

// The deletion of the listed files set against `find ROOT -type f -delete`, on two identical trees in
// which every file is named after a rule, so the search lists every file and find deletes the same files.
// Each round warms both trees, searches the first, deletes its rows and runs find on the second (the two
// taking turns at going first), then puts every file back; a run interrupted meanwhile leaves trees
// without manifests, which the next run builds again.
class DeletionComparison
{
public:
    // The two copies under `options.treeBase`, built when they are not there yet.
    static Result<DeletionComparison> prepare(const BenchOptions& options, std::size_t files,
                                              std::size_t folders);

    DeletionRound run(int round);

    std::size_t files() const { return m_files; }
    const std::string& coreRoot() const { return m_coreRoot; }
    const std::string& findRoot() const { return m_findRoot; }

private:
    DeletionComparison() = default;

    BenchOptions m_core;
    BenchOptions m_find;
    std::string m_coreRoot;
    std::string m_findRoot;
    std::size_t m_files = 0;
};

} // namespace dustrel::bench
