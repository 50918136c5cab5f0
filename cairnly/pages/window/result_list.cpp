#include "cairnly/pages/window/result_list.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace cairnly {
namespace {

constexpr int kPathColumnSlack = 23;
constexpr int kNarrowestPathColumn = 80;

QStringList Captions(const std::vector<pages::Column>& columns) {
    QStringList captions;
    for (const pages::Column& column : columns) captions << QString::fromStdString(column.caption);
    return captions;
}

RowModel* MakeModel(const std::vector<pages::Column>& columns,
                    const std::vector<pages::PageRow>* rows, QObject* parent) {
    return rows ? new RowModel(Captions(columns), *rows, parent)
                : new RowModel(Captions(columns), parent);
}

}  // namespace

ResultList::ResultList(const std::vector<pages::Column>& columns, int pathColumn,
                       const std::vector<pages::PageRow>* rows, QWidget* parent)
    : QTreeView(parent), model_(MakeModel(columns, rows, this)), pathColumn_(pathColumn) {
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setFocusPolicy(Qt::StrongFocus);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setSortIndicatorShown(false);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        widths_.push_back(std::max(columns[i].width, CaptionWidth(static_cast<int>(i))));
        setColumnWidth(static_cast<int>(i), widths_.back());
    }
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (onColumnClicked) onColumnClicked(column);
    });
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && onRowActivated) onRowActivated(index.row());
    });
    connect(this, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
        if (indexAt(pos).isValid() && onContextMenu) onContextMenu(viewport()->mapToGlobal(pos));
    });
}

int ResultList::CaptionWidth(int column) const {
    // Measured with the sort arrow, which a column click adds to the caption.
    bool shown = header()->isSortIndicatorShown();
    header()->setSortIndicatorShown(true);
    int width = header()->sectionSizeHint(column);
    header()->setSortIndicatorShown(shown);
    return width;
}

std::vector<int> ResultList::SelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ResultList::SelectRows(const std::vector<int>& rows) {
    QItemSelection selection;
    for (int row : rows) {
        QModelIndex index = model_->index(row, 0);
        if (index.isValid()) selection.select(index, index);
    }
    selectionModel()->select(selection,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ResultList::ShowSortIndicator(int column, int direction) {
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(column, direction > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int ResultList::PathColumnWidth() const {
    int others = 0;
    for (std::size_t i = 0; i < widths_.size(); ++i)
        if (static_cast<int>(i) != pathColumn_) others += columnWidth(static_cast<int>(i));
    return std::max(kNarrowestPathColumn, width() - others - kPathColumnSlack);
}

void ResultList::FitPathColumn() {
    if (pathColumn_ >= 0 && pathColumn_ < static_cast<int>(widths_.size()))
        setColumnWidth(pathColumn_, PathColumnWidth());
}

void ResultList::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    FitPathColumn();
}

void ResultList::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    // The row's colour (or the selection) runs on past the last column, to the list's edge.
    int last = model_->columnCount() - 1;
    int end = header()->sectionViewportPosition(last) + header()->sectionSize(last);
    QRect rest(end, option.rect.y(), viewport()->width() - end, option.rect.height());
    if (rest.width() <= 0) return;
    if (selectionModel()->isSelected(index)) {
        QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
        painter->fillRect(rest, palette().brush(group, QPalette::Highlight));
    } else if (QVariant background = model_->data(index, Qt::BackgroundRole);
               background.isValid()) {
        painter->fillRect(rest, background.value<QColor>());
    }
}

void ResultList::keyPressEvent(QKeyEvent* event) {
    // Enter opens the current row like a double click; the menu key (or
    // Shift+F10, for keyboards without one) opens the menu.
    QModelIndex current = currentIndex();
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && current.isValid() && onRowActivated) {
        onRowActivated(current.row());
        return;
    }
    bool menuKey = event->key() == Qt::Key_Menu ||
                   (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey && current.isValid() && onContextMenu) {
        onContextMenu(viewport()->mapToGlobal(visualRect(current).center()));
        return;
    }
    QTreeView::keyPressEvent(event);
}

}  // namespace cairnly
