#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dustrel::bench {

// The million-row search (a tree whose every file matches) set against the least a tool pays to list the
// same files with their size and time, `find TREE -type f -printf '%s %T@\n'`: both warm, in turns, with
// the program's helpers listing folders and without them.
class LongListComparison
{
public:
    explicit LongListComparison(std::string root, std::size_t rows);

    // One timed run of each; prints the round's times.
    void round(int number);

    double searchMedian() const { return median(m_search); }
    double searchAloneMedian() const { return median(m_searchAlone); }
    double findStatMedian() const { return median(m_findStat); }
    // What a search or find listed other than the tree's rows, if anything.
    const std::vector<std::string>& problems() const { return m_problems; }

private:
    static double median(std::vector<double> values);
    double search(bool helpers);

    std::string m_root;
    std::size_t m_rows;
    std::vector<double> m_search, m_searchAlone, m_findStat;
    std::vector<std::string> m_problems;
};

} // namespace dustrel::bench
