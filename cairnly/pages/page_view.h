#pragma once
// The four result lists as the page logic sees them. The rows live in the page
// logic only; a list reads them from there when it draws, so the view is told
// of every change to a page's rows: once before the change is made (while the
// rows are still as the list knows them) and once after. The window implements
// it with its list models; tests implement it with a checking fake. Every call
// comes on the thread that owns the pages (the window forwards worker calls).
#include <string>
#include <vector>

namespace cairnly::pages {

struct PageRow {
    std::vector<std::string> cells;  // item text, then the sub-items
    long itemData = -1;              // index of the row's record in the page's table
};

struct RowChange {
    enum class Kind {
        Insert,   // count rows appear at first
        Remove,   // the count rows at first go
        Reset,    // every row goes (a new fill follows)
        Reorder,  // the same rows in another order
    };
    Kind kind = Kind::Reset;
    int first = 0;
    int count = 0;
    // Reorder: the row now at position i was at order[i] before.
    std::vector<int> order;
};

class PageView {
  public:
    virtual ~PageView() = default;
    // Between the two calls of one change the page's rows must not be read.
    virtual void RowsChanging(int page, const RowChange& change) = 0;
    virtual void RowsChanged(int page, const RowChange& change) = 0;
    // Colours depend on the sort column, so a sort or a removal asks for a repaint.
    virtual void Repaint(int page) = 0;
};

}  // namespace cairnly::pages
