#include "scan/ResultsCommands.h"

#include "platform/Platform.h"
#include "scan/ResultsList.h"
#include "scan/SearchRun.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "state/WindowHost.h"

namespace dustrel {

bool ListView1_DblClick(WorkContext& context, std::size_t row)
{
    ResultsList& results = context.results;
    if (row >= results.size())
        return false;
    const Message question =
        programQuestion("Do you want this file to be added to the ignore file list ?", MessageAnswer::Yes);
    const bool add = context.platform.messageBoxes.show(question) == MessageAnswer::Yes;
    if (add)
        context.state.IGN_TBL.append(results.fullPath(row));

    results.removeAt(row);
    if (results.empty())
        context.host.setCommandEnabled(Command::Delete, false);
    context.host.setStatusText(SummaryText(context));
    return add;
}

} // namespace dustrel
