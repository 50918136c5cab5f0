#include "cairnly/window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "cairnly/engine/scan_engine.h"
#include "cairnly/pages/page_layout.h"
#include "cairnly/pages/window/result_page_widget.h"
#include "cairnly/settings/window/about_box.h"
#include "cairnly/settings/window/configuration_dialog.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/ui_thread.h"
#include "shared/site.h"
#include "shared/web_page.h"

namespace cairnly {
namespace {

constexpr int kButtonWidthDlu = 67, kButtonHeightDlu = 14;
constexpr int kMinimumWidth = 640, kMinimumHeight = 400;
// The size the window opens at when the screen has room for it.
constexpr int kPreferredWidth = 1120, kPreferredHeight = 720;
constexpr int kTabLeft = 10, kTabTop = 10, kStatusLeft = 20;
// How long found duplicates wait to be taken into the page together: the list
// still fills visibly, and the user-interface thread does not compete with the
// scan for every single row.
constexpr int kRowDeliveryMs = 50;

struct ButtonSpec {
    int id;
    const char* text;
};
constexpr ButtonSpec kButtons[] = {{ids::kCleanup, "Quillfen software"},
                                   {ids::kStart, "Start"},
                                   {ids::kStop, "Stop"},
                                   {ids::kConfiguration, "Configuration"},
                                   {ids::kHelp, "Help"},
                                   {ids::kAbout, "About"},
                                   {ids::kExit, "Exit"}};

}  // namespace

MainWindow::MainWindow(CairnlyState& state, ScanSettingsStore& store, shared::Prompter& prompter,
                       shared::Opener& opener, ModalRunner runner)
    : state_(state),
      store_(store),
      prompter_(prompter),
      opener_(opener),
      runner_(std::move(runner)) {
    setObjectName(QString::number(ids::kWindow));
    setWindowTitle(QStringLiteral("Quillfen Software Cairnly"));
    setWindowIcon(QIcon(QStringLiteral(":/cairnly/cairnly.png")));
    BuildControls();
    state_.Services.SetStatusSink([this](const std::string& text) { ShowStatus(text); });
    EnableControls(true);
    Button(ids::kStart)->setFocus();
}

MainWindow::~MainWindow() {
    ShutdownScan(state_, *this);
    DropPendingRows();
    state_.Services.SetStatusSink({});
    // The lists call back into the page logic while they are torn down, so
    // they go first, while the logic is still there, and tab changes of the
    // dying tab control are no longer page switches.
    QObject::disconnect(tabs_, nullptr, this, nullptr);
    pages_.fill(nullptr);
    delete tabs_;
    tabs_ = nullptr;
}

void MainWindow::BuildControls() {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QString::number(ids::kTabs));
    status_ = new QLabel(this);
    status_->setObjectName(QString::number(ids::kStatus));
    status_->setTextFormat(Qt::PlainText);
    status_->setMinimumWidth(1);
    BuildPages();
    BuildButtons();
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!showingPage_ && index >= 0) ShowPage(index);
    });
}

void MainWindow::BuildButtons() {
    QSize size =
        shared::DialogUnitsToPixels(font(), 0, 0, kButtonWidthDlu, kButtonHeightDlu).size();
    int widestButton = 0;
    for (const ButtonSpec& spec : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(spec.text), this);
        button->setObjectName(QString::number(spec.id));
        button->resize(size.expandedTo(QSize(button->sizeHint().width(), size.height())));
        naturalButtonWidth_[spec.id] = button->width();
        widestButton = std::max(widestButton, button->width());
    }
    // Narrower, the seven slots stop growing and About and Exit leave the window.
    leastSize_ = QSize(std::max(kMinimumWidth, 7 * (widestButton + 5) + 30), kMinimumHeight);
    setMinimumSize(leastSize_);
    connect(Button(ids::kStart), &QPushButton::clicked, this,
            [this] { ButtonCommand(ids::kStart); });
    connect(Button(ids::kStop), &QPushButton::clicked, this, [this] { ButtonCommand(ids::kStop); });
    connect(Button(ids::kConfiguration), &QPushButton::clicked, this,
            [this] { ButtonCommand(ids::kConfiguration); });
    connect(Button(ids::kCleanup), &QPushButton::clicked, this, [this] { CleanupCommand(); });
    connect(Button(ids::kHelp), &QPushButton::clicked, this, [this] { HelpCommand(); });
    connect(Button(ids::kAbout), &QPushButton::clicked, this, [this] { AboutCommand(); });
    connect(Button(ids::kExit), &QPushButton::clicked, this, [this] { close(); });
}

