#pragma once
// The configuration dialog: the folder to scan, the search criteria and the
// log level, checked and stored into the settings record on OK.
#include <QDialog>
#include <functional>
#include <string>

#include "cairnly/settings/scan_settings.h"
#include "shared/desktop_services.h"
#include "shared/prompter.h"

class QAbstractButton;
class QCheckBox;
class QGridLayout;
class QLineEdit;
class QRadioButton;

namespace cairnly {

class ConfigurationDialog : public QDialog {
  public:
    // rootChanged runs after a successful OK (the main window relabels its
    // cleanup button for the new folder).
    ConfigurationDialog(ScanSettings& settings, shared::DesktopServices& services,
                        shared::Prompter& prompter, shared::Opener& opener,
                        std::function<void()> rootChanged, QWidget* parent = nullptr);

    static constexpr const char* kInformationCaption = "Quillfen Software - information";

    // The OK command: checks and stores the fields in order; closes the dialog
    // only when every check passed.
    void Accept();

  private:
    void BuildControls();
    QWidget* BuildCriteriaGroup();
    void AddFolderRow(QGridLayout& grid);
    void AddChoices(QGridLayout& grid);
    void AddThresholds(QGridLayout& grid);
    QWidget* BuildLoggingGroup();
    QWidget* BuildButtons();
    void LoadFields();
    void PickFolder();
    void OpenHelp();
    bool StoreFolderAndChoices();
    bool StoreSizes();
    bool StoreMinPartial();
    void StoreLogLevel();
    void Refuse(const std::string& message);

    ScanSettings& settings_;
    shared::DesktopServices& services_;
    shared::Prompter& prompter_;
    shared::Opener& opener_;
    std::function<void()> rootChanged_;

    QLineEdit* folder_ = nullptr;
    QCheckBox* skipSystem_ = nullptr;
    QRadioButton* modeButtons_[3] = {};
    QCheckBox* deepCheck_ = nullptr;
    QLineEdit* minFile_ = nullptr;
    QLineEdit* minFolder_ = nullptr;
    QLineEdit* minPartial_ = nullptr;
    QRadioButton* logButtons_[3] = {};
};

}  // namespace cairnly
