#include "CoreSearchDriver.h"

#include "cleanup/Deletion.h"
#include "scan/SearchRun.h"

#include <chrono>

namespace dustrel::bench {

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

CoreSearchDriver::CoreSearchDriver(BenchSession& session)
    : m_session(session),
      m_results(session.platform().pathRules.separator), m_context{session.state, session.platform(), m_host,
                                                                   m_results}
{}

SearchFigures CoreSearchDriver::search()
{
    const long pumpsBefore = m_host.pumps();
    const auto start = std::chrono::steady_clock::now();
    const Result<void> searched = Command1_Click(m_context);
    SearchFigures figures;
    figures.seconds = secondsSince(start);
    // A pump follows every folder entered but the drive's root.
    figures.foldersEntered = static_cast<std::size_t>(m_host.pumps() - pumpsBefore) + 1;
    figures.rows = m_results.size();
    figures.wastedSize = m_results.WASTED_SIZE();
    // A refused search shows why in place of its summary, which the comparison then finds wrong.
    figures.status = searched ? std::string(m_host.statusText()) : searched.error().message;
    return figures;
}

std::vector<ListedFile> CoreSearchDriver::listedFiles() const
{
    std::vector<ListedFile> files;
    files.reserve(m_results.size());
    for (std::size_t i = 0; i < m_results.size(); ++i)
        files.push_back({m_results.fullPath(i), m_results.fileSize(i)});
    return files;
}

DeletionFigures CoreSearchDriver::deleteRows()
{
    const auto start = std::chrono::steady_clock::now();
    const DeletionOutcome outcome = DeleteListedFiles(m_context, false);
    return DeletionFigures{outcome.tried, outcome.failures, secondsSince(start)};
}

} // namespace dustrel::bench
