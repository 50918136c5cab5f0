#pragma once
// The rows of one report list: cell texts and the item data that links each
// row to its record. Holds the rows itself so that a list of 100,000 rows
// scrolls smoothly (the view asks only for the rows it draws).
#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <functional>
#include <vector>

#include "cairnly/pages/page_view.h"

namespace cairnly {

class RowModel : public QAbstractTableModel {
  public:
    // Background of a cell from its display position and item data.
    using Colouring = std::function<QColor(int row, long itemData)>;

    explicit RowModel(QStringList captions, QObject* parent = nullptr);

    void SetColouring(Colouring colouring) { colouring_ = std::move(colouring); }

    void InsertRow(int position, const pages::PageRow& row);
    void DeleteRow(int position);
    void DeleteAllRows();
    // The row now at position i was at order[i] before; selections follow their rows.
    void Reorder(const std::vector<int>& order);
    void RepaintAll();

    long ItemData(int row) const;
    QString Cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Row {
        QStringList cells;
        long itemData = -1;
    };

    QStringList captions_;
    std::vector<Row> rows_;
    Colouring colouring_;
};

}  // namespace cairnly
