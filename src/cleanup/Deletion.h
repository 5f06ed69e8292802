#pragma once

#include "cleanup/EventsLog.h"
#include "scan/WorkContext.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace dustrel {

struct DeletionOptions
{
    // Whether a deletion without a user (prompt false) starts the viewer on the events log it wrote. A run
    // with no desktop to show it on turns this off.
    bool openLogViewer = true;
    // Where a deletion without a user reports what it could not do (the log not written, the viewer not
    // started); nothing is reported when null.
    std::FILE* problems = stderr;
    // The size past which the events log is cut (see EventsLog).
    std::uint64_t logLimit = EventsLog::kDefaultLimit;
};

struct DeletionOutcome
{
    std::size_t tried = 0;
    std::size_t removed = 0; // deleted, or moved to the trash
    std::int64_t removedBytes = 0;
    std::size_t gone = 0; // no longer there when tried
    std::size_t failures = 0;
    bool inUseKnown = true; // false: which files are open was not known, so none was deleted
};

// Deletes the file of every row, top to bottom: the normal attributes first, then the file itself, and
// only the very file the search listed (see DeletionCursor::deleteFile); files in use are left alone.
// With the trash option ticked each file is moved to the trash instead, after the same checks. A file
// no longer there (another run or program took it) leaves nothing to clean and is no failure.
// The rows of deleted and gone files leave the list in one pass at the end; the failed rows stay, in order,
// each with the reason it stayed (ResultsList::stayReason).
// WASTED_SIZE follows the rows left; the status text and the Delete button are left as they are; with
// `prompt` the status text tells the progress meanwhile ("Deleting N of M files...") and the window's events
// run between files. With `prompt` the result is shown in a message box; without it nothing is shown. When
// which files are in use cannot be found out, no file is deleted and the user (with `prompt`) or the options'
// stream is told why.
DeletionOutcome DeleteListedFiles(WorkContext& context, bool prompt, const DeletionOptions& options = {});

// The same, writing the events log DUSTREL.LOG in the installation folder, or in the user's state folder
// when the installation folder is not theirs to write (see GetEventsLogPath). With `prompt` the user is
// offered to read it; without, the viewer is started on it unless the options say otherwise. A log that
// cannot be created is reported (a message box with `prompt`, the options' stream without) and the files
// are deleted without it; a log that could not be written completely is reported at the end.
DeletionOutcome DeleteListedFilesWithLog(WorkContext& context, bool prompt,
                                         const DeletionOptions& options = {});

// The choice of the Delete command and of the automatic mode: with the log when "&Log events to a file"
// is ticked.
DeletionOutcome DeleteAsChosen(WorkContext& context, bool prompt, const DeletionOptions& options = {});

// The Delete command: nothing with an empty list; Search and Delete stay disabled while it runs; then
// WASTED_SIZE is the size of the rows that stayed, the status text their summary, and Delete is enabled
// only when a row stayed.
void Command3_Click(WorkContext& context);

// "Selected Files have been correctly killed." ("Selected Files have been moved to the trash." when they
// went to the trash) or "<n> error(s) happened while killing selected files.".
std::string FinalMessage(std::size_t failures, bool toTrash = false);

} // namespace dustrel
