#pragma once
// The rows of one report list. A result list keeps no rows of its own: it
// reads the page logic's rows when the view asks for a cell, so a list of
// 100,000 rows costs no second copy and scrolls smoothly (the view asks only
// for the rows it draws). The owner of the rows announces each change before
// and after it is made. The confirmation dialog's list, which no page logic
// holds, keeps its rows here instead.
#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <functional>
#include <vector>

#include "cairnly/pages/page_view.h"

namespace cairnly {

class RowModel : public QAbstractTableModel {
  public:
    // Background of a cell from its display position.
    using Colouring = std::function<QColor(int row)>;

    // Shows rows that live elsewhere and outlive this model.
    RowModel(QStringList captions, const std::vector<pages::PageRow>& rows,
             QObject* parent = nullptr);
    // Shows rows of its own, added with AppendOwnRow.
    explicit RowModel(QStringList captions, QObject* parent = nullptr);

    void SetColouring(Colouring colouring) { colouring_ = std::move(colouring); }

    void RowsChanging(const pages::RowChange& change);
    // After a reorder, persistent indexes (the selection, the current row) follow their rows.
    void RowsChanged(const pages::RowChange& change);
    void RepaintAll();
    void AppendOwnRow(pages::PageRow row);

    long ItemData(int row) const;
    QString Cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const pages::PageRow* RowAt(int row) const;
    void MovePersistentIndexes(const std::vector<int>& order);

    QStringList captions_;
    std::vector<pages::PageRow> ownRows_;
    const std::vector<pages::PageRow>* rows_;
    Colouring colouring_;
};

}  // namespace cairnly
