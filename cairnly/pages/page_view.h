#pragma once
// The four result lists as the page logic sees them. The window implements it
// with its list views; tests implement it with a recording fake. Every call
// comes on the thread that owns the pages (the window forwards worker calls).
#include <string>
#include <vector>

namespace cairnly::pages {

struct PageRow {
    std::vector<std::string> cells;  // item text, then the sub-items
    long itemData = -1;              // index of the row's record in the page's table
};

class PageView {
  public:
    virtual ~PageView() = default;
    virtual void InsertRow(int page, int position, const PageRow& row) = 0;
    virtual void DeleteRow(int page, int position) = 0;
    virtual void DeleteAllRows(int page) = 0;
    // The rows were reordered: the row now at position i was at order[i] before.
    virtual void RowsReordered(int page, const std::vector<int>& order) = 0;
    // Colours depend on the sort column, so a sort or a removal asks for a repaint.
    virtual void Repaint(int page) = 0;
};

}  // namespace cairnly::pages
