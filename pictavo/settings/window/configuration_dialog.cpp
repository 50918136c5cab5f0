#include "pictavo/settings/window/configuration_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "pictavo/cull/photo_store.h"
#include "pictavo/resources/artwork.h"
#include "pictavo/settings/window/configuration_rules.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/folder_browser.h"
#include "shared/qt/web_page.h"

namespace pictavo {
namespace {

constexpr const char* kHint =
    "Specify the directory that contains all of your photos (this will include all "
    "subdirectories).\nFor example:\n     - Google drive*: C:\\Users\\<your account "
    "name>\\Google Drive\\Google Photos\n     - Local drive: C:\\Users\\<your account "
    "name>\\Pictures";

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

void ConfigurationDialog::BuildControls() {
    auto* hint = new QLabel(QString::fromUtf8(kHint), this);
    hint->setWordWrap(true);
    Place(hint, 0, 13, 26, 300, 40);

    folderBox_ = new QLineEdit(QString::fromStdString(context_.state.settings.photoFolder()), this);
    folderBox_->setMaxLength(kMaxFolderUnits);
    Place(folderBox_, 1002, 13, 68, 294, 15);
    auto* folders = new QPushButton("Folders", this);
    Place(folders, 1001, 315, 67, 50, 16);
    connect(folders, &QPushButton::clicked, this, [this] { OnFolders(); });

    auto* start = new QLabel(
        QString::fromStdString(StartPositionText(context_.state.settings.startPosition())), this);
    Place(start, 1041, 13, 87, 344, 10);

    emptyStore_ = new QPushButton("Permanently delete culled photos", this);
    Place(emptyStore_, 3, 123, 135, 120, 14);
    emptyStore_->setEnabled(CountStoreFiles(context_.state.storeFolder) > 0);
    connect(emptyStore_, &QPushButton::clicked, this, [this] { OnEmptyStore(); });

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    Place(ok, 1, 204, 333, 50, 14);
    connect(ok, &QPushButton::clicked, this, [this] { OnOk(); });
    auto* cancel = new QPushButton("Cancel", this);
    Place(cancel, 2, 258, 333, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QPushButton("Help", this);
    Place(help, 7, 312, 333, 50, 14);
    connect(help, &QPushButton::clicked, this, [this] { OnHelp(); });
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