// Start and Stop pause while keeping events flowing (the worker's calls need
// them), so a click on Start, Stop or Configuration can arrive inside another
// of these commands: for example Start, enabled again by the stopped worker,
// while Stop still sleeps; Stop would then put the buttons into the idle state
// under the new scan. Such a click runs when the command in progress has
// returned, as it would where the pauses handle no input, and only if its
// button is still enabled then.
void MainWindow::ButtonCommand(int id) {
    if (buttonCommandRunning_) {
        if (std::find(deferredButtons_.begin(), deferredButtons_.end(), id) ==
            deferredButtons_.end())
            deferredButtons_.push_back(id);
        return;
    }
    buttonCommandRunning_ = true;
    if (id == ids::kStart) StartCommand();
    if (id == ids::kStop) StopCommand();
    if (id == ids::kConfiguration) ConfigurationCommand();
    buttonCommandRunning_ = false;
    while (!deferredButtons_.empty() && !closing_ && isVisible()) {
        const int next = deferredButtons_.front();
        deferredButtons_.erase(deferredButtons_.begin());
        if (Button(next)->isEnabled()) {
            ButtonCommand(next);  // runs what is still deferred after it
            return;
        }
    }
    deferredButtons_.clear();
}

QPushButton* MainWindow::Button(int id) const {
    return findChild<QPushButton*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

ResultPageWidget* MainWindow::Page(int page) const {
    return page >= 0 && page < 4 ? pages_[static_cast<std::size_t>(page)] : nullptr;
}

int MainWindow::CurrentPage() const { return tabs_->currentIndex(); }

void MainWindow::StartCommand() {
    // Start is disabled while scanning; right after Stop, StartScan waits for the old worker.
    EnableControls(false);
    StartScan(state_, *this);
}

void MainWindow::StopCommand() {
    StopScan(state_, *this);
    Pause(500);
    EnableControls(true);
}

void MainWindow::ConfigurationCommand() { RunConfiguration(); }

void MainWindow::RunConfiguration() {
    ConfigurationDialog dialog(
        state_.Settings, state_.Services, prompter_, opener_, [this] { UpdateCleanupButton(); },
        this);
    const bool accepted = RunModal(runner_, dialog) == QDialog::Accepted;
    // Photo mode runs on fixed values and leaves the user's settings file alone.
    if (state_.PhotoMode.load()) return;
    if (accepted) storedSettings_.reset();
    if (!storedSettings_) {
        store_.Save(state_.Settings);
        return;
    }
    // The stored folder field, byte for byte, in place of this run's folder.
    ScanSettings toSave = state_.Settings;
    const std::size_t field = ScanSettings::kRootFolder, bytes = 2 * ScanSettings::kRootFolderUnits;
    std::copy_n(storedSettings_->Data() + field, bytes, toSave.Data() + field);
    store_.Save(toSave);
}

void MainWindow::CleanupCommand() {
    shared::OpenWebPage(opener_, prompter_, state_.Services.ProgramWord(),
                        shared::HomePageAddress());
}

void MainWindow::HelpCommand() {
    shared::OpenWebPage(opener_, prompter_, state_.Services.ProgramWord(),
                        shared::CairnlyHelpAddress());
}

void MainWindow::AboutCommand() {
    AboutBox about(prompter_, opener_, this);
    RunModal(runner_, about);
}

void MainWindow::UpdateCleanupButton() {
    if (!cleanupAvailable_) return;
    std::string root = state_.Settings.RootFolder();
    Button(ids::kCleanup)
        ->setText(QString::asprintf("Disk Cleanup (%c:)", root.empty() ? ' ' : root[0]));
}

void MainWindow::LayOut() {
    const int W = width(), H = height();
    const int buttonHeight = Button(ids::kStart)->height();
    // Held below its least width by a small screen, the row narrows its
    // buttons into seven equal slots, so that Exit stays on the screen.
    const bool narrow = W < leastSize_.width();
    const double narrowSlot = std::max(6.0, (W - 30) / 7.0);
    for (std::size_t slot = 0; slot < kButtonSlots.size(); ++slot) {
        QPushButton* button = Button(kButtonSlots[slot]);
        const int natural = naturalButtonWidth_[kButtonSlots[slot]];
        button->resize(narrow ? static_cast<int>(narrowSlot) - 5 : natural, button->height());
        double slotWidth = narrow ? narrowSlot : std::max(natural + 5.0, (W - 30) / 7.0);
        int left = static_cast<int>(15 + static_cast<double>(slot) * slotWidth +
                                    (slotWidth - button->width()) / 2);
        button->move(left, H - button->height() - 15);
    }
    FitButtonTexts(narrow);
    int statusHeight = std::max(status_->sizeHint().height(), fontMetrics().height() + 4);
    status_->setGeometry(kStatusLeft, H - buttonHeight - 42, std::max(1, W - 40), statusHeight);
    tabs_->setGeometry(kTabLeft, kTabTop, std::max(1, W - 20), std::max(1, H - 90));
}

// Narrowed buttons share a smaller font, so every text stays whole; at their
// own widths they take the window's font again.
void MainWindow::FitButtonTexts(bool narrow) {
    std::vector<QPushButton*> row;
    for (int id : kButtonSlots) row.push_back(Button(id));
    if (narrow) {
        shared::FitButtonTexts(row, font());
        return;
    }
    for (QPushButton* button : row) button->setFont(QFont());
}

void MainWindow::FitInto(const QRect& available) {
    const QSize preferred(kPreferredWidth, kPreferredHeight);
    if (available.isEmpty()) {
        resize(preferred);
    } else {
        // Room is left for the frame, which the window manager adds around it.
        const QSize room = available.size() * 0.92;
        setMinimumSize(leastSize_.boundedTo(room));
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, preferred.boundedTo(room),
                                        available));
    }
    LayOut();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    ShutdownScan(state_, *this);
    closing_ = false;
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button, as in the platform's dialogs.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::ShowStatus(const std::string& text) {
    const bool here = QThread::currentThread() == thread();
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        post = !here && !pendingStatus_;
        if (here)
            pendingStatus_.reset();  // a worker's text not yet shown is older than this one
        else
            pendingStatus_ = text;
    }
    if (here)
        SetStatusText(text);
    else if (post)  // one posted call shows whichever text is latest when it runs
        shared::RunOnThreadOf(
            this, [this] { ShowPendingStatus(); }, Qt::QueuedConnection);
}

