#pragma once
// The confirmation dialog that lists every file a delete command would
// remove, with "DELETE ALL FILES" and "Don't delete" (the default).
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "cairnly/pages/deletion.h"

class QLabel;
class QPushButton;

namespace cairnly {

class ResultList;

class ConfirmDeleteDialog : public QDialog, public pages::ConfirmView {
  public:
    using Pause = std::function<void(int milliseconds)>;

    // Lists at once, or starts the listing worker, before the dialog shows.
    ConfirmDeleteDialog(pages::ResultPages& pages, ScanView& scanView, int command,
                        std::vector<int> selectedRows, Pause pause, QWidget* parent = nullptr);
    ~ConfirmDeleteDialog() override;

    pages::DeleteConfirmation& Confirmation() { return *confirmation_; }
    ResultList& List() { return *list_; }

    void DeleteAllCommand();
    void DontDeleteCommand();

    // pages::ConfirmView (the listing worker calls these from its thread)
    void AddRow(const std::string& path, long itemData) override;
    void SetStatusText(const std::string& text) override;
    void EnableDelete(bool enabled) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;  // the close box

  private:
    void BuildControls();

    ResultList* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* keep_ = nullptr;
    std::unique_ptr<pages::DeleteConfirmation> confirmation_;
    bool finished_ = false;
};

}  // namespace cairnly
