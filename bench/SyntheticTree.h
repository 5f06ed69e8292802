#pragma once

#include "BenchOptions.h"
#include "platform/Result.h"

#include <cstddef>
#include <random>
#include <string>

namespace dustrel {
class PatternMatcher;
}

namespace dustrel::bench {

// The tree the benchmark searches, built once under the tree base and found again by later runs through
// a manifest written when it is complete. A wide tree has folders of random depth and fan-out, files with
// everyday names and a share named after the 19 rules (sparse files with sizes, so it costs no disk); a
// deep tree is one chain of folders with a matching file every hundred levels.
class SyntheticTree
{
public:
    static Result<SyntheticTree> prepare(const BenchOptions& options);

    // The root as a drive root is named, with its trailing separator.
    const std::string& root() const { return m_root; }
    std::size_t folders() const { return m_folders; } // the root included
    std::size_t files() const { return m_files; }
    std::size_t matching() const { return m_matching; } // files the 19 rules match
    bool reused() const { return m_reused; }
    double buildSeconds() const { return m_buildSeconds; }

    // Around a change of the tree (a deletion, then the files put back): until finishRestore() the tree
    // has no manifest, so a run interrupted meanwhile leaves a tree that the next run builds again.
    void beginChanges();
    // After the benchmark deleted files of the tree: puts them back with their sizes, then writes the
    // manifest again, or leaves it out when a file could not be put back. The files of a deep chain,
    // whose paths no call takes whole, are put back by one walk down the chain in finishRestore().
    void restoreFile(const std::string& path, std::int64_t size);
    void finishRestore();

private:
    SyntheticTree() = default;
    Result<void> buildWide(const BenchOptions& options);
    Result<void> buildDeep(const BenchOptions& options);
    // `count` files in the open folder `folderFd`, each named after a rule with the odds `matchShare`.
    Result<void> fillFolder(int folderFd, std::size_t count, std::mt19937_64& random, double matchShare,
                            const PatternMatcher& rules);
    Result<void> writeManifest() const;
    bool refillDeep() const;

    std::string m_base; // holds the tree and its manifest
    std::string m_root;
    std::size_t m_folders = 0;
    std::size_t m_files = 0;
    std::size_t m_matching = 0;
    bool m_reused = false;
    bool m_restoreFailed = false;
    bool m_changing = false;
    std::size_t m_deep = 0; // the chain's length for a deep tree
    double m_buildSeconds = 0;
};

} // namespace dustrel::bench
