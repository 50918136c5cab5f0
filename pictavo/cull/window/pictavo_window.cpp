#include "pictavo/cull/window/pictavo_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "pictavo/catalogue/loading.h"
#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/navigation.h"
#include "pictavo/cull/photo_rating.h"
#include "pictavo/cull/photo_store.h"
#include "pictavo/cull/window/fitted_text.h"
#include "pictavo/cull/window/pane_picture.h"
#include "pictavo/cull/window/photo_pane.h"
#include "pictavo/export/window/export_dialog.h"
#include "pictavo/resources/artwork.h"
#include "pictavo/settings/window/about_box.h"
#include "pictavo/settings/window/configuration_dialog.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/ui_thread.h"
#include "shared/qt/web_page.h"

namespace pictavo {
namespace {

constexpr int kCullingControls[] = {ids::kExport, ids::kDeleteLeft, ids::kDeleteRight,
                                    ids::kPrevious, ids::kNext};
constexpr int kRedrawTickMs = 500;
constexpr std::time_t kRedrawDelaySeconds = 2;
constexpr Side kSides[] = {Side::Left, Side::Right};
// One Ctrl+arrow press moves the 100% view by this part of each photo.
constexpr double kPanStep = 0.05;

std::optional<Move> MoveForAction(KeyAction action) {
    switch (action) {
        case KeyAction::PreviousMonth:
            return Move::PreviousMonth;
        case KeyAction::PreviousYear:
            return Move::PreviousYear;
        case KeyAction::NextMonth:
            return Move::NextMonth;
        case KeyAction::NextYear:
            return Move::NextYear;
        case KeyAction::Home:
            return Move::Home;
        case KeyAction::StepBack:
            return Move::StepBack;
        case KeyAction::StepForward:
            return Move::StepForward;
        default:
            return std::nullopt;
    }
}

}  // namespace

PictavoWindow::PictavoWindow(WindowServices services)
    : services_(std::move(services)), state_(services_.state) {
    setObjectName("131");
    setWindowTitle("Pictavo");
    setWindowIcon(artwork::ProgramIcon());
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    clock_ = [] { return std::time(nullptr); };
    BuildControls();
    resize(shared::DialogUnitsToPixels(font(), 0, 0, 1079, 556).size());
    EnableCullingControls(false);
    SetUndeleteEnabled(!state_.undeleteStack.Empty());
    redrawTimer_.setInterval(kRedrawTickMs);
    connect(&redrawTimer_, &QTimer::timeout, this, [this] { OnRedrawTimer(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SaveSettings(); });
    services_.state.services.SetStatusSink([this](const std::string& text) {
        shared::RunOnThreadOf(
            status_, [label = status_, text] { label->setText(QString::fromStdString(text)); },
            Qt::AutoConnection);
    });
    for (Side side : kSides)
        connect(&fullSizeWatchers_[static_cast<int>(side)], &QFutureWatcherBase::finished, this,
                [this, side] { OnFullSizeReady(side); });
    qApp->installEventFilter(this);
    state_.SetView(this);
}

PictavoWindow::~PictavoWindow() {
    qApp->removeEventFilter(this);
    state_.SetView(nullptr);
    state_.services.SetStatusSink(nullptr);
}

void PictavoWindow::BuildControls() {
    const QFont& f = font();
    auto dlu = [&f](int x, int y, int w, int h) {
        return shared::DialogUnitsToPixels(f, x, y, w, h);
    };
    for (Side side : {Side::Left, Side::Right}) {
        int i = static_cast<int>(side);
        panes_[i] = new PhotoPane(this);
        panes_[i]->setObjectName(QString::number(i == 0 ? ids::kLeftPane : ids::kRightPane));
        panes_[i]->setGeometry(i == 0 ? dlu(7, 7, 533, 459) : dlu(542, 7, 533, 459));
        controls_[i == 0 ? ids::kLeftPane : ids::kRightPane] = panes_[i];
        panes_[i]->onPressed = [this, side] { SetActiveSide(side); };
        panes_[i]->onDragged = [this, side](QPoint moved) { PanByDrag(side, moved); };
    }
    panes_[0]->SetActive(true);
    captions_[0] = AddCaption(ids::kLeftCaption, dlu(7, 474, 486, 35));
    captions_[1] = AddCaption(ids::kRightCaption, dlu(589, 474, 486, 35));
    AddButton(ids::kDeleteLeft, "delete left", dlu(497, 477, 43, 14));
    AddButton(ids::kDeleteRight, "delete right ", dlu(542, 477, 43, 14));
    AddButton(ids::kPrevious, "< previous", dlu(497, 493, 43, 14));
    AddButton(ids::kNext, "next > ", dlu(542, 493, 43, 14));
    status_ = new QLabel(this);
    status_->setObjectName(QString::number(ids::kStatus));
    status_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    status_->setGeometry(dlu(6, 520, 1065, 11));
    controls_[ids::kStatus] = status_;
    const char* bottomTexts[7] = {"Find duplicates", "Undelete", "Configuration", "Export", "Help",
                                  "About",           "Exit"};
    for (int slot = 0; slot < 7; ++slot)
        AddButton(kBottomRow[slot], bottomTexts[slot], dlu(15 + 99 * slot, 535, 67, 14));
    metrics_.bottomButton = dlu(0, 0, 67, 14).size();
    metrics_.cullButton = dlu(0, 0, 43, 14).size();
    metrics_.captionHeight = dlu(0, 0, 0, 35).height();
    metrics_.statusLeft = status_->x();
    metrics_.statusHeight = status_->height();
    setMinimumSize(MinimumClientSize(metrics_));
}

QPushButton* PictavoWindow::AddButton(int id, const char* text, QRect designed) {
    auto* button = new QPushButton(QString::fromUtf8(text), this);
    button->setObjectName(QString::number(id));
    button->setGeometry(designed);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QPushButton::clicked, this, [this, id] { RunCommand(id); });
    controls_[id] = button;
    return button;
}

PaneCaption* PictavoWindow::AddCaption(int id, QRect designed) {
    auto* caption = new PaneCaption(this);
    caption->setObjectName(QString::number(id));
    caption->setGeometry(designed);
    controls_[id] = caption;
    return caption;
}

QWidget* PictavoWindow::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void PictavoWindow::ApplyLayout() {
    QSize client = size();
    // Full screen: the panes grow into the room of the hidden controls below the captions.
    if (fullScreenView_) client.rheight() += 112 - metrics_.captionHeight;
    for (const auto& [id, rect] : LayOut(client, metrics_))
        if (QWidget* control = Control(id)) control->setGeometry(rect);
    FitBottomRowTexts();
    update();
}

void PictavoWindow::FitBottomRowTexts() {
    // Buttons narrowed for a small screen share a smaller font, so every text stays whole.
    std::vector<QPushButton*> row;
    for (int id : kBottomRow) row.push_back(static_cast<QPushButton*>(Control(id)));
    shared::FitButtonTexts(row, font());
}

void PictavoWindow::FitInto(const QRect& available) {
    setMinimumSize(MinimumClientSize(metrics_).boundedTo(available.size()));
    QSize normal = size().boundedTo(available.size() * 0.9).expandedTo(minimumSize());
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, normal, available));
}

void PictavoWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ApplyLayout();
    // Pictures decoded for the old pane size are of no more use.
    pictures_.Clear();
    if (!state_.catalogueReady) return;
    lastResize_ = clock_();
    resizePending_ = true;
}

void PictavoWindow::OnRedrawTimer() {
    if (!state_.catalogueReady || !resizePending_ || lastResize_ <= 0) return;
    // A reload's sort is moving positions; its own last draw comes at the new size.
    if (state_.loader.Busy()) return;
    if (clock_() - lastResize_ < kRedrawDelaySeconds) return;
    resizePending_ = false;
    pictavo::DrawPair(state_, true);
}

void PictavoWindow::EnableCullingControls(bool enabled) {
    shared::RunOnThreadOf(this, [this, enabled] {
        cullingEnabled_ = enabled;
        for (int id : kCullingControls) Control(id)->setEnabled(enabled);
        // A load refills the catalogue: nothing decoded before it is kept. Once
        // it has ended, the photo after the shown pair is decoded ahead.
        if (!enabled) pictures_.Clear();
        if (enabled && panes_[1]->isVisible()) PrefetchAfter(state_.rightIndex);
    });
}

void PictavoWindow::SetUndeleteEnabled(bool enabled) {
    shared::RunOnThreadOf(this, [this, enabled] { Control(ids::kUndelete)->setEnabled(enabled); });
}

