#pragma once

#include "cleanup/Deletion.h"
#include "platform/Result.h"
#include "scan/WorkContext.h"

#include <cstddef>
#include <cstdio>
#include <string>

namespace dustrel {

class ResultsList;

// Writes one line per row to `out`, for a script to read: the size in bytes, a tab, the rule that listed
// the file, a tab, and the full path, the last two escaped as the events log escapes paths, so a name
// holding a tab or a line break stays within its field. Fails when the stream could not take every line.
Result<void> WriteListing(const ResultsList& results, std::FILE* out);

// What a deletion without a user did, for its standard error: the files and bytes cleaned, the files that
// were already gone, and each file that stayed (the rows still listed) with the reason, up to
// `namedLimit` of them. Lines are joined by NEWLINE.
std::string DeletionSummary(WorkContext& context, const DeletionOutcome& outcome,
                            std::size_t namedLimit = 100);

} // namespace dustrel
