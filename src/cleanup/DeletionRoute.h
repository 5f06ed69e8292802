#pragma once

#include "platform/Result.h"
#include "scan/ResultsList.h"

#include <cstdint>
#include <vector>

namespace dustrel {

class DeletionCursor;

// Moves a deletion cursor through the folders of the results list as the rows go by, using the list's own
// tree of folders: from one row's folder to the next it climbs to the folder the two share and goes down
// from there, so a list in search order costs one step per folder of the tree in all, however deep the
// tree and however many rows it has, and no row's path is put together or compared.
class DeletionRoute
{
public:
    DeletionRoute(const ResultsList& results, DeletionCursor& cursor);

    // Puts the cursor in `folder`. Fails, with the cursor's reason, when a folder on the way could not be
    // opened (gone, or now a link or no folder): the cursor then stays in the deepest folder it could
    // reach, and the next row tries the way again.
    Result<void> moveTo(ResultsList::FolderId folder);

private:
    // Leaves folders until `keep` (at least 1) remain on the way; false when the cursor lost its place
    // doing so.
    bool unwindTo(std::size_t keep);
    void forgetWay();

    const ResultsList& m_results;
    DeletionCursor& m_cursor;
    std::vector<ResultsList::FolderId> m_way;  // where the cursor is: a start folder, then one folder a level
    std::vector<std::uint32_t> m_position;     // per folder: its place on the way + 1, 0 when not on it
    std::vector<ResultsList::FolderId> m_down; // folders still to enter, the deepest first
};

} // namespace dustrel
