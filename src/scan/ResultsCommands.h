#pragma once

#include "scan/WorkContext.h"

#include <cstddef>

namespace dustrel {

// Double-click on a result row: the user is asked whether the file joins the ignore list (on Yes its
// full path is appended to IGN_TBL), the row leaves the list and its size the list's WASTED_SIZE, Delete
// is disabled when the list is now empty and the summary is written again. A row number past the end does
// nothing. True when the path was added to IGN_TBL, so the window can show it in its ignore list.
bool ListView1_DblClick(WorkContext& context, std::size_t row);

} // namespace dustrel
