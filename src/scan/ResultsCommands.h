#pragma once

#include "scan/WorkContext.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dustrel {

// Double-click on a result row: the user is asked whether the file joins the ignore list (on Yes its
// full path is appended to IGN_TBL), the row leaves the list and its size the list's WASTED_SIZE, Delete
// is disabled when the list is now empty and the summary is written again. A row number past the end does
// nothing. True when the path was added to IGN_TBL, so the window can show it in its ignore list.
bool ListView1_DblClick(WorkContext& context, std::size_t row);

// Takes several rows (their numbers in the list, in any order) out of the list after asking, naming their
// count: their sizes leave WASTED_SIZE, Delete is disabled when the list is now empty and the summary is
// written again. Numbers past the end are passed over. True when the rows went.
bool RemoveRows(WorkContext& context, const std::vector<std::size_t>& rows);

// Appends the full paths of the rows to IGN_TBL and takes the rows out of the list as RemoveRows does,
// without a question: an ignored file is never to be deleted. Returns the paths added.
std::vector<std::string> IgnoreRows(WorkContext& context, const std::vector<std::size_t>& rows);

} // namespace dustrel
