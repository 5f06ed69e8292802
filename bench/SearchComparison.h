#pragma once

#include "SearchDriver.h"
#include "SyntheticTree.h"
#include "ToolComparison.h"

#include <functional>
#include <string>
#include <vector>

namespace dustrel::bench {

// The medians of the ways of finding the rubbish of one tree, run in turns in this process: (a) the
// program's search (RunSearch with all 19 rules ticked, the tree as a drive root, a window that is only
// state), and the same with its helpers off, (b) find with the 27 patterns as -iname tests, (c) fd with
// one equivalent regular expression, when it is installed, and (d) the floor walk, which only reads every
// folder.
//
// Cold rounds measure a user's first search of the day: before each of (a), (a) with its read-ahead off
// (one thread) and fd with kColdFdThreads threads, the page cache is dropped.
class SearchComparison
{
public:
    static constexpr unsigned kColdFdThreads = 8;

    // `readAhead` turns the program's read-ahead on (true, its default) or off.
    SearchComparison(const SyntheticTree& tree, SearchDriver& core, std::function<void(bool)> readAhead);

    // Brings the tree into the cache and runs each way once untimed; the program's rows become the list
    // the tools must find.
    void warm();
    // One timed run of each way, their order turning from round to round so that a disturbance of the
    // shared machine does not fall on the same one each time. Prints the round's times.
    void round(int number);
    // Prints the medians and every difference between what the ways found; false on a difference.
    bool report() const;

    // Whether this process may drop the page cache; when not, `why` says why.
    static bool canDropCache(std::string& why);
    // One cold round; prints its times.
    void coldRound(int number);
    bool coldRan() const { return !m_cold.empty(); }
    double coldMedian() const { return median(m_cold); }
    double coldSingleMedian() const { return median(m_coldSingle); }
    double coldFdMedian() const { return median(m_coldFd); }

    bool fdRan() const { return !m_fdPath.empty(); }
    double searchMedian() const { return median(m_search); }
    // The same search with the helpers off: the walk alone on one thread.
    double searchAloneMedian() const { return median(m_searchAlone); }
    double findMedian() const { return median(m_find); }
    double fdMedian() const { return median(m_fd); }
    double floorMedian() const { return median(m_floor); }
    // The quickest timed search, for a comparison with another driver's quickest.
    const SearchFigures& bestSearch() const { return m_best; }

    static double median(std::vector<double> values);

private:
    void checkTool(const char* name, const ToolRun& run);
    void checkSearch(const SearchFigures& figures);
    // The rows of the last search, in their order, against those of the warm one.
    void checkOrder(const char* what);

    const SyntheticTree& m_tree;
    SearchDriver& m_core;
    std::vector<std::string> m_patterns;
    std::string m_regex;
    std::string m_fdPath;
    std::function<void(bool)> m_readAhead;
    std::vector<std::string> m_expected;    // the program's rows, relative to the root, sorted
    std::vector<std::string> m_rowsInOrder; // the same as the warm search listed them
    std::vector<double> m_search, m_searchAlone, m_find, m_fd, m_floor;
    std::vector<double> m_cold, m_coldSingle, m_coldFd;
    SearchFigures m_best;
    std::vector<std::string> m_problems;
};

} // namespace dustrel::bench
