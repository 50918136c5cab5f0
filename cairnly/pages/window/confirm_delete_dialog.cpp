#include "cairnly/pages/window/confirm_delete_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "cairnly/pages/window/result_list.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/ui_thread.h"

namespace cairnly {
namespace {

using Layout = pages::ConfirmDialogLayout;

QSize InitialSize(const QWidget& dialog) {
    QSize size = shared::DialogUnitsToPixels(dialog.font(), 0, 0, 691, 383).size();
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableSize() * 0.95);
    return size;
}

}  // namespace

ConfirmDeleteDialog::ConfirmDeleteDialog(pages::ResultPages& pages, ScanView& scanView, int command,
                                         std::vector<int> selectedRows, Pause pause,
                                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("163"));
    setWindowTitle(QString::fromLatin1(Layout::kCaption));
    setSizeGripEnabled(true);
    BuildControls();
    resize(InitialSize(*this));
    confirmation_ = std::make_unique<pages::DeleteConfirmation>(
        pages, scanView, command, std::move(selectedRows), *this, std::move(pause));
    confirmation_->Open();
}

ConfirmDeleteDialog::~ConfirmDeleteDialog() {
    // Waits for a listing worker while this dialog can still serve its calls.
    confirmation_.reset();
}

void ConfirmDeleteDialog::BuildControls() {
    QFont f = font();
    list_ = new ResultList({{Layout::kColumnCaption, Layout::kColumnWidth}}, -1, nullptr, this);
    list_->setObjectName(QString::number(Layout::kList));
    status_ = new QLabel(this);
    status_->setObjectName(QString::number(Layout::kStatus));
    status_->setTextFormat(Qt::PlainText);
    QSize buttonSize = shared::DialogUnitsToPixels(f, 0, 0, 67, 14).size();
    delete_ = new QPushButton(QString::fromLatin1(Layout::kDeleteButton), this);
    delete_->setObjectName(QString::number(Layout::kDelete));
    keep_ = new QPushButton(QString::fromLatin1(Layout::kKeepButton), this);
    keep_->setObjectName(QString::number(Layout::kKeep));
    for (QPushButton* button : {delete_, keep_}) button->setMinimumSize(buttonSize);
    delete_->setAutoDefault(false);
    delete_->setEnabled(false);
    keep_->setDefault(true);
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteAllCommand(); });
    connect(keep_, &QPushButton::clicked, this, [this] { DontDeleteCommand(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(delete_);
    buttons->addSpacing(shared::DialogUnitsToPixelsX(f, 33));
    buttons->addWidget(keep_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    keep_->setFocus();
}

void ConfirmDeleteDialog::DeleteAllCommand() {
    if (finished_ || !confirmation_->DeleteEnabled()) return;
    finished_ = true;
    delete_->hide();
    keep_->hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    confirmation_->DeleteAll();
    QApplication::restoreOverrideCursor();
    confirmation_->Close();
    QDialog::accept();
}

void ConfirmDeleteDialog::DontDeleteCommand() {
    if (finished_) return;
    finished_ = true;
    keep_->setEnabled(false);
    delete_->setEnabled(false);
    confirmation_->DontDelete();
    confirmation_->Close();
    QDialog::reject();
}

void ConfirmDeleteDialog::reject() {
    if (finished_) return;
    finished_ = true;
    confirmation_->Close();
    QDialog::reject();
}

void ConfirmDeleteDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (confirmation_->EscapeCloses()) DontDeleteCommand();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ConfirmDeleteDialog::AddRow(const std::string& path, long itemData) {
    shared::RunOnThreadOf(this, [this, path, itemData] {
        list_->Rows().AppendOwnRow(pages::PageRow{{path}, itemData});
    });
}

void ConfirmDeleteDialog::SetStatusText(const std::string& text) {
    shared::RunOnThreadOf(this, [this, text] { status_->setText(QString::fromStdString(text)); });
}

void ConfirmDeleteDialog::EnableDelete(bool enabled) {
    shared::RunOnThreadOf(this, [this, enabled] { delete_->setEnabled(enabled); });
}

}  // namespace cairnly
