#include "cairnly/settings/window/configuration_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "cairnly/settings/config_text.h"
#include "cairnly/settings/window/owned_prompter.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/folder_browser.h"
#include "shared/site.h"
#include "shared/web_page.h"

namespace cairnly {
namespace {

constexpr int kFolderUnits = 559;  // the longest folder the settings record holds
constexpr int kNumberUnits = 9;    // the size and count boxes are read this far

template <typename Widget>
Widget* Named(Widget* widget, const char* id) {
    widget->setObjectName(QString::fromLatin1(id));
    return widget;
}

QLineEdit* NumberEdit(const char* id) {
    auto* edit = Named(new QLineEdit, id);
    edit->setMaxLength(kNumberUnits);
    edit->setMaximumWidth(100);
    return edit;
}

std::u16string Utf16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

}  // namespace

ConfigurationDialog::ConfigurationDialog(ScanSettings& settings, shared::DesktopServices& services,
                                         shared::Prompter& prompter, shared::Opener& opener,
                                         std::function<void()> rootChanged, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      services_(services),
      prompter_(prompter),
      opener_(opener),
      rootChanged_(std::move(rootChanged)) {
    setObjectName(QStringLiteral("129"));
    setWindowTitle(QStringLiteral("Configuration"));
    BuildControls();
    LoadFields();
    resize(shared::DialogUnitsToPixels(font(), 0, 0, 397, 242).size().expandedTo(sizeHint()));
}

void ConfigurationDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildCriteriaGroup());
    layout->addWidget(BuildLoggingGroup());
    layout->addStretch(1);
    layout->addWidget(BuildButtons());
}

QWidget* ConfigurationDialog::BuildCriteriaGroup() {
    auto* group = new QGroupBox(QStringLiteral("Search and analysis criteria"));
    auto* grid = new QGridLayout(group);
    AddFolderRow(*grid);
    AddChoices(*grid);
    AddThresholds(*grid);
    grid->setColumnStretch(0, 1);
    return group;
}

void ConfigurationDialog::AddFolderRow(QGridLayout& grid) {
    folder_ = Named(new QLineEdit, "1002");
    folder_->setMaxLength(kFolderUnits);
    auto* label = new QLabel(QStringLiteral("Folder"));
    label->setBuddy(folder_);
    auto* browse = Named(new QPushButton(QStringLiteral("Folders")), "1001");
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, [this] { PickFolder(); });
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(folder_, 1);
    row->addWidget(browse);
    grid.addLayout(row, 0, 0, 1, 2);
}

void ConfigurationDialog::AddChoices(QGridLayout& grid) {
    skipSystem_ = Named(new QCheckBox(QStringLiteral("Skip system folders")), "1003");
    grid.addWidget(skipSystem_, 1, 0, 1, 2);
    const char* ids[3] = {"1013", "1014", "1015"};
    const char* texts[3] = {
        "Very quick file attribute comparison to determine duplicate file lists (please see help)",
        "Quick partial file comparison to determine duplicate file lists",
        "Slow deep file comparison to determine duplicate file lists"};
    for (int i = 0; i < 3; ++i) {
        modeButtons_[i] = Named(new QRadioButton(QString::fromLatin1(texts[i])), ids[i]);
        grid.addWidget(modeButtons_[i], 2 + i, 0, 1, 2);
    }
    deepCheck_ =
        Named(new QCheckBox(QStringLiteral(
                  "Perform a deep comparison to determine duplicates before deleting files")),
              "1005");
    grid.addWidget(deepCheck_, 5, 0, 1, 2);
}

void ConfigurationDialog::AddThresholds(QGridLayout& grid) {
    minFile_ = NumberEdit("1000");
    minFolder_ = NumberEdit("1007");
    minPartial_ = NumberEdit("1006");
    const QString labels[3] = {
        QStringLiteral("Minimum \"File\" size analyzed (MB)"),
        QStringLiteral("Minimum size of \"Largest Folder\" displayed (MB)"),
        QStringLiteral("Minimum number of duplicate files in a \"Partial Duplicate Folder\"")};
    QLineEdit* edits[3] = {minFile_, minFolder_, minPartial_};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(labels[i]);
        label->setBuddy(edits[i]);
        grid.addWidget(label, 6 + i, 0);
        grid.addWidget(edits[i], 6 + i, 1);
    }
}

