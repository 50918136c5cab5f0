#pragma once
// The four result pages: what each lists, in what order, with which summary;
// sorting by column, row colours, the folder a double click opens, and the
// rebuild of a stale page when it is shown.
//
// Usage:
// - One ResultPages per main window, created with the process-wide state and
//   the window's PageView. The window forwards the page calls of its ScanView
//   (PreviewLargestFolder, FillLargestFolders, FillLargestFiles, AddDuplicateRow,
//   FillPartialFolders, ClearAllPages, PageRowCount) to the methods of the same
//   name, and after selecting a tab in ShowPage calls PageShown.
// - All methods run on one thread at a time: the window's user-interface thread,
//   or the scan worker while the window is blocked in one of its calls.
// - The rows are kept here only, in display order (positions are display
//   positions); the window's lists read them through Rows() when they draw.
//   Every change to them is announced to the PageView before and after.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"
#include "cairnly/pages/page_layout.h"
#include "cairnly/pages/page_view.h"

namespace cairnly::pages {

constexpr int kMaxFolderRows = 1000;
constexpr int kMaxFileRows = 2000;

// One row of the Duplicate files page as the scan view hands it over.
struct DuplicateRow {
    int row = 0;  // position, counted by the fill that adds it
    const FileRecord* record = nullptr;
    int listIndex = 0;  // the record's index in DuplicateList
    int group = 0;
};

class ResultPages {
  public:
    ResultPages(CairnlyState& state, PageView& view);

    // Page calls of the scan view.
    void PreviewLargestFolder(int folderIndex);
    void FillLargestFolders();
    void FillLargestFiles(bool refill);
    void AddDuplicateRow(int row, const FileRecord& record, int listIndex, int group);
    // Several rows at once, in the order they were found: one change per run of
    // consecutive row numbers.
    void AddDuplicateRows(const std::vector<DuplicateRow>& rows);
    void FillPartialFolders();
    void ClearAllPages();
    int PageRowCount(int page) const;

    // Rebuilds the Duplicate files page from DuplicateList, leaving deleted files out.
    void RefreshDuplicates();

    // The page was selected: its summary goes to the status line, then a stale
    // page is rebuilt. scanView receives the partial-folder refill.
    void PageShown(int page, ScanView& scanView);

    // Column click: a repeated click on the same column reverses the direction.
    void ColumnClicked(int page, int column);
    const SortState& Sort(int page) const;
    // The sort comparison of two rows' item data: -1, 0 or 1.
    int CompareItems(int page, long itemA, long itemB, int column, int direction) const;

    // Background colour of the row at a display position.
    Rgb RowColour(int page, int position) const;

    // The folder a double click on the row opens, if the row's record is there.
    std::optional<std::string> FolderToOpen(int page, int position) const;

    // Right-click menu of the row; empty on the Largest folders page, and while a
    // scan runs (its worker is still writing the tables).
    std::vector<MenuItem> MenuFor(int page) const;

    const std::vector<PageRow>& Rows(int page) const;
    // Removes from the Largest files list every row whose file was deleted.
    void RemoveDeletedFileRows();

    // Empties a list and its summary (before a refill or a re-analysis).
    void ClearPage(int page);

    CairnlyState& State() const { return state_; }

  private:
    std::vector<PageRow>& RowsOf(int page);
    void InsertRows(int page, int position, std::vector<PageRow> added);
    void AppendRow(int page, PageRow row);
    void RemoveRows(int page, int first, int count);
    void ResetRows(int page);
    void SetSummary(int page, const std::string& text);
    void SetStatus(const std::string& text);
    bool Stopped() const;
    const FileRecord* FileAt(long index) const;
    const FileRecord* DuplicateAt(long index) const;
    const FolderRecord* FolderAt(long index) const;
    const PartialFolderRecord* PartialAt(long index) const;
    void RefreshPartialFolders(ScanView& scanView);
    void RefillLargestFiles();
    long ItemData(int page, int position) const;

    CairnlyState& state_;
    PageView& view_;
    std::array<std::vector<PageRow>, kPageCount> rows_;
    std::array<SortState, kPageCount> sort_;
};

}  // namespace cairnly::pages
