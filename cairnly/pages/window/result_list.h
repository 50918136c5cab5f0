#pragma once
// A report list: full-row selection, header clicks, double click and right
// click reported to the owner, and one column that takes the spare width.
#include <QTreeView>
#include <functional>
#include <vector>

#include "cairnly/pages/page_layout.h"
#include "cairnly/pages/window/row_model.h"

namespace cairnly {

class ResultList : public QTreeView {
  public:
    // rows: the rows the list shows, kept by their owner; null for a list
    // that keeps its own (RowModel::AppendOwnRow).
    ResultList(const std::vector<pages::Column>& columns, int pathColumn,
               const std::vector<pages::PageRow>* rows, QWidget* parent = nullptr);

    RowModel& Rows() { return *model_; }
    const RowModel& Rows() const { return *model_; }

    std::function<void(int column)> onColumnClicked;
    std::function<void(int row)> onRowActivated;
    // The right click on a row, with the global position for a menu.
    std::function<void(QPoint globalPos)> onContextMenu;

    // Selected rows in list order.
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& rows);
    // Shows the sort arrow for a column click (direction +1 ascending).
    void ShowSortIndicator(int column, int direction);
    // The spare width: list width minus the other columns minus 23 pixels.
    int PathColumnWidth() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    void FitPathColumn();
    // The width the column's caption needs in the header.
    int CaptionWidth(int column) const;

    RowModel* model_;
    std::vector<int> widths_;
    int pathColumn_;
};

}  // namespace cairnly
