#include "cairnly/pages/window/result_page_widget.h"

#include <QMenu>
#include <QVBoxLayout>

#include "cairnly/pages/window/confirm_delete_dialog.h"

namespace cairnly {

ResultPageWidget::ResultPageWidget(int page, pages::ResultPages& logic, ScanView& scanView,
                                   shared::Opener& opener, Pause pause, ModalRunner runner,
                                   QWidget* parent)
    : QWidget(parent),
      page_(page),
      logic_(logic),
      scanView_(scanView),
      opener_(opener),
      pause_(std::move(pause)),
      runner_(std::move(runner)) {
    const pages::PageLayout& layout = pages::LayoutOf(page);
    setObjectName(QString::number(layout.dialogTemplate));
    list_ = new ResultList(layout.columns, layout.pathColumn, &logic.Rows(page), this);
    list_->setObjectName(QString::number(layout.listControl));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(list_);
    list_->Rows().SetColouring([this](int row) { return Colour(row); });
    list_->onColumnClicked = [this](int column) { ColumnClicked(column); };
    list_->onRowActivated = [this](int row) { RowActivated(row); };
    list_->onContextMenu = [this](QPoint at) { ShowMenu(at); };
}

QColor ResultPageWidget::Colour(int row) const {
    pages::Rgb rgb = logic_.RowColour(page_, row);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

bool ResultPageWidget::ReadyForAction() {
    // The worker may still be reordering the tables the comparisons read.
    if (logic_.State().Scan.Running()) return false;
    if (catchUp) catchUp();
    return true;
}

void ResultPageWidget::ColumnClicked(int column) {
    if (!ReadyForAction()) return;
    logic_.ColumnClicked(page_, column);
    const pages::SortState& sort = logic_.Sort(page_);
    list_->ShowSortIndicator(sort.column, sort.direction);
}

void ResultPageWidget::RowActivated(int row) {
    if (logic_.State().Scan.Running()) return;
    if (auto folder = logic_.FolderToOpen(page_, row)) opener_.OpenFolder(*folder);
}

std::vector<pages::MenuItem> ResultPageWidget::MenuItems() const { return logic_.MenuFor(page_); }

void ResultPageWidget::ShowMenu(QPoint globalPos) {
    std::vector<pages::MenuItem> items = MenuItems();
    if (items.empty()) return;
    QMenu menu(this);
    for (const pages::MenuItem& item : items) {
        QAction* action = menu.addAction(QString::fromStdString(item.text));
        action->setObjectName(QString::number(item.id));
        connect(action, &QAction::triggered, this, [this, id = item.id] { RunCommand(id); });
    }
    if (menuRunner)
        menuRunner(menu);
    else
        menu.exec(globalPos);
}

void ResultPageWidget::RunCommand(int command) {
    if (pages::PageOfCommand(command) != page_ || !ReadyForAction()) return;
    ConfirmDeleteDialog dialog(logic_, scanView_, command, list_->SelectedRows(), pause_, window());
    RunModal(runner_, dialog);
}

}  // namespace cairnly
