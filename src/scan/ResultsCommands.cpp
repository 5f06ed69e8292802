#include "scan/ResultsCommands.h"

#include "platform/Platform.h"
#include "scan/ResultsList.h"
#include "scan/SearchRun.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "state/WindowHost.h"

namespace dustrel {

namespace {

// The rows that exist, flagged; their count.
std::size_t flagRows(const ResultsList& results, const std::vector<std::size_t>& rows,
                     std::vector<bool>& flags)
{
    flags.assign(results.size(), false);
    std::size_t count = 0;
    for (const std::size_t row : rows) {
        if (row < flags.size() && !flags[row]) {
            flags[row] = true;
            ++count;
        }
    }
    return count;
}

void dropFlagged(WorkContext& context, const std::vector<bool>& flags)
{
    ResultsList& results = context.results;
    results.removeRows(flags);
    if (results.empty())
        context.host.setCommandEnabled(Command::Delete, false);
    context.host.setStatusText(SummaryText(context));
}

} // namespace

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

bool RemoveRows(WorkContext& context, const std::vector<std::size_t>& rows)
{
    context.results.publish();
    std::vector<bool> flags;
    const std::size_t count = flagRows(context.results, rows, flags);
    if (count == 0)
        return false;
    const Message question = programQuestion("Do you want to remove the " + std::to_string(count) +
                                                 " selected file(s) from the list ?",
                                             MessageAnswer::Yes);
    if (context.platform.messageBoxes.show(question) != MessageAnswer::Yes)
        return false;
    dropFlagged(context, flags);
    return true;
}

std::vector<std::string> IgnoreRows(WorkContext& context, const std::vector<std::size_t>& rows)
{
    context.results.publish();
    std::vector<bool> flags;
    std::vector<std::string> added;
    if (flagRows(context.results, rows, flags) == 0)
        return added;
    for (std::size_t row = 0; row < flags.size(); ++row) {
        if (flags[row]) {
            added.push_back(context.results.fullPath(row));
            context.state.IGN_TBL.append(added.back());
        }
    }
    dropFlagged(context, flags);
    return added;
}

} // namespace dustrel
