#include "pictavo/settings/window/configuration_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "pictavo/cull/photo_store.h"
#include "pictavo/resources/artwork.h"
#include "pictavo/settings/configuration_rules.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/folder_browser.h"
#include "shared/qt/web_page.h"

namespace pictavo {
namespace {

constexpr const char* kHint =
    "Specify the directory that contains all of your photos (this will include all "
    "subdirectories).\nFor example:\n     - Google drive*: ~/Google Drive/Google Photos\n"
    "     - Local drive: ~/Pictures";

constexpr int kMaxFolderUnits = 559;

QLabel* PictureLabel(const QPixmap& pixmap, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(pixmap);
    return label;
}

}  // namespace

ConfigurationDialog::ConfigurationDialog(ConfigurationContext context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
    setObjectName("129");
    setWindowTitle("Pictavo configuration");
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    shared::FitDialogToScreen(*this, QSize(367, 354));
    setFixedSize(shared::DialogUnitsToPixels(font(), 0, 0, 367, 354).size());
    BuildPictures();
    BuildControls();
}

QWidget* ConfigurationDialog::Place(QWidget* widget, int id, int x, int y, int width, int height) {
    if (id != 0) widget->setObjectName(QString::number(id));
    widget->setGeometry(shared::DialogUnitsToPixels(font(), x, y, width, height));
    return widget;
}

void ConfigurationDialog::BuildPictures() {
    QRect upper = shared::DialogUnitsToPixels(font(), 0, 0, 367, 22);
    QRect lower = shared::DialogUnitsToPixels(font(), 0, 104, 367, 22);
    QRect picture = shared::DialogUnitsToPixels(font(), 0, 157, 367, 168);
    PictureLabel(artwork::UpperBanner(upper.size()), this)->setGeometry(upper);
    PictureLabel(artwork::LowerBanner(lower.size()), this)->setGeometry(lower);
    PictureLabel(artwork::LandscapePicture(picture.size()), this)->setGeometry(picture);
    QRect icon = shared::DialogUnitsToPixels(font(), 318, 26, 21, 20);
    PictureLabel(artwork::ProgramIconPixmap(std::min(icon.width(), icon.height())), this)
        ->setGeometry(icon);
}

QPushButton* ConfigurationDialog::AddButton(int id, const char* text, QRect designed,
                                            const std::function<void()>& action) {
    auto* button = new QPushButton(text, this);
    Place(button, id, designed.x(), designed.y(), designed.width(), designed.height());
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

void ConfigurationDialog::BuildControls() {
    auto* hint = new QLabel(QString::fromUtf8(kHint), this);
    hint->setWordWrap(true);
    Place(hint, 0, 13, 26, 300, 40);  // narrower than designed: clear of the icon

    folderBox_ = new QLineEdit(QString::fromStdString(context_.state.settings.photoFolder()), this);
    folderBox_->setMaxLength(kMaxFolderUnits);
    Place(folderBox_, 1002, 13, 68, 294, 15);
    AddButton(1001, "Folders", {315, 67, 50, 16}, [this] { OnFolders(); });

    auto* start = new QLabel(
        QString::fromStdString(StartPositionText(context_.state.settings.startPosition())), this);
    Place(start, 1041, 13, 87, 344, 10);

    emptyStore_ = AddButton(3, "Permanently delete culled photos", {123, 135, 120, 14},
                            [this] { OnEmptyStore(); });
    emptyStore_->setEnabled(CountStoreFiles(context_.state.storeFolder) > 0);

    AddButton(1, "OK", {204, 333, 50, 14}, [this] { OnOk(); })->setDefault(true);
    AddButton(2, "Cancel", {258, 333, 50, 14}, [this] { reject(); });
    AddButton(7, "Help", {312, 333, 50, 14}, [this] { OnHelp(); });
    folderBox_->setFocus();
}

void ConfigurationDialog::OnOk() {
    FolderCheck check = CheckPhotoFolder(folderBox_->text().toStdString(), context_.state.settings,
                                         context_.prompter);
    if (!check.close) return;
    if (check.reload) context_.state.reloadPending = true;
    accept();
}

void ConfigurationDialog::OnFolders() {
    std::string path = folderBox_->text().toStdString();
    if (path.empty()) path = context_.state.services.DataFolder() + "/";
    if (shared::FolderBrowser(this, path, /*allowTyping=*/false))
        folderBox_->setText(QString::fromStdString(path));
}

void ConfigurationDialog::OnHelp() {
    shared::OpenWebPage(context_.opener, context_.prompter, "Pictavo",
                        shared::PictavoHelpAddress());
}

void ConfigurationDialog::OnEmptyStore() {
    EmptyStoreWithQuestion(context_.state, context_.prompter);
}

void RunConfigurationDialog(const ConfigurationContext& context, QWidget* parent) {
    ConfigurationDialog dialog(context, parent);
    dialog.exec();
}

}  // namespace pictavo
