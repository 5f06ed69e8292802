#pragma once

#include "BenchSession.h"
#include "SearchDriver.h"
#include "scan/ResultsList.h"
#include "scan/WorkContext.h"
#include "support/HeadlessWindowHost.h"

namespace dustrel::bench {

// The search and the deletion of the core over a window that is only state, with pumps and status text
// as a window gets them.
class CoreSearchDriver : public SearchDriver
{
public:
    explicit CoreSearchDriver(BenchSession& session);

    std::string_view name() const override { return "core"; }
    SearchFigures search() override;
    std::vector<ListedFile> listedFiles() const override;
    DeletionFigures deleteRows() override;

private:
    BenchSession& m_session;
    HeadlessWindowHost m_host;
    ResultsList m_results;
    WorkContext m_context;
};

} // namespace dustrel::bench
