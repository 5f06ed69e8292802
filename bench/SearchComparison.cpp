#include "SearchComparison.h"

#include "FloorWalk.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <iterator>
#include <unistd.h>

namespace dustrel::bench {

namespace {

// The first few paths that one sorted list has and the other has not.
std::string differences(const std::vector<std::string>& expected, const std::vector<std::string>& got)
{
    std::vector<std::string> missing;
    std::vector<std::string> extra;
    std::set_difference(expected.begin(), expected.end(), got.begin(), got.end(),
                        std::back_inserter(missing));
    std::set_difference(got.begin(), got.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    std::string text = std::to_string(missing.size()) + " missing, " + std::to_string(extra.size()) + " more";
    for (std::size_t i = 0; i < std::min<std::size_t>(3, missing.size()); ++i)
        text += "; missing " + missing[i];
    for (std::size_t i = 0; i < std::min<std::size_t>(3, extra.size()); ++i)
        text += "; more " + extra[i];
    return text;
}

constexpr const char* kDropCaches = "/proc/sys/vm/drop_caches";

// Writes what is dirty, then drops the page cache with the folders and inodes it holds.
bool dropCache()
{
    sync();
    const int fd = open(kDropCaches, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool dropped = write(fd, "3", 1) == 1;
    close(fd);
    return dropped;
}

} // namespace

SearchComparison::SearchComparison(const SyntheticTree& tree, SearchDriver& core,
                                   std::function<void(bool)> readAhead)
    : m_tree(tree), m_core(core), m_patterns(ToolComparison::rulePatterns()),
      m_regex(ToolComparison::regexFor(m_patterns)), m_fdPath(ToolComparison::findFd()),
      m_readAhead(std::move(readAhead))
{}

void SearchComparison::warm()
{
    const WalkFigures warmed = FloorWalk(m_tree.root(), true);
    std::printf("cache warmed: %zu folders, %zu files, %.3f s\n", warmed.folders, warmed.files,
                warmed.seconds);
    const SearchFigures figures = m_core.search();
    m_expected.clear();
    for (const ListedFile& file : m_core.listedFiles())
        m_expected.push_back(ToolComparison::relative(m_tree.root(), file.path));
    m_rowsInOrder = m_expected;
    std::sort(m_expected.begin(), m_expected.end());
    checkSearch(figures);
    checkTool("find", ToolComparison::runFind(m_tree.root(), m_patterns));
    if (fdRan())
        checkTool("fd", ToolComparison::runFd(m_fdPath, m_tree.root(), m_regex));
    else
        std::printf("fd: fdfind is not installed (Debian package fd-find); (c) is skipped\n");
    FloorWalk(m_tree.root());
}

void SearchComparison::round(int number)
{
    double search = 0, alone = 0, find = 0, fd = 0, floor = 0;
    const auto runSearch = [&] {
        const SearchFigures figures = m_core.search();
        checkSearch(figures);
        search = figures.seconds;
        if (m_search.empty() || figures.seconds < m_best.seconds)
            m_best = figures;
    };
    const auto runAlone = [&] {
        m_readAhead(false);
        const SearchFigures figures = m_core.search();
        m_readAhead(true);
        checkSearch(figures);
        checkOrder("the search without helpers");
        alone = figures.seconds;
    };
    const auto runFind = [&] {
        const ToolRun run = ToolComparison::runFind(m_tree.root(), m_patterns);
        checkTool("find", run);
        find = run.seconds;
    };
    const auto runFd = [&] {
        if (!fdRan())
            return;
        const ToolRun run = ToolComparison::runFd(m_fdPath, m_tree.root(), m_regex);
        checkTool("fd", run);
        fd = run.seconds;
    };
    const auto runFloor = [&] {
        const WalkFigures walked = FloorWalk(m_tree.root());
        if (!walked.complete || walked.folders != m_tree.folders() || walked.files != m_tree.files())
            m_problems.push_back("the floor walk did not see the whole tree");
        floor = walked.seconds;
    };
    const std::vector<std::function<void()>> ways = {runSearch, runAlone, runFind, runFd, runFloor};
    for (std::size_t i = 0; i < ways.size(); ++i)
        ways[(i + static_cast<std::size_t>(number)) % ways.size()]();

    m_search.push_back(search);
    m_searchAlone.push_back(alone);
    m_find.push_back(find);
    m_floor.push_back(floor);
    if (fdRan()) {
        m_fd.push_back(fd);
        std::printf("round %d: search %.3f s, without helpers %.3f s, find %.3f s, fd %.3f s, floor %.3f s\n",
                    number, search, alone, find, fd, floor);
    } else {
        std::printf("round %d: search %.3f s, without helpers %.3f s, find %.3f s, floor %.3f s\n", number,
                    search, alone, find, floor);
    }
}

bool SearchComparison::canDropCache(std::string& why)
{
    if (geteuid() != 0) {
        why = "not root";
        return false;
    }
    const int fd = open(kDropCaches, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        why = std::string(kDropCaches) + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    return true;
}

void SearchComparison::coldRound(int number)
{
    double search = 0, single = 0, fd = 0;
    const auto timeSearch = [&](bool readAhead, double& seconds, const char* what) {
        m_readAhead(readAhead);
        if (!dropCache())
            m_problems.push_back("the page cache could not be dropped");
        const SearchFigures figures = m_core.search();
        m_readAhead(true);
        checkSearch(figures);
        checkOrder(what);
        seconds = figures.seconds;
    };
    const auto runSearch = [&] { timeSearch(true, search, "the cold search"); };
    const auto runSingle = [&] { timeSearch(false, single, "the cold search on one thread"); };
    const auto runFd = [&] {
        if (!fdRan())
            return;
        if (!dropCache())
            m_problems.push_back("the page cache could not be dropped");
        const ToolRun run = ToolComparison::runFd(m_fdPath, m_tree.root(), m_regex, kColdFdThreads);
        checkTool("fd (cold)", run);
        fd = run.seconds;
    };
    const std::vector<std::function<void()>> ways = {runSearch, runSingle, runFd};
    for (std::size_t i = 0; i < ways.size(); ++i)
        ways[(i + static_cast<std::size_t>(number)) % ways.size()]();

    m_cold.push_back(search);
    m_coldSingle.push_back(single);
    if (fdRan()) {
        m_coldFd.push_back(fd);
        std::printf("cold round %d: search %.3f s, one thread %.3f s, fd -j%u %.3f s\n", number, search,
                    single, kColdFdThreads, fd);
    } else {
        std::printf("cold round %d: search %.3f s, one thread %.3f s\n", number, search, single);
    }
}

void SearchComparison::checkOrder(const char* what)
{
    std::vector<std::string> rows;
    for (const ListedFile& file : m_core.listedFiles())
        rows.push_back(ToolComparison::relative(m_tree.root(), file.path));
    if (rows != m_rowsInOrder)
        m_problems.push_back(std::string(what) + " listed other rows or another order than the warm one");
}

bool SearchComparison::report() const
{
    std::printf("medians of %zu rounds: search %.3f s, without helpers %.3f s, find %.3f s", m_search.size(),
                searchMedian(), searchAloneMedian(), findMedian());
    if (fdRan())
        std::printf(", fd %.3f s", fdMedian());
    std::printf(", floor %.3f s\n", floorMedian());
    if (coldRan()) {
        std::printf("cold medians of %zu rounds: search %.3f s, one thread %.3f s", m_cold.size(),
                    coldMedian(), coldSingleMedian());
        if (fdRan())
            std::printf(", fd -j%u %.3f s", kColdFdThreads, coldFdMedian());
        std::printf("\n");
    }
    std::printf("search: %.0f files/s, %.0f folders/s\n",
                static_cast<double>(m_tree.files()) / searchMedian(),
                static_cast<double>(m_tree.folders()) / searchMedian());
    std::vector<std::string> problems = m_problems;
    std::sort(problems.begin(), problems.end());
    problems.erase(std::unique(problems.begin(), problems.end()), problems.end());
    for (const std::string& problem : problems)
        std::printf("MISMATCH: %s\n", problem.c_str());
    if (m_problems.empty())
        std::printf("%s found the same %zu files\n",
                    fdRan() ? "the search, find and fd" : "the search and find", m_expected.size());
    return m_problems.empty();
}

double SearchComparison::median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void SearchComparison::checkSearch(const SearchFigures& figures)
{
    if (figures.rows != m_expected.size() || figures.rows != m_tree.matching() ||
        figures.foldersEntered != m_tree.folders()) {
        m_problems.push_back("the search listed " + std::to_string(figures.rows) + " files in " +
                             std::to_string(figures.foldersEntered) + " folders, the tree has " +
                             std::to_string(m_tree.matching()) + " in " + std::to_string(m_tree.folders()));
    }
}

void SearchComparison::checkTool(const char* name, const ToolRun& run)
{
    if (!run.ran) {
        m_problems.push_back(std::string(name) + " did not run: " + run.error);
        return;
    }
    if (run.files != m_expected)
        m_problems.push_back(std::string(name) +
                             " found other files than the search: " + differences(m_expected, run.files));
}

} // namespace dustrel::bench
