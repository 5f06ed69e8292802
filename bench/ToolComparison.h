#pragma once

#include <string>
#include <vector>

namespace dustrel::bench {

// What one run of a command-line tool found and how long it took, from starting it to its end.
struct ToolRun
{
    bool ran = false;  // false when the tool could not be started or failed
    std::string error; // why, when it did not run
    double seconds = 0;
    std::vector<std::string> files; // the paths it printed, relative to the tree's root, sorted
    std::size_t lines = 0;          // of a tool that prints lines rather than paths
};

// The tools the search is compared with, run on the same tree with the same rules:
//   find ROOT -xdev -type f ( -iname P1 -o -iname P2 ... )
//   fdfind -u -t f -i [-j N] REGEX ROOT   (when fd, Debian package fd-find, is installed; without -j it
//                                          runs one thread per processor)
//   find ROOT -type f -delete      (against the deletion)
//   find ROOT -type f -printf '%s %T@\n'   (against the long list: one line per file)
// The path finders print their paths NUL-separated, so any name comes back whole.
class ToolComparison
{
public:
    // The wildcard patterns of the 19 rules, split at ";": 27 of them.
    static std::vector<std::string> rulePatterns();
    // One regular expression that matches a whole file name exactly when one of the patterns does, letter
    // case aside: "*" any run, "?" one character, everything else literal.
    static std::string regexFor(const std::vector<std::string>& patterns);

    // Where fdfind is on PATH; empty when it is not installed.
    static std::string findFd();

    static ToolRun runFind(const std::string& root, const std::vector<std::string>& patterns);
    // `threads` 0: fd's own choice.
    static ToolRun runFd(const std::string& fd, const std::string& root, const std::string& regex,
                         unsigned threads = 0);
    static ToolRun runFindDelete(const std::string& root);
    // Its lines counted, not kept.
    static ToolRun runFindStat(const std::string& root);

    // The root as the tools are given it: without a trailing separator.
    static std::string toolRoot(const std::string& root);
    // `path` relative to `root` when it lies inside it.
    static std::string relative(const std::string& root, const std::string& path);
};

} // namespace dustrel::bench