void MainWindow::ShowPendingStatus() {
    std::optional<std::string> text;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        text.swap(pendingStatus_);
    }
    if (text) SetStatusText(*text);
}

void MainWindow::SetStatusText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    status_->setText(shown);
    status_->setToolTip(shown);
}

void MainWindow::EnableControls(bool idle) {
    AfterPendingRows([this, idle] {
        Button(ids::kStart)->setEnabled(idle);
        Button(ids::kConfiguration)->setEnabled(idle);
        Button(ids::kCleanup)->setEnabled(idle);
        Button(ids::kStop)->setEnabled(!idle);
        // The lists stay usable while scanning; the cursor says work is going on.
        if (idle)
            tabs_->unsetCursor();
        else
            tabs_->setCursor(Qt::BusyCursor);
    });
}

void MainWindow::Pause(int milliseconds) { shared::PumpEvents(milliseconds); }

}  // namespace cairnly

namespace cairnly {

void MainWindow::BuildPages() {
    logic_ = std::make_unique<pages::ResultPages>(state_, *this);
    auto pause = [this](int ms) { Pause(ms); };
    for (int page = 0; page < kPageCount; ++page) {
        auto* widget = new ResultPageWidget(page, *logic_, *this, opener_, pause, runner_, tabs_);
        widget->catchUp = [this] { DeliverPendingRows(); };
        pages_[static_cast<std::size_t>(page)] = widget;
        tabs_->addTab(widget, QString::fromStdString(pages::LayoutOf(page).tabCaption));
    }
}

void MainWindow::AfterPendingRows(std::function<void()> work) {
    shared::RunOnThreadOf(this, [this, work = std::move(work)] {
        DeliverPendingRows();
        work();
    });
}

void MainWindow::DeliverPendingRows() {
    std::vector<pages::DuplicateRow> rows;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        rows.swap(pendingRows_);
    }
    if (!rows.empty()) logic_->AddDuplicateRows(rows);
}