void PictavoWindow::DrawPair(std::int32_t left, std::int32_t right, bool) {
    shared::RunOnThreadOf(this, [this, left, right] { DrawPairNow(left, right); });
}

void PictavoWindow::WarnNoPhotos(const std::string& text) {
    shared::RunOnThreadOf(this, [this, &text] {
        services_.prompter.Ask("Pictavo", text, shared::BoxIcon::Warning, shared::BoxButtons::Ok);
    });
}

void PictavoWindow::PostConfigurationCommand() {
    shared::RunOnThreadOf(
        this, [this] { RunCommand(ids::kConfiguration); }, Qt::QueuedConnection);
}

void PictavoWindow::PumpEvents(int milliseconds) { shared::PumpEvents(milliseconds); }

bool PictavoWindow::BeginPane(Side side, std::int32_t position) {
    int i = static_cast<int>(side);
    const PhotoRecord* record = position >= 0 && position < state_.catalogue.Count()
                                    ? state_.catalogue.At(position)
                                    : nullptr;
    if (!record) {
        panes_[i]->hide();
        SetCaption(side, "");
        return false;
    }
    panes_[i]->show();
    // Explains the wait before a large file is decoded.
    if (static_cast<std::int64_t>(record->fileSize) > display::kLargeFileBytes) {
        SetCaption(side, display::kLargeFileNotice);
        captions_[i]->repaint();
    }
    return true;
}

void PictavoWindow::FinishPane(Side side, std::int32_t position, const PaneContent& content) {
    int i = static_cast<int>(side);
    const PhotoRecord& record = *state_.catalogue.At(position);
    panes_[i]->SetPicture(content.picture);
    shownSizes_[i] = content.photo.fullSize;
    highRating_[i] = false;
    if (content.photo.missing) {
        SetCaption(side, display::MissingFileCaption(record.FullPath()));
    } else {
        const auto& read = content.metadata;
        display::RatingPart part =
            read ? display::MakeRatingPart(read->rating, read->description) : display::RatingPart{};
        highRating_[i] = part.high;
        const QSize shown = content.photo.fullSize;
        SetCaption(side,
                   display::CaptionFacts{position, state_.catalogue.Count(), part.text,
                                         record.fileName, record.folderPath(), shown.width(),
                                         shown.height(), static_cast<std::int64_t>(record.fileSize),
                                         record.photoTime, !record.dateTakenText.empty()});
    }
    panes_[i]->raise();
}

QFuture<PaneContent> PictavoWindow::PaneContentFor(Side side, std::int32_t position, PaneKey& key) {
    int i = static_cast<int>(side);
    // The pane's size is read here, on the user-interface thread: the helper
    // that decodes gets it as a value and never touches a widget.
    key = KeyNow(state_.catalogue.At(position)->FullPath(), panes_[i]->ClientSize());
    return pictures_.Get(key, fromCache_[i]);
}

void PictavoWindow::DrawPairNow(std::int32_t left, std::int32_t right) {
    const std::int32_t positions[2] = {left, right};
    std::array<std::string, 2> paths;
    for (int i : {0, 1})
        if (const PhotoRecord* record = state_.catalogue.At(positions[i]))
            paths[i] = record->FullPath();
    // Another pair is shown fitted with the left pane active; the same pair
    // drawn again (after a resize) keeps its view.
    if (paths != shownPaths_) {
        LeaveFullSize();
        SetActiveSide(Side::Left);
    }
    shownPaths_ = paths;
    std::array<std::optional<QFuture<PaneContent>>, 2> contents;
    std::vector<PaneKey> shown;
    // Both photos decode at once on helper threads (or come decoded ahead).
    for (Side side : kSides) {
        int i = static_cast<int>(side);
        fromCache_[i] = false;
        if (!BeginPane(side, positions[i])) continue;
        contents[i] = PaneContentFor(side, positions[i], shown.emplace_back());
    }
    for (Side side : kSides) {
        int i = static_cast<int>(side);
        if (contents[i]) FinishPane(side, positions[i], contents[i]->result());
    }
    pictures_.KeepOnly(shown);
    PrefetchAfter(right);
    for (Side side : kSides)
        if (atFullSize_ && !ShowsFullSize(side)) RequestFullSize(side);
}

