#pragma once
// Folders that share many duplicate groups with another folder.
#include <cstdint>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"

namespace cairnly {

// refresh false: analysis after a scan (scan worker). refresh true: recount
// after deletions, on the user-interface thread; it counts only files whose
// DeleteState is normal and gives up when PartialPageStale is cleared.
// Ends with view.FillPartialFolders() unless abandoned. Never runs twice at
// once: a second call while one rebuilds the table returns at once.
void FindPartialDuplicateFolders(CairnlyState& state, ScanView& view, bool refresh);

// True when a and b have at least minPartial duplicate groups in common; may
// set either MatchKey to -1 when it can no longer reach minPartial.
bool SharesEnough(PartialFolderRecord& a, PartialFolderRecord& b, std::int32_t minPartial);

}  // namespace cairnly
