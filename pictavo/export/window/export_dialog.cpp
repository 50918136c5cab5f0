#include "pictavo/export/window/export_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "pictavo/resources/artwork.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/folder_browser.h"
#include "shared/qt/ui_thread.h"

namespace pictavo {
namespace {

constexpr char kCaption[] = "Export photos to a local directory or the cloud*";
constexpr char kHint[] =
    "Specify the directory where you want all of your photos. For example:\n"
    "     - Google drive*: ~/Google Drive/Google Photos\n"
    "     - Local drive: ~/Pictures";

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void RunExportDialog(QWidget* parent, const ExportDialogContext& context) {
    ExportDialog dialog(parent, context);
    dialog.exec();
}

ExportDialog::ExportDialog(QWidget* parent, const ExportDialogContext& context) : QDialog(parent) {
    setObjectName("132");
    setWindowTitle(kCaption);
    setModal(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    shared::FitDialogToScreen(*this, QSize(433, 273));
    BuildControls();
    PlaceControls();
    ConnectButtons();
    logic_ = std::make_unique<ExportDialogLogic>(context, *this);
    logic_->Open();
}

ExportDialog::~ExportDialog() {
    // Detach from the worker before any control goes away.
    logic_.reset();
}

QPushButton* ExportDialog::AddButton(const char* id, const char* text) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(id);
    button->setAutoDefault(false);
    return button;
}

QRadioButton* ExportDialog::AddRadio(const char* id, const char* text, QButtonGroup* group) {
    auto* radio = new QRadioButton(text, this);
    radio->setObjectName(id);
    group->addButton(radio);
    return radio;
}

QCheckBox* ExportDialog::AddCheck(const char* id, const char* text) {
    auto* check = new QCheckBox(text, this);
    check->setObjectName(id);
    return check;
}

QLabel* ExportDialog::AddBanner(const char* name) {
    auto* banner = new QLabel(this);
    banner->setObjectName(name);
    return banner;
}

void ExportDialog::BuildControls() {
    exportButton_ = AddButton("1", "Export");
    exportButton_->setDefault(true);
    exitButton_ = AddButton("1049", "Exit");
    helpButton_ = AddButton("7", "Help");
    icon_ = new QLabel(this);
    icon_->setObjectName("icon");
    hint_ = new QLabel(kHint, this);
    hint_->setObjectName("hint");
    destination_ = new QLineEdit(this);
    destination_->setObjectName("1042");
    foldersButton_ = AddButton("1048", "Folders");
    // Two separate groups, each allowed to start with no button checked.
    selectionGroup_ = new QButtonGroup(this);
    layoutGroup_ = new QButtonGroup(this);
    exportAll_ = AddRadio("1013", "Export all images", selectionGroup_);
    exportRated_ =
        AddRadio("1043", "Export JPEG images with a rating of 4 or 5 stars", selectionGroup_);
    setFileDates_ = AddCheck("1044", "Change the file dates to be the date taken (metadata)");
    keepLayout_ = AddRadio("1045", "Keep the existing directory layout", layoutGroup_);
    yearlyFolders_ = AddRadio("1046", "Make yearly directories", layoutGroup_);
    singleFolder_ =
        AddRadio("1047", "Put all images in the same folder (no directories)", layoutGroup_);
    deleteOriginals_ = AddCheck("1050",
                                "Delete image files from the original directory after copying "
                                "to the destination directory");
    status_ = new QLabel("Export not started", this);
    status_->setObjectName("1051");
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    banners_[0] = AddBanner("banner186");
    banners_[1] = AddBanner("banner187");
    banners_[2] = AddBanner("banner188");
}

void ExportDialog::PlaceControls() {
    const QSize base = shared::DialogBaseUnits(font());
    auto place = [base](QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(shared::DialogUnitsToPixels(base, x, y, w, h));
    };
    setFixedSize(shared::DialogUnitsToPixels(base, 0, 0, 433, 273).size());
    // Option texts get the room this font needs, up to the dialog's edge.
    const int margin = shared::DialogUnitsToPixels(base, 0, 0, 6, 0).width();
    auto placeOption = [this, place, margin](QWidget* widget, int x, int y, int w, int h) {
        place(widget, x, y, w, h);
        int room = width() - widget->x() - margin;
        int needed = std::max(widget->width(), widget->sizeHint().width());
        widget->resize(std::min(needed, std::max(room, widget->width())), widget->height());
    };
    place(banners_[0], 0, 0, 433, 22);
    place(banners_[1], 0, 87, 433, 22);
    place(banners_[2], 0, 182, 433, 22);
    // Drawn at the screen's pixel density, so the titles stay sharp when scaled.
    const qreal density = devicePixelRatioF();
    for (int i = 0; i < 3; ++i) {
        QPixmap banner = artwork::ExportBanner(banners_[i]->size() * density, i);
        banner.setDevicePixelRatio(density);
        banners_[i]->setPixmap(banner);
    }
    place(exportButton_, 259, 252, 50, 14);
    place(exitButton_, 317, 252, 50, 14);
    place(helpButton_, 375, 252, 50, 14);
    place(icon_, 404, 30, 21, 20);
    icon_->setPixmap(artwork::ProgramIconPixmap(std::min(icon_->width(), icon_->height())));
    place(hint_, 13, 29, 382, 29);
    place(destination_, 13, 63, 358, 15);
    place(foldersButton_, 377, 62, 50, 16);
    placeOption(exportAll_, 13, 117, 70, 10);
    placeOption(exportRated_, 13, 132, 169, 10);
    placeOption(setFileDates_, 13, 147, 191, 10);
    placeOption(keepLayout_, 242, 117, 124, 10);
    placeOption(yearlyFolders_, 242, 132, 90, 10);
    placeOption(singleFolder_, 242, 147, 169, 10);
    placeOption(deleteOriginals_, 13, 163, 291, 10);
    place(status_, 13, 217, 412, 26);
}

void ExportDialog::ConnectButtons() {
    connect(exportButton_, &QPushButton::clicked, this, [this] { logic_->PressExport(); });
    connect(exitButton_, &QPushButton::clicked, this, [this] { logic_->PressExit(); });
    connect(helpButton_, &QPushButton::clicked, this, [this] { logic_->PressHelp(); });
    connect(foldersButton_, &QPushButton::clicked, this, [this] { logic_->PressFolders(); });
}

std::string ExportDialog::DestinationText() { return destination_->text().toStdString(); }

void ExportDialog::ShowDestination(const std::string& text) { destination_->setText(ToQt(text)); }

ExportChoices ExportDialog::Choices() {
    ExportChoices choices;
    choices.exportAll = exportAll_->isChecked();
    choices.exportRated = exportRated_->isChecked();
    choices.setFileDates = setFileDates_->isChecked();
    choices.keepLayout = keepLayout_->isChecked();
    choices.yearlyFolders = yearlyFolders_->isChecked();
    choices.singleFolder = singleFolder_->isChecked();
    choices.deleteOriginals = deleteOriginals_->isChecked();
    return choices;
}

void ExportDialog::ShowChoices(const ExportChoices& choices) {
    exportAll_->setChecked(choices.exportAll);
    exportRated_->setChecked(choices.exportRated);
    setFileDates_->setChecked(choices.setFileDates);
    keepLayout_->setChecked(choices.keepLayout);
    yearlyFolders_->setChecked(choices.yearlyFolders);
    singleFolder_->setChecked(choices.singleFolder);
    deleteOriginals_->setChecked(choices.deleteOriginals);
}

void ExportDialog::EnableExport(bool enabled) { exportButton_->setEnabled(enabled); }

bool ExportDialog::BrowseForFolder(std::string& path) {
    return shared::FolderBrowser(this, path, false);
}

void ExportDialog::Pause(int milliseconds) { shared::PumpEvents(milliseconds); }

void ExportDialog::Close() {
    exiting_ = true;
    done(QDialog::Accepted);
}

void ExportDialog::closeEvent(QCloseEvent* event) {
    if (exiting_)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void ExportDialog::ShowExportStatus(const std::string& text) {
    shared::RunOnThreadOf(
        this, [this, shown = ToQt(text)] { status_->setText(shown); }, Qt::QueuedConnection);
}

void ExportDialog::ExportEnded() {
    shared::RunOnThreadOf(
        this, [this] { exportButton_->setEnabled(true); }, Qt::QueuedConnection);
}

}  // namespace pictavo