QWidget* ConfigurationDialog::BuildLoggingGroup() {
    auto* group = new QGroupBox(QStringLiteral("Logging"));
    auto* row = new QHBoxLayout(group);
    const char* ids[3] = {"1016", "1017", "1018"};
    const char* texts[3] = {"None", "Deleted file information", "Detailed (debug)"};
    for (int i = 0; i < 3; ++i) {
        logButtons_[i] = Named(new QRadioButton(QString::fromLatin1(texts[i])), ids[i]);
        row->addWidget(logButtons_[i]);
    }
    row->addStretch(1);
    // Level 2 can be kept but not chosen here.
    logButtons_[2]->setVisible(false);
    return group;
}

QWidget* ConfigurationDialog::BuildButtons() {
    auto* box = new QDialogButtonBox;
    auto* ok = Named(box->addButton(QDialogButtonBox::Ok), "1");
    auto* cancel = Named(box->addButton(QDialogButtonBox::Cancel), "2");
    auto* help = Named(box->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole), "7");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { Accept(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { OpenHelp(); });
    return box;
}

void ConfigurationDialog::LoadFields() {
    folder_->setText(QString::fromStdString(settings_.RootFolder()));
    skipSystem_->setChecked(settings_.SkipSystemFolders());
    int mode = settings_.DuplicateMode();
    modeButtons_[mode == 1 || mode == 2 ? mode : 0]->setChecked(true);
    deepCheck_->setChecked(settings_.DeepCheckBeforeDelete());
    minFile_->setText(QString::asprintf("%0.4f", static_cast<double>(settings_.MinFileSizeMB())));
    minFolder_->setText(
        QString::asprintf("%0.1f", static_cast<double>(settings_.MinFolderSizeMB())));
    minPartial_->setText(QString::number(settings_.MinPartialDuplicates()));
    int level = settings_.LogLevel();
    logButtons_[level == 2 ? 2 : level == 1 ? 1 : 0]->setChecked(true);
}

void ConfigurationDialog::PickFolder() {
    std::string path = folder_->text().toStdString();
    if (path.empty()) {
        path = services_.DataFolder() + "/";
        folder_->setText(QString::fromStdString(path));
    }
    if (shared::FolderBrowser(this, path, true)) folder_->setText(QString::fromStdString(path));
}

void ConfigurationDialog::OpenHelp() {
    shared::OpenWebPage(opener_, prompter_, services_.ProgramWord(), shared::CairnlyHelpAddress());
}

void ConfigurationDialog::Accept() {
    if (!StoreFolderAndChoices() || !StoreSizes() || !StoreMinPartial()) return;
    StoreLogLevel();
    if (rootChanged_) rootChanged_();
    accept();
}

bool ConfigurationDialog::StoreFolderAndChoices() {
    std::string folder = platform::ResolveTypedFolder(folder_->text().toStdString());
    if (folder.empty() || !platform::FolderExists(folder)) {
        Refuse("The folder specified does not exist. Please select an existing folder.");
        return false;
    }
    settings_.SetRootFolder(folder);
    settings_.SetSkipSystemFolders(skipSystem_->isChecked());
    int mode = 0;
    if (!modeButtons_[0]->isChecked())
        mode = modeButtons_[1]->isChecked() ? 1 : modeButtons_[2]->isChecked() ? 2 : 0;
    settings_.SetDuplicateMode(mode);
    settings_.SetDeepCheckBeforeDelete(deepCheck_->isChecked());
    return true;
}

bool ConfigurationDialog::StoreSizes() {
    float minFile = LeadingFloat(Utf16(minFile_->text()));
    if (minFile < 0) {
        Refuse("The minimum file size must be 0 or more");
        return false;
    }
    settings_.SetMinFileSizeMB(minFile);
    float minFolder = LeadingFloat(Utf16(minFolder_->text()));
    if (minFolder < 0) {
        Refuse("The minimum folder size must be 0 or more");
        return false;
    }
    settings_.SetMinFolderSizeMB(minFolder);
    return true;
}

bool ConfigurationDialog::StoreMinPartial() {
    int minPartial = LeadingInt(Utf16(minPartial_->text()));
    if (minPartial < 2) {
        Refuse("Partial duplicate folders needs at least 2 duplicate files");
        return false;
    }
    settings_.SetMinPartialDuplicates(minPartial);
    return true;
}

void ConfigurationDialog::StoreLogLevel() {
    int level = 1;
    if (logButtons_[2]->isChecked())
        level = 2;
    else if (logButtons_[0]->isChecked())
        level = 0;
    settings_.SetLogLevel(level);
}

void ConfigurationDialog::Refuse(const std::string& message) {
    OwnedPrompter owned(prompter_, this);
    prompter_.Ask(kInformationCaption, message, shared::BoxIcon::Error, shared::BoxButtons::Ok);
}

}  // namespace cairnly