void MainWindow::DropPendingRows() {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    pendingRows_.clear();
}

void MainWindow::ShowPage(int page) {
    AfterPendingRows([this, page] {
        if (page < 0 || page >= kPageCount) return;
        showingPage_ = true;
        tabs_->setCurrentIndex(page);
        showingPage_ = false;
        logic_->PageShown(page, *this);
    });
}

void MainWindow::ClearAllPages() {
    // No worker runs while the results are cleared; rows it left are of the
    // records about to be freed.
    shared::RunOnThreadOf(this, [this] {
        DropPendingRows();
        logic_->ClearAllPages();
    });
}

int MainWindow::PageRowCount(int page) {
    int count = 0;
    AfterPendingRows([this, page, &count] { count = logic_->PageRowCount(page); });
    return count;
}

int MainWindow::SelectedPage() {
    int page = -1;
    AfterPendingRows([this, &page] { page = tabs_->currentIndex(); });
    return page;
}

void MainWindow::PreviewLargestFolder(int folderIndex) {
    AfterPendingRows([this, folderIndex] { logic_->PreviewLargestFolder(folderIndex); });
}

void MainWindow::FillLargestFolders() {
    AfterPendingRows([this] { logic_->FillLargestFolders(); });
}

void MainWindow::FillLargestFiles(bool refill) {
    AfterPendingRows([this, refill] { logic_->FillLargestFiles(refill); });
}

void MainWindow::AddDuplicateRow(int row, const FileRecord& record, int listIndex, int group) {
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        first = pendingRows_.empty();
        pendingRows_.push_back({row, &record, listIndex, group});
    }
    if (!first) return;  // the delivery already asked for takes this row too
    shared::RunOnThreadOf(
        this,
        [this] { QTimer::singleShot(kRowDeliveryMs, this, [this] { DeliverPendingRows(); }); },
        Qt::QueuedConnection);
}

void MainWindow::FillPartialFolders() {
    AfterPendingRows([this] { logic_->FillPartialFolders(); });
}

void MainWindow::RowsChanging(int page, const pages::RowChange& change) {
    if (ResultPageWidget* widget = Page(page)) widget->List().Rows().RowsChanging(change);
}

void MainWindow::RowsChanged(int page, const pages::RowChange& change) {
    ResultPageWidget* widget = Page(page);
    if (!widget) return;
    widget->List().Rows().RowsChanged(change);
    // New rows come in fill order, whatever the last sort was.
    if (change.kind == pages::RowChange::Kind::Reset)
        widget->List().header()->setSortIndicatorShown(false);
}

void MainWindow::Repaint(int page) {
    if (ResultPageWidget* widget = Page(page)) widget->List().Rows().RepaintAll();
}

}  // namespace cairnly