void PictavoWindow::DrawOnePane(Side side, std::int32_t position) {
    if (!BeginPane(side, position)) return;
    PaneKey key;
    FinishPane(side, position, PaneContentFor(side, position, key).result());
    if (atFullSize_) RequestFullSize(side);
}

void PictavoWindow::PrefetchAfter(std::int32_t right) {
    // Not while a load runs: its sort is moving the positions.
    if (!cullingEnabled_ || closing_ || right < 0) return;
    // Stepping forward and culling either photo all bring this one in on the right.
    std::int32_t next = NextPresentAfter(state_.catalogue, right);
    if (next < 0) return;
    pictures_.Prefetch(KeyNow(state_.catalogue.At(next)->FullPath(), panes_[1]->ClientSize()));
}

void PictavoWindow::SetCaption(Side side, const std::string& text) {
    ShowCaption(
        side,
        [text](const QFontMetrics& metrics, int width) {
            return display::FittedLine(text, metrics, width, Qt::ElideMiddle);
        },
        text);
}

void PictavoWindow::SetCaption(Side side, const display::CaptionFacts& facts) {
    ShowCaption(
        side,
        [facts](const QFontMetrics& metrics, int width) {
            return display::FittedCaption(facts, metrics, width);
        },
        display::CaptionText(facts));
}

void PictavoWindow::ShowCaption(Side side, PaneCaption::Fitter fitter, const std::string& whole) {
    int i = static_cast<int>(side);
    QPalette palette = captions_[i]->palette();
    palette.setColor(QPalette::WindowText, highRating_[i] ? QColor(255, 0, 0) : QColor(Qt::black));
    captions_[i]->setPalette(palette);
    captions_[i]->SetLines(std::move(fitter), QString::fromStdString(whole));
}

bool PictavoWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    // A modal dialog or message box runs its own keys.
    if (QApplication::activeModalWidget()) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    return HandleKey(key->key(), key->modifiers());
}

bool PictavoWindow::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    if (HandleViewKey(key, modifiers)) return true;
    KeyAction action = ActionForKey(key, modifiers & Qt::ShiftModifier);
    if (action == KeyAction::None) return false;
    // While a load runs the sort moves positions around: keys then do nothing.
    if (cullingEnabled_ && !closing_) DoKeyAction(action);
    return true;
}

void PictavoWindow::DoKeyAction(KeyAction action) {
    if (auto move = MoveForAction(action)) {
        MoveAndDraw(state_, *move);
        return;
    }
    switch (action) {
        case KeyAction::CullLeft:
            CullLeftAndShow(state_);
            break;
        case KeyAction::CullRight:
            CullRightAndShow(state_);
            break;
        case KeyAction::RotateLeft:
            RotatePane(Side::Left);
            break;
        case KeyAction::RotateRight:
            RotatePane(Side::Right);
            break;
        default:
            break;
    }
}

void PictavoWindow::RotatePane(Side side) {
    int i = static_cast<int>(side);
    std::int32_t position = side == Side::Left ? state_.leftIndex.load() : state_.rightIndex.load();
    PhotoRecord* record = state_.catalogue.At(position);
    if (position < 0 || !record) return;
    panes_[i]->show();
    RotationReport report =
        RotateShownPhoto({record->folderPath(), record->fileName,
                          (record->attributes & kAttributeReadOnly) != 0, state_.storeFolder},
                         services_.turner);
    if (report.hasErrorCode)
        ReportFileError(state_.services, report.status, report.errorCode);
    else if (!report.status.empty())
        state_.services.SetStatus(report.status);
    // The file on disk changed: its pictures decoded before are stale.
    pictures_.DropPath(record->FullPath());
    if (report.turned) panes_[i]->SetFullSize(QImage());
    if (report.attempted) DrawOnePane(side, position);
}

