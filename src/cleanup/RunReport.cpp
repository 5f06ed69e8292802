#include "cleanup/RunReport.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/ResultsList.h"
#include "state/Format.h"
#include "state/ProgramState.h"

#include <algorithm>

namespace dustrel {

Result<void> WriteListing(const ResultsList& results, std::FILE* out)
{
    std::string line;
    for (std::size_t row = 0; row < results.size(); ++row) {
        line = std::to_string(results.fileSize(row));
        line += '\t';
        appendEscaped(line, results.rule(row));
        line += '\t';
        appendEscaped(line, results.fullPath(row));
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size())
            break;
    }
    if (std::fflush(out) != 0 || std::ferror(out) != 0)
        return Error{0, "the list could not be written to standard output", ""};
    return {};
}

std::string DeletionSummary(WorkContext& context, const DeletionOutcome& outcome, std::size_t namedLimit)
{
    const std::string& newline = context.state.NEWLINE;
    const NumberFormat format = context.platform.locale.numberFormat();
    std::string text = (context.state.choices.optTrash() ? "Moved to the trash: " : "Cleaned: ") +
                       std::to_string(outcome.removed) + " file(s), " +
                       formatWhole(outcome.removedBytes, format) + " byte(s).";
    if (outcome.gone != 0)
        text += newline + "Already gone: " + std::to_string(outcome.gone) + " file(s).";
    const ResultsList& stayed = context.results;
    if (stayed.empty())
        return text;
    text += newline + "Stayed: " + std::to_string(stayed.size()) + " file(s).";
    const std::size_t named = std::min(stayed.size(), namedLimit);
    for (std::size_t row = 0; row < named; ++row) {
        text += newline + "   ";
        appendEscaped(text, stayed.fullPath(row));
        text += newline + "      ";
        const std::string_view why = stayed.stayReason(row);
        appendEscaped(text, why.empty() ? std::string_view("not tried") : why);
    }
    if (named < stayed.size())
        text += newline + "   and " + std::to_string(stayed.size() - named) + " more file(s).";
    return text;
}

} // namespace dustrel
