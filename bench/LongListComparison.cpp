#include "LongListComparison.h"

#include "BenchSession.h"
#include "CoreSearchDriver.h"
#include "SearchComparison.h"
#include "ToolComparison.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace dustrel::bench {

LongListComparison::LongListComparison(std::string root, std::size_t rows)
    : m_root(std::move(root)), m_rows(rows)
{}

double LongListComparison::median(std::vector<double> values)
{
    return SearchComparison::median(std::move(values));
}

double LongListComparison::search(bool helpers)
{
    // A session per search: the rows of the last one are not held while the next runs.
    auto session = std::make_unique<BenchSession>(m_root);
    session->fileSystem().setReadAhead(helpers ? posix::ReadAhead::WhenSlow : posix::ReadAhead::Off);
    auto driver = std::make_unique<CoreSearchDriver>(*session);
    const SearchFigures figures = driver->search();
    if (figures.rows != m_rows)
        m_problems.push_back("the long list has " + std::to_string(figures.rows) + " rows, the tree " +
                             std::to_string(m_rows) + " matching files");
    return figures.seconds;
}

void LongListComparison::round(int number)
{
    double search = 0, alone = 0, find = 0;
    const auto runFind = [&] {
        const ToolRun run = ToolComparison::runFindStat(m_root);
        if (!run.ran || run.lines != m_rows)
            m_problems.push_back("find -printf did not list the tree's " + std::to_string(m_rows) +
                                 " files: " + (run.ran ? std::to_string(run.lines) + " lines" : run.error));
        find = run.seconds;
    };
    const std::vector<std::function<void()>> ways = {[&] { search = this->search(true); },
                                                     [&] { alone = this->search(false); }, runFind};
    for (std::size_t i = 0; i < ways.size(); ++i)
        ways[(i + static_cast<std::size_t>(number)) % ways.size()]();
    m_search.push_back(search);
    m_searchAlone.push_back(alone);
    m_findStat.push_back(find);
    std::printf("long list round %d: search %.3f s, without helpers %.3f s, find -printf %.3f s\n", number,
                search, alone, find);
}

} // namespace dustrel::bench