bool PictavoWindow::HandleViewKey(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_F11 || (key == Qt::Key_Escape && fullScreenView_)) {
        ToggleFullScreen();
        return true;
    }
    const bool control = modifiers & Qt::ControlModifier;
    const bool rating = !control && key >= Qt::Key_0 && key <= Qt::Key_5;
    const bool pan =
        control && atFullSize_ &&
        (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down);
    if (!rating && !pan && key != Qt::Key_Z) return false;
    // As the culling keys: nothing while a load moves the positions.
    if (!cullingEnabled_ || closing_) return true;
    if (rating)
        RateActivePhoto(key - Qt::Key_0);
    else if (pan)
        PanBy(QPointF(key == Qt::Key_Left    ? -kPanStep
                      : key == Qt::Key_Right ? kPanStep
                                             : 0,
                      key == Qt::Key_Up     ? -kPanStep
                      : key == Qt::Key_Down ? kPanStep
                                            : 0));
    else if (control)
        UndoRating();
    else
        ToggleFullSize();
    return true;
}

std::int32_t PictavoWindow::PositionOf(Side side) const {
    return side == Side::Left ? state_.leftIndex.load() : state_.rightIndex.load();
}

void PictavoWindow::SetActiveSide(Side side) {
    activeSide_ = side;
    for (Side each : kSides) panes_[static_cast<int>(each)]->SetActive(each == side);
}

void PictavoWindow::RateActivePhoto(int stars) {
    const std::int32_t position = PositionOf(activeSide_);
    const PhotoRecord* record = state_.catalogue.At(position);
    if (!record || !panes_[static_cast<int>(activeSide_)]->isVisible()) return;
    if (const std::optional<int> before = WriteRating(*record, stars))
        ratingUndo_ = RatingUndo{position, record->FullPath(), *before};
}

std::optional<int> PictavoWindow::WriteRating(const PhotoRecord& record, int stars) {
    const std::string path = record.FullPath();
    RatingReport report =
        RateShownPhoto({path, (record.attributes & kAttributeReadOnly) != 0, stars});
    if (report.hasErrorCode)
        ReportFileError(state_.services, report.status, report.errorCode);
    else
        state_.services.SetStatus(report.status);
    if (!report.written) return std::nullopt;
    RedrawWhereShown(path);
    return report.previousStars;
}

void PictavoWindow::UndoRating() {
    const PhotoRecord* record = ratingUndo_ ? state_.catalogue.At(ratingUndo_->position) : nullptr;
    // A cull or a reload since may have moved the photo: its record no longer matches.
    if (!record || record->FullPath() != ratingUndo_->path) {
        ratingUndo_.reset();
        state_.services.SetStatus("No rating change to undo.");
        return;
    }
    if (WriteRating(*record, ratingUndo_->stars)) ratingUndo_.reset();
}

void PictavoWindow::RedrawWhereShown(const std::string& path) {
    // The file was replaced: its pictures decoded before are stale.
    pictures_.DropPath(path);
    for (Side side : kSides)
        if (shownPaths_[static_cast<int>(side)] == path) DrawOnePane(side, PositionOf(side));
}

void PictavoWindow::ToggleFullSize() {
    if (atFullSize_) {
        LeaveFullSize();
        return;
    }
    atFullSize_ = true;
    PanBy(QPointF(0.5, 0.5) - centre_);
    for (Side side : kSides) RequestFullSize(side);
}

void PictavoWindow::LeaveFullSize() {
    atFullSize_ = false;
    for (int i : {0, 1}) {
        fullSizePaths_[i].clear();
        panes_[i]->SetFullSize(QImage());
    }
}

void PictavoWindow::RequestFullSize(Side side) {
    int i = static_cast<int>(side);
    if (!panes_[i]->isVisible() || shownPaths_[i].empty()) return;
    // The fitted picture stays until the full-size one has been decoded.
    fullSizePaths_[i] = shownPaths_[i];
    bool kept = false;
    fullSizeWatchers_[i].setFuture(pictures_.Get(FullSizeKeyNow(shownPaths_[i]), kept));
}

