#pragma once
// The folder scan and the loading thread that fills and sorts the catalogue.
#include <cstdint>
#include <string>

#include "pictavo/catalogue/pictavo_state.h"

namespace pictavo {

// User-interface thread: waits for a running loading thread (pumping events,
// "Waiting for search to stop" on the status line; never two loaders at once),
// clears the catalogue, clears the stop request and starts a new loading thread.
// Returns at once; the result arrives through the view and the status line.
void StartLoading(PictavoState& state);

// Sets the stop request, waits for the loading thread (pumping events) and
// joins it. For the window's close; the view may still be called meanwhile.
// Start loading does nothing afterwards, also one already waiting.
void StopLoading(PictavoState& state);

// Frees every record, sets both positions to 0, redraws the (now empty) pair
// and empties the undelete stack.
void ClearCatalogue(PictavoState& state);

// Length 0, every entry −1, Undelete disabled.
void EmptyUndeleteStack(PictavoState& state);

// The recursive walk; returns the total size of the photo files it accepted.
std::int64_t ScanFolder(PictavoState& state, const std::string& path, bool reparsePoint);

// Fills a record's photoTime and dateTakenText: the date taken when it is
// valid, else the local file date.
void SetPhotoTime(PhotoRecord& record);

// Orders the catalogue by photo time; polls the stop request once per target position.
void SortCatalogue(PictavoState& state);

// The loading thread's work, run on the calling thread (headless scans and tests).
void LoadingThreadBody(PictavoState& state);

}  // namespace pictavo
