#include "cairnly/pages/window/row_model.h"

#include <algorithm>

namespace cairnly {

RowModel::RowModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions)) {}

void RowModel::InsertRow(int position, const pages::PageRow& row) {
    position = std::clamp(position, 0, static_cast<int>(rows_.size()));
    Row stored;
    stored.itemData = row.itemData;
    for (const std::string& cell : row.cells) stored.cells << QString::fromStdString(cell);
    beginInsertRows(QModelIndex(), position, position);
    rows_.insert(rows_.begin() + position, std::move(stored));
    endInsertRows();
}

void RowModel::DeleteRow(int position) {
    if (position < 0 || position >= static_cast<int>(rows_.size())) return;
    beginRemoveRows(QModelIndex(), position, position);
    rows_.erase(rows_.begin() + position);
    endRemoveRows();
}

void RowModel::DeleteAllRows() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void RowModel::Reorder(const std::vector<int>& order) {
    if (order.size() != rows_.size()) return;
    emit layoutAboutToBeChanged();
    std::vector<int> newPosition(order.size());
    std::vector<Row> reordered;
    reordered.reserve(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        reordered.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
        newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    rows_ = std::move(reordered);
    QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after << this->index(newPosition[static_cast<std::size_t>(index.row())], index.column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void RowModel::RepaintAll() {
    if (rows_.empty()) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

long RowModel::ItemData(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return -1;
    return rows_[static_cast<std::size_t>(row)].itemData;
}

QString RowModel::Cell(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    const QStringList& cells = rows_[static_cast<std::size_t>(row)].cells;
    return column >= 0 && column < cells.size() ? cells[column] : QString();
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return Cell(index.row(), index.column());
    if (role == Qt::BackgroundRole && colouring_)
        return colouring_(index.row(), ItemData(index.row()));
    if (role == Qt::ForegroundRole && colouring_) return QColor(Qt::black);
    return {};
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return section >= 0 && section < captions_.size() ? captions_[section] : QVariant();
}

}  // namespace cairnly
