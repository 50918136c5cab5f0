#pragma once
// The store of culled photos: the Deletes folder in the data folder, cull,
// undelete and the emptying of the store. Qt-free.
#include <cstdint>
#include <string>

#include "pictavo/catalogue/pictavo_state.h"

namespace pictavo {

constexpr int kMaxDeletedCopyNumber = 998;

// Creates the data folder and its Deletes folder (an existing one is fine),
// keeps the path, with a trailing '/', in state.storeFolder and reads the
// store journal. False when the folder does not exist afterwards.
bool CreateStoreFolder(PictavoState& state);
// The journal beside the store, in the data folder (not in the store, whose
// every file the emptying deletes).
std::string StoreJournalPath(const std::string& dataFolder);

// Moves the photo at position into the store (renaming it on a clash), notes
// it in the store journal, marks it culled and pushes it on the undelete stack. False, with a
// status message and nothing changed, when the move fails.
bool Cull(PictavoState& state, std::int32_t position);
// Restores the photo on top of the undelete stack and positions the pair
// around it (the caller settles and draws). False when nothing was restored.
bool Undelete(PictavoState& state);

// The window's commands (delete left/right, A/S keys, Undelete button): the
// operation, the pair move and the redraw recording the start position.
bool CullLeftAndShow(PictavoState& state);
bool CullRightAndShow(PictavoState& state);
bool UndeleteAndShow(PictavoState& state);

// Shows the prepared text with the error number on the status line (and in
// the log at level 2): "%s (Error accessing file)" for 13, "%s (%d)" otherwise.
void ReportFileError(shared::DesktopServices& services, const std::string& prepared, int code);

// Files (not folders) in the store folder; 0 when it cannot be listed.
std::int32_t CountStoreFiles(const std::string& storeFolder);

struct StoreEmptying {
    std::int32_t deleted = 0;
    std::int32_t failed = 0;
};
// Deletes every file (not folders) of the store, drops the journal entries of
// the files gone; empties the undelete stack when at least one file was
// deleted. Culled records stay culled.
StoreEmptying DeleteStoreFiles(PictavoState& state);

}  // namespace pictavo
