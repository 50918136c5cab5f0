#include "cairnly/pages/window/row_model.h"

namespace cairnly {

namespace {

using Kind = pages::RowChange::Kind;

// An insertion or removal of no rows is not a change a model may announce.
bool Empty(const pages::RowChange& change) {
    return (change.kind == Kind::Insert || change.kind == Kind::Remove) && change.count <= 0;
}

}  // namespace

RowModel::RowModel(QStringList captions, const std::vector<pages::PageRow>& rows, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions)), rows_(&rows) {}

RowModel::RowModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions)), rows_(&ownRows_) {}

void RowModel::RowsChanging(const pages::RowChange& change) {
    if (Empty(change)) return;
    const int last = change.first + change.count - 1;
    switch (change.kind) {
        case Kind::Insert:
            beginInsertRows(QModelIndex(), change.first, last);
            break;
        case Kind::Remove:
            beginRemoveRows(QModelIndex(), change.first, last);
            break;
        case Kind::Reset:
            beginResetModel();
            break;
        case Kind::Reorder:
            emit layoutAboutToBeChanged();
            break;
    }
}

void RowModel::RowsChanged(const pages::RowChange& change) {
    if (Empty(change)) return;
    switch (change.kind) {
        case Kind::Insert:
            endInsertRows();
            break;
        case Kind::Remove:
            endRemoveRows();
            break;
        case Kind::Reset:
            endResetModel();
            break;
        case Kind::Reorder:
            MovePersistentIndexes(change.order);
            emit layoutChanged();
            break;
    }
}

void RowModel::MovePersistentIndexes(const std::vector<int>& order) {
    std::vector<int> newPosition(order.size(), -1);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int from = order[i];
        if (from >= 0 && static_cast<std::size_t>(from) < order.size())
            newPosition[static_cast<std::size_t>(from)] = static_cast<int>(i);
    }
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const auto row = static_cast<std::size_t>(index.row());
        after << (row < newPosition.size() ? this->index(newPosition[row], index.column())
                                           : QModelIndex());
    }
    changePersistentIndexList(before, after);
}

void RowModel::RepaintAll() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

void RowModel::AppendOwnRow(pages::PageRow row) {
    const pages::RowChange change{Kind::Insert, rowCount(), 1, {}};
    RowsChanging(change);
    ownRows_.push_back(std::move(row));
    RowsChanged(change);
}

const pages::PageRow* RowModel::RowAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_->size()) return nullptr;
    return &(*rows_)[static_cast<std::size_t>(row)];
}

long RowModel::ItemData(int row) const {
    const pages::PageRow* found = RowAt(row);
    return found ? found->itemData : -1;
}

QString RowModel::Cell(int row, int column) const {
    const pages::PageRow* found = RowAt(row);
    if (!found || column < 0 || static_cast<std::size_t>(column) >= found->cells.size()) return {};
    return QString::fromStdString(found->cells[static_cast<std::size_t>(column)]);
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_->size());
}

int RowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return Cell(index.row(), index.column());
    if (role == Qt::BackgroundRole && colouring_) return colouring_(index.row());
    if (role == Qt::ForegroundRole && colouring_) return QColor(Qt::black);
    return {};
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return section >= 0 && section < captions_.size() ? captions_[section] : QVariant();
}

}  // namespace cairnly
