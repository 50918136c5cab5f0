#pragma once
// The configuration dialog: the photo folder, where the review starts, and
// emptying the store of culled photos for good.
#include <QDialog>
#include <functional>

#include "pictavo/catalogue/pictavo_state.h"
#include "shared/prompter.h"

class QLineEdit;
class QPushButton;

namespace pictavo {

struct ConfigurationContext {
    PictavoState& state;  // settings, store folder, reload flag, undelete stack
    shared::Prompter& prompter;
    shared::Opener& opener;
};

class ConfigurationDialog : public QDialog {
  public:
    ConfigurationDialog(ConfigurationContext context, QWidget* parent);

    QLineEdit* FolderBox() const { return folderBox_; }

  private:
    void BuildPictures();
    void BuildControls();
    void OnOk();
    void OnFolders();
    void OnHelp();
    void OnEmptyStore();
    QWidget* Place(QWidget* widget, int id, int x, int y, int width, int height);
    // A button at a designed position in dialog units.
    QPushButton* AddButton(int id, const char* text, QRect designed,
                           const std::function<void()>& action);

    ConfigurationContext context_;
    QLineEdit* folderBox_ = nullptr;
    QPushButton* emptyStore_ = nullptr;
};

// Runs the dialog modally; the caller saves the settings afterwards.
void RunConfigurationDialog(const ConfigurationContext& context, QWidget* parent);

}  // namespace pictavo
