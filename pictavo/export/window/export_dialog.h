#pragma once
// The export dialog: destination, options, Export, Exit and Help. Opened
// modally by the main window's Export button.
#include <QDialog>
#include <memory>

#include "pictavo/export/export_dialog_logic.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pictavo {

// Runs the dialog modal to parent until the user presses Exit.
void RunExportDialog(QWidget* parent, const ExportDialogContext& context);

class ExportDialog : public QDialog, public ExportDialogView {
  public:
    ExportDialog(QWidget* parent, const ExportDialogContext& context);
    ~ExportDialog() override;

    // ExportDialogView
    std::string DestinationText() override;
    void ShowDestination(const std::string& text) override;
    ExportChoices Choices() override;
    void ShowChoices(const ExportChoices& choices) override;
    void EnableExport(bool enabled) override;
    bool BrowseForFolder(std::string& path) override;
    void Pause(int milliseconds) override;
    void Close() override;
    // ExportView: called on the worker's thread, shown on the dialog's.
    void ShowExportStatus(const std::string& text) override;
    void ExportEnded() override;

    // Escape and the close box do nothing; only Exit closes the dialog.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void PlaceControls();
    void ConnectButtons();
    QPushButton* AddButton(const char* id, const char* text);
    QRadioButton* AddRadio(const char* id, const char* text, QButtonGroup* group);
    QCheckBox* AddCheck(const char* id, const char* text);
    QLabel* AddBanner(const char* name);

    QPushButton* exportButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QPushButton* foldersButton_ = nullptr;
    QLabel* icon_ = nullptr;
    QLabel* hint_ = nullptr;
    QLineEdit* destination_ = nullptr;
    QButtonGroup* selectionGroup_ = nullptr;
    QButtonGroup* layoutGroup_ = nullptr;
    QRadioButton* exportAll_ = nullptr;
    QRadioButton* exportRated_ = nullptr;
    QCheckBox* setFileDates_ = nullptr;
    QRadioButton* keepLayout_ = nullptr;
    QRadioButton* yearlyFolders_ = nullptr;
    QRadioButton* singleFolder_ = nullptr;
    QCheckBox* deleteOriginals_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* banners_[3] = {};
    bool exiting_ = false;
    std::unique_ptr<ExportDialogLogic> logic_;
};

}  // namespace pictavo
