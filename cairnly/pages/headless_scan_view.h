#pragma once
// A scan view without a window: the page calls go to a ResultPages, the
// controls are ignored and pauses simply sleep. Used by cairnly-report and by
// tests that run whole scans; its calls run on the caller's thread.
#include <atomic>

#include "cairnly/engine/scan_view.h"
#include "cairnly/pages/page_view.h"
#include "cairnly/pages/result_pages.h"

namespace cairnly::pages {

// A page view that shows nothing; ResultPages keeps the rows itself.
class NullPageView : public PageView {
  public:
    void RowsChanging(int, const RowChange&) override {}
    void RowsChanged(int, const RowChange&) override {}
    void Repaint(int) override {}
};

class HeadlessScanView : public ScanView {
  public:
    explicit HeadlessScanView(ResultPages& pages) : pages_(pages) {}

    void EnableControls(bool) override {}
    void ShowPage(int page) override;
    void ClearAllPages() override { pages_.ClearAllPages(); }
    int PageRowCount(int page) override { return pages_.PageRowCount(page); }
    int SelectedPage() override { return shown_.load(); }
    void PreviewLargestFolder(int folderIndex) override {
        pages_.PreviewLargestFolder(folderIndex);
    }
    void FillLargestFolders() override { pages_.FillLargestFolders(); }
    void FillLargestFiles(bool refill) override { pages_.FillLargestFiles(refill); }
    void AddDuplicateRow(int row, const FileRecord& record, int listIndex, int group) override {
        pages_.AddDuplicateRow(row, record, listIndex, group);
    }
    void FillPartialFolders() override { pages_.FillPartialFolders(); }
    void Pause(int milliseconds) override;

    // The page selected last (-1 before any).
    int ShownPage() const { return shown_.load(); }

  private:
    ResultPages& pages_;
    std::atomic<int> shown_{-1};
};

// Runs one whole scan with the state's settings and waits for it to end.
// Returns false when the scan could not start (no such root folder).
bool RunScanToEnd(CairnlyState& state, HeadlessScanView& view);

}  // namespace cairnly::pages
