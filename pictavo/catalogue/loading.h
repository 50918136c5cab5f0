#pragma once
// The folder scan and the loading thread that fills and sorts the catalogue.
#include <cstdint>
#include <string>
#include <vector>

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
// valid, else the local file date. The date is read from path (the record's
// own full path when not given).
void SetPhotoTime(PhotoRecord& record);
void SetPhotoTime(PhotoRecord& record, const std::string& path);

// Appends the store's photos culled from below the scanned folder (per the
// store journal, oldest cull first) as culled records; returns them in that order.
std::vector<const PhotoRecord*> AddStoredCulls(PictavoState& state);
// Pushes the positions the records have now (after the sort) on the undelete
// stack in the given order, so the last cull is undone first.
void RebuildUndeleteStack(PictavoState& state, const std::vector<const PhotoRecord*>& culled);

// Orders the catalogue by photo time; polls the stop request once per target position.
void SortCatalogue(PictavoState& state);

// The loading thread's work, run on the calling thread (headless scans and tests).
void LoadingThreadBody(PictavoState& state);

}  // namespace pictavo