void PictavoWindow::OnFullSizeReady(Side side) {
    int i = static_cast<int>(side);
    QFuture<PaneContent> future = fullSizeWatchers_[i].future();
    if (!atFullSize_ || fullSizePaths_[i] != shownPaths_[i] || future.resultCount() == 0) return;
    // A decode dropped by a resize comes back empty: the pane keeps what it shows.
    const QImage& picture = future.result().picture;
    if (!picture.isNull()) panes_[i]->SetFullSize(picture);
}

void PictavoWindow::PanBy(QPointF relative) {
    centre_ += relative;
    centre_ = QPointF(std::clamp(centre_.x(), 0.0, 1.0), std::clamp(centre_.y(), 0.0, 1.0));
    for (PhotoPane* pane : panes_) pane->SetCentre(centre_);
}

void PictavoWindow::PanByDrag(Side side, QPoint moved) {
    const QSize photo = shownSizes_[static_cast<int>(side)];
    if (!atFullSize_ || photo.isEmpty()) return;
    // The picture follows the mouse: the centre moves the other way.
    const double scale = panes_[static_cast<int>(side)]->devicePixelRatioF();
    PanBy(QPointF(-moved.x() * scale / photo.width(), -moved.y() * scale / photo.height()));
}

void PictavoWindow::ToggleFullScreen() {
    fullScreenView_ = !fullScreenView_;
    for (const auto& [id, control] : controls_)
        if (id == ids::kStatus || qobject_cast<QPushButton*>(control))
            control->setVisible(!fullScreenView_);
    if (fullScreenView_) {
        stateBeforeFullScreen_ = windowState();
        showFullScreen();
        // The focused button is hidden: the window itself takes the keys.
        setFocus();
    } else {
        setWindowState(stateBeforeFullScreen_ & ~Qt::WindowFullScreen);
        show();
    }
    ApplyLayout();
    // The panes changed size even if the window has not (yet): draw for the new one.
    pictures_.Clear();
    if (state_.catalogueReady && !state_.loader.Busy()) pictavo::DrawPair(state_, true);
}

void PictavoWindow::RunCommand(int id) {
    // A command posted by the loader may arrive while closing pumps events.
    if (closing_) return;
    switch (id) {
        case ids::kDeleteLeft:
            CullLeftAndShow(state_);
            break;
        case ids::kDeleteRight:
            CullRightAndShow(state_);
            break;
        case ids::kPrevious:
            MoveAndDraw(state_, Move::StepBack);
            break;
        case ids::kNext:
            MoveAndDraw(state_, Move::StepForward);
            break;
        case ids::kUndelete:
            OnUndelete();
            break;
        case ids::kConfiguration:
            OnConfigurationCommand();
            break;
        case ids::kExport:
            RunExportDialog(this, {state_.settings, services_.settingsStore, state_.services,
                                   exportControl_, services_.prompter, services_.opener});
            break;
        case ids::kFindDuplicates:
            StartCairnly(services_.programFolder, state_.settings.photoFolder(), services_.prompter,
                         services_.startProcess);
            break;
        case ids::kHelp:
            shared::OpenWebPage(services_.opener, services_.prompter, "Pictavo",
                                shared::PictavoHelpAddress());
            break;
        case ids::kAbout:
            RunAboutBox(services_.opener, services_.prompter, this);
            break;
        case ids::kExit:
            SaveSettings();
            close();
            break;
        default:
            break;
    }
}

void PictavoWindow::OnUndelete() {
    UndeleteAndShow(state_);
    panes_[0]->raise();
    panes_[1]->raise();
    activateWindow();
    setFocus();
}

void PictavoWindow::RunConfigurationDialog() {
    pictavo::RunConfigurationDialog({state_, services_.prompter, services_.opener}, this);
}

void PictavoWindow::OnConfigurationCommand() {
    RunConfigurationDialog();
    SaveSettings();
    if (state_.reloadPending) StartLoading(state_);
}

void PictavoWindow::SaveSettings() { services_.settingsStore.Save(state_.settings); }

void PictavoWindow::closeEvent(QCloseEvent* event) {
    closing_ = true;
    exportControl_.RequestStop();
    // Ends a running walk or sort at its next check; the loader's calls into
    // this window keep being served meanwhile.
    StopLoading(state_);
    SaveSettings();
    event->accept();
}

}  // namespace pictavo
