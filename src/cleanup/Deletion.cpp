#include "cleanup/Deletion.h"

#include "base/Text.h"
#include "cleanup/DeletionRoute.h"
#include "cleanup/EventsLog.h"
#include "discovery/PublicVariables.h"
#include "platform/Platform.h"
#include "scan/ResultsList.h"
#include "scan/SearchRun.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "state/WindowHost.h"

#include <memory>
#include <optional>
#include <vector>

namespace dustrel {

namespace {

constexpr std::string_view kKilling = "   -> Killing : ";
constexpr std::string_view kMovingToTrash = "   -> Moving to trash : ";
constexpr std::string_view kKillError = "      *** An error occured while killing the file ***";
constexpr std::string_view kReasonIndent = "          ";
constexpr std::string_view kAlreadyGone = "      *** The file no longer exists: nothing left to kill ***";
constexpr std::string_view kAllKilled = "Selected Files have been correctly killed.";
constexpr std::string_view kAllTrashed = "Selected Files have been moved to the trash.";

// Told to the user when there is one and written to the options' stream when there is none: never passed
// over.
void tell(WorkContext& context, bool prompt, const DeletionOptions& options, const Message& message)
{
    if (prompt) {
        context.platform.messageBoxes.show(message);
    } else if (options.problems != nullptr) {
        StreamMessageBoxes(options.problems).show(message);
    }
}

// What could not be done.
void reportProblem(WorkContext& context, bool prompt, const DeletionOptions& options, std::string_view what,
                   const Error& error, std::string_view consequence)
{
    const std::string& newline = context.state.NEWLINE;
    std::string text(what);
    text += newline;
    text += error.path.empty() ? std::string(kLogName) : error.path;
    text += newline;
    text += error.message;
    if (!consequence.empty()) {
        text += newline;
        text += consequence;
    }
    tell(context, prompt, options, programMessage(std::move(text), MessageIcon::Exclamation));
}

void showFinalMessage(WorkContext& context, std::size_t failures)
{
    context.platform.messageBoxes.show(
        programMessage(FinalMessage(failures, context.state.choices.optTrash()),
                       failures == 0 ? MessageIcon::Information : MessageIcon::Exclamation));
}

void openViewer(WorkContext& context, bool prompt, const DeletionOptions& options, const std::string& path)
{
    auto opened = context.platform.processes.openTextFile(path);
    if (!opened) {
        Error error = opened.error();
        if (error.path.empty())
            error.path = path;
        reportProblem(context, prompt, options, "The events log could not be shown:", error, "");
    }
}

// What became of one row's file, and why it stayed when it did.
struct RowOutcome
{
    enum class Kind
    {
        Removed,
        Gone, // another run or program took it first: nothing is left to clean, so no failure
        Stayed,
    };
    Kind kind;
    std::string why;
};

RowOutcome removeRowFile(DeletionRoute& route, DeletionCursor& cursor, const ResultsList& results,
                         std::size_t row, const OpenFiles& inUse, FileTime deletedAt, bool toTrash)
{
    // A folder of the path that cannot be reached (gone, or now a link) fails the row as the file itself
    // would.
    if (const Result<void> reached = route.moveTo(results.folderOf(row)); !reached)
        return {RowOutcome::Kind::Stayed, "its folder could not be reached: " + reached.error().describe()};
    const std::string_view name = results.fileName(row);
    // A failure to clear the attributes counts, but the file is still tried.
    const Result<void> normal = cursor.setNormalAttributes(name);
    const Result<Removal> removed = toTrash
                                        ? cursor.moveToTrash(name, results.fileInfo(row), inUse, deletedAt)
                                        : cursor.deleteFile(name, results.fileInfo(row), inUse);
    if (!removed)
        return {RowOutcome::Kind::Stayed, removed.error().message};
    if (*removed == Removal::AlreadyGone)
        return {RowOutcome::Kind::Gone, {}};
    if (!normal)
        return {RowOutcome::Kind::Stayed, "its attributes could not be cleared: " + normal.error().message};
    return {RowOutcome::Kind::Removed, {}};
}

// What the window shows while a deletion runs, and its chances to repaint. Nothing without a window.
class Progress
{
public:
    Progress(WindowHost* host, std::size_t rows)
        : m_host(host), m_ofTotal(" of " + std::to_string(rows) + " files...")
    {
        if (m_host == nullptr)
            return;
        m_before = m_host->statusText();
        m_host->followStatusText(&m_text);
    }
    // The text of before comes back: what the run did is for its caller to tell.
    ~Progress()
    {
        if (m_host != nullptr)
            m_host->setStatusText(m_before);
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void at(std::size_t row)
    {
        if (m_host == nullptr)
            return;
        m_text.assign("Deleting ").append(std::to_string(row + 1)).append(m_ofTotal);
        m_host->pumpEvents();
    }

private:
    WindowHost* m_host;
    std::string m_ofTotal;
    std::string m_text;
    std::string m_before;
};

// The row loop of both deletions. Each row is tried once, in order, by a cursor that keeps the folders it
// went through open (see DeletionCursor for why that is safe), so a file costs a check and an unlink; the
// list is compacted once at the end, so a run over a million rows does not move the rows below each
// deleted one. A row that stays keeps the reason, for the window and the run's summary.
DeletionOutcome killRows(WorkContext& context, EventsLog* log, bool prompt, const DeletionOptions& options)
{
    FileSystem& fileSystem = context.platform.fileSystem;
    ResultsList& results = context.results;
    results.publish();
    DeletionOutcome outcome;
    // Once per run: asking the system which files are open costs a pass over every process. When it
    // cannot tell, every file counts as in use and stays.
    const OpenFiles inUse = results.empty() ? OpenFiles() : fileSystem.openFiles();
    if (!inUse.complete()) {
        outcome.inUseKnown = false;
        tell(context, prompt, options,
             programMessage("Which files programs hold open is not known: " + inUse.whyIncomplete() +
                                context.state.NEWLINE + "No listed file is deleted, since any may be in use.",
                            MessageIcon::Exclamation));
    }

    const std::unique_ptr<DeletionCursor> cursor = fileSystem.newDeletionCursor();
    DeletionRoute route(results, *cursor);

    // With the trash option every file goes through the same checks, then into the trash; the whole run
    // shares one deletion date.
    const bool toTrash = context.state.choices.optTrash();
    const FileTime deletedAt = toTrash ? context.platform.clock.now() : FileTime{};

    std::vector<bool> deleted(results.size(), false);
    Progress progress(prompt ? &context.host : nullptr, results.size());
    for (std::size_t row = 0; row < results.size(); ++row) {
        progress.at(row);
        if (log != nullptr)
            log->pathLine(toTrash ? kMovingToTrash : kKilling, results.fullPath(row));
        RowOutcome done = removeRowFile(route, *cursor, results, row, inUse, deletedAt, toTrash);
        ++outcome.tried;
        deleted[row] = done.kind != RowOutcome::Kind::Stayed;
        if (done.kind == RowOutcome::Kind::Removed) {
            ++outcome.removed;
            outcome.removedBytes += results.fileSize(row);
        } else if (done.kind == RowOutcome::Kind::Gone) {
            ++outcome.gone;
            if (log != nullptr)
                log->line(kAlreadyGone);
        } else {
            if (log != nullptr) {
                log->line(kKillError);
                log->pathLine(kReasonIndent, done.why);
            }
            ++outcome.failures;
            results.setStayReason(row, std::move(done.why));
        }
    }
    results.removeRows(deleted);
    return outcome;
}

void writeHeader(WorkContext& context, EventsLog& log)
{
    ProgramState& state = context.state;
    const std::string rule(47, '*');
    const std::string indent = "   ";

    log.line(rule);
    log.line(indent + std::string(kProgramTitle) + " - Events Log");
    const auto now = context.platform.clock.now();
    log.line(indent + context.platform.locale.shortDate(now) + " - " +
             context.platform.locale.shortTime(now));
    log.line(rule);
    log.line("");

    log.line("* Selected type of files :");
    for (const CheckBox& box : state.choices.files()) {
        if (box.ticked())
            log.line(indent + box.caption);
    }
    log.line("");
    log.line("* Selected directories :");
    for (const CheckBox& box : state.choices.dirs()) {
        if (box.ticked())
            log.line(indent + box.caption);
    }
    log.line("");
    log.line("* Selected drives :");
    const auto& drives = state.choices.drives();
    const std::size_t driveCount = state.listedDrives();
    for (std::size_t i = 0; i < driveCount; ++i) {
        if (drives[i].box.ticked())
            log.line(indent + drives[i].box.caption);
    }
    log.line("");
    // The user's entries only: the program's own temporary file in slot 0 is not theirs to see.
    log.line("* Files to ignore :");
    for (const std::string& entry : state.IGN_TBL.entries())
        log.pathLine(indent, entry);
    log.line("");
    log.line("* Custom type of files :");
    for (const std::string& pattern : state.CSTM_TBL.patterns())
        log.pathLine(indent, pattern);
    log.line("");
    log.line(rule);
    log.line("");
    log.line(withoutSummaryIndent(context.host.statusText()));
    log.line("");
}

} // namespace

std::string FinalMessage(std::size_t failures, bool toTrash)
{
    if (failures == 0)
        return std::string(toTrash ? kAllTrashed : kAllKilled);
    return std::to_string(failures) + " error(s) happened while killing selected files.";
}

DeletionOutcome DeleteListedFiles(WorkContext& context, bool prompt, const DeletionOptions& options)
{
    context.host.setPointer(Pointer::Hourglass);
    const DeletionOutcome outcome = killRows(context, nullptr, prompt, options);
    context.host.setPointer(Pointer::Default);
    if (prompt)
        showFinalMessage(context, outcome.failures);
    return outcome;
}

DeletionOutcome DeleteListedFilesWithLog(WorkContext& context, bool prompt, const DeletionOptions& options)
{
    const Result<std::string> place = GetEventsLogPath(context.platform, context.state.DTR_PATH, true);
    const std::string path = place ? *place : std::string();
    // An empty installation folder would put the log at the root of the file system.
    Result<EventsLog> created = Error{0, "the installation folder is not known", ""};
    if (!place)
        created = place.error();
    else if (!path.empty())
        created = EventsLog::create(context.platform.fileSystem, path, options.logLimit);
    if (!created) {
        reportProblem(context, prompt, options, "The events log could not be created:", created.error(),
                      "The listed files are deleted without it.");
        return DeleteListedFiles(context, prompt, options);
    }
    EventsLog& log = *created;

    context.host.setPointer(Pointer::Hourglass);
    writeHeader(context, log);
    const DeletionOutcome outcome = killRows(context, &log, prompt, options);
    const std::string finalMessage = FinalMessage(outcome.failures, context.state.choices.optTrash());
    context.host.setPointer(Pointer::Default);
    log.summaryLine("");
    log.summaryLine("");
    log.summaryLine(finalMessage);
    auto written = log.close();

    if (!written) {
        // A log that stops short is not offered for reading as if it were the report.
        reportProblem(context, prompt, options,
                      "The events log could not be written completely:", written.error(), "");
        if (prompt)
            showFinalMessage(context, outcome.failures);
        return outcome;
    }
    if (!prompt) {
        if (options.openLogViewer)
            openViewer(context, prompt, options, path);
        return outcome;
    }
    const Message question = programQuestion(
        finalMessage + context.state.NEWLINE + "Do you want to read the Log File ?", MessageAnswer::Yes);
    if (context.platform.messageBoxes.show(question) == MessageAnswer::Yes)
        openViewer(context, prompt, options, path);
    return outcome;
}

DeletionOutcome DeleteAsChosen(WorkContext& context, bool prompt, const DeletionOptions& options)
{
    if (context.state.choices.optLog())
        return DeleteListedFilesWithLog(context, prompt, options);
    return DeleteListedFiles(context, prompt, options);
}

void Command3_Click(WorkContext& context)
{
    ResultsList& results = context.results;
    WindowHost& host = context.host;
    results.publish();
    // Nothing listed: nothing to delete, and no success to claim.
    if (results.empty()) {
        host.setCommandEnabled(Command::Delete, false);
        return;
    }
    // The window repaints during the run: a new search or a second deletion must wait for its end.
    host.setCommandEnabled(Command::Search, false);
    host.setCommandEnabled(Command::Delete, false);
    DeleteAsChosen(context, true);
    host.setStatusText(SummaryText(context));
    host.setCommandEnabled(Command::Search, true);
    host.setCommandEnabled(Command::Delete, !results.empty());
}

} // namespace dustrel
