#pragma once

#include "SearchDriver.h"
#include "SyntheticTree.h"
#include "ToolComparison.h"

#include <string>
#include <vector>

namespace dustrel::bench {

// The medians of the four ways of finding the rubbish of one tree, run in turns in this process:
// (a) the program's search (RunSearch with all 19 rules ticked, the tree as a drive root, a window that is
// only state), (b) find with the 27 patterns as -iname tests, (c) fd with one equivalent regular
// expression, when it is installed, and (d) the floor walk, which only reads every folder.
class SearchComparison
{
public:
    SearchComparison(const SyntheticTree& tree, SearchDriver& core);

    // Brings the tree into the cache and runs each way once untimed; the program's rows become the list
    // the tools must find.
    void warm();
    // One timed run of each way, their order turning from round to round so that a disturbance of the
    // shared machine does not fall on the same one each time. Prints the round's times.
    void round(int number);
    // Prints the medians and every difference between what the ways found; false on a difference.
    bool report() const;

    bool fdRan() const { return !m_fdPath.empty(); }
    double searchMedian() const { return median(m_search); }
    double findMedian() const { return median(m_find); }
    double fdMedian() const { return median(m_fd); }
    double floorMedian() const { return median(m_floor); }
    // The quickest timed search, for a comparison with another driver's quickest.
    const SearchFigures& bestSearch() const { return m_best; }

    static double median(std::vector<double> values);

private:
    void checkTool(const char* name, const ToolRun& run);
    void checkSearch(const SearchFigures& figures);

    const SyntheticTree& m_tree;
    SearchDriver& m_core;
    std::vector<std::string> m_patterns;
    std::string m_regex;
    std::string m_fdPath;
    std::vector<std::string> m_expected; // the program's rows, relative to the root, sorted
    std::vector<double> m_search, m_find, m_fd, m_floor;
    SearchFigures m_best;
    std::vector<std::string> m_problems;
};

} // namespace dustrel::bench
