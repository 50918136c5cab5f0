#pragma once
// What the scan engine needs from the main window.
//
// Usage:
// - The Qt main window implements this interface; tests use a recording fake.
// - The scan worker calls it from its own thread. Every call but
//   AddDuplicateRow is synchronous: it returns only after the user-interface
//   thread has done the work (the Qt side uses Qt::BlockingQueuedConnection),
//   so while a call runs the worker is blocked and the page code may read the
//   tables freely. AddDuplicateRow may return before its row is shown: the
//   record must not change after it is handed over, and the view shows the row
//   before it runs any later call (so order and counts stay the engine's).
// - StartScan/StopScan/ClearResults call it on the user-interface thread
//   (directly, no queuing). Pause() is only ever called there and must keep the
//   event loop running (processEvents + short sleeps), or a worker blocked in
//   one of the calls above would never be served.
// - The page-filling calls carry only table indexes; the contents of each page
//   (rows, size cells, summaries, PageStatusText) are produced by the page logic
//   in cairnly/pages, which the window runs when it gets these calls.
// - Status texts do not come through here: the engine calls
//   shared::DesktopServices::SetStatus, whose sink the window installs.
#include <cstdint>

#include "cairnly/engine/result_page.h"

namespace cairnly {

struct FileRecord;

class ScanView {
  public:
    virtual ~ScanView() = default;

    // Start, Configuration and the disk-cleanup button enabled when idle; Stop when not.
    virtual void EnableControls(bool idle) = 0;

    // Selects the tab, shows the page's PageStatusText and refreshes a stale page.
    virtual void ShowPage(int page) = 0;

    // Deletes the rows of all four lists (ClearResults).
    virtual void ClearAllPages() = 0;

    // Rows currently in a page's list.
    virtual int PageRowCount(int page) = 0;

    // The page whose tab is selected now (the user may have switched tabs
    // during the scan); -1 before any page was shown.
    virtual int SelectedPage() = 0;

    // Live preview during the walk: insert FolderTable[folderIndex] as row 0 of
    // the Largest folders list.
    virtual void PreviewLargestFolder(int folderIndex) = 0;

    // Page fills between the phases (the page logic clears/fills and writes the summary).
    virtual void FillLargestFolders() = 0;
    virtual void FillLargestFiles(bool refill) = 0;
    // Appends one row to the Duplicate files page: row number (0-based), the record,
    // its index in DuplicateList and its group.
    virtual void AddDuplicateRow(int row, const FileRecord& record, int listIndex, int group) = 0;
    virtual void FillPartialFolders() = 0;

    // User-interface thread only: wait about this long while still handling events.
    virtual void Pause(int milliseconds) = 0;
};

}  // namespace cairnly
