#pragma once
// Starting, stopping and running one scan.
//
// Usage (user-interface thread): the Start button calls
// view.EnableControls(false) then StartScan; the Stop button calls StopScan,
// pauses 500 ms and enables the controls; the window calls ShutdownScan
// before it is destroyed. The worker runs RunScanWorker on its own thread.
#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"

namespace cairnly {

// Clears the stale flags and summaries, waits (with "Waiting for search to
// stop") for a previous worker, empties the tables and starts a new worker
// on state.Scan. A Stop while it waits ends the old worker only.
// Returns false, with a status message and the controls idle, when the root
// folder is empty or does not exist (nothing else is ever walked instead);
// returns false at once, changing nothing, when called again while an earlier
// call is still waiting for the previous worker.
bool StartScan(CairnlyState& state, ScanView& view);
void StopScan(CairnlyState& state, ScanView& view);
void ClearResults(CairnlyState& state, ScanView& view);
// Stops a running worker and joins it, keeping events flowing meanwhile.
void ShutdownScan(CairnlyState& state, ScanView& view);

// The worker's phases in order, run as state.Scan's job on the calling thread
// (tests and benchmarks; the settings snapshot must already be taken).
void RunScanWorker(CairnlyState& state, ScanView& view);

}  // namespace cairnly
