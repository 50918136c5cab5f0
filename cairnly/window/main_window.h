#pragma once
// Cairnly's main window: the tab control with the four result pages, the
// status line and the row of seven buttons. It is the view of the scan engine
// and of the page logic; calls from the scan worker run on the user-interface
// thread and return when done, except AddDuplicateRow: the worker leaves each
// duplicate in a batch and goes on, and the user-interface thread takes the
// whole batch into the page a moment later, or before it runs any other call
// of the worker (so order, counts and summaries are those of the engine).
// Status texts from a worker do not wait either: the status line shows the
// latest one as soon as the user-interface thread is free.
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"
#include "cairnly/pages/page_view.h"
#include "cairnly/pages/result_pages.h"
#include "cairnly/pages/window/modal_runner.h"
#include "cairnly/settings/scan_settings.h"
#include "shared/prompter.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace cairnly {

// The main window's control ids, which are also the widgets' object names.
namespace ids {
constexpr int kWindow = 131;
constexpr int kTabs = 1027, kStatus = 1026;
constexpr int kCleanup = 6, kStart = 3, kStop = 4, kConfiguration = 5, kHelp = 7;
constexpr int kAbout = 1025, kExit = 1024;
}  // namespace ids

class ResultPageWidget;

class MainWindow : public QWidget, public ScanView, public pages::PageView {
  public:
    MainWindow(CairnlyState& state, ScanSettingsStore& store, shared::Prompter& prompter,
               shared::Opener& opener, ModalRunner runner = {});
    ~MainWindow() override;

    // Button ids of the bottom row, in slot order.
    static constexpr std::array<int, 7> kButtonSlots = {
        ids::kCleanup, ids::kStart, ids::kStop, ids::kConfiguration,
        ids::kHelp,    ids::kAbout, ids::kExit};

    QPushButton* Button(int id) const;
    QLabel* StatusLine() const { return status_; }
    QTabWidget* Tabs() const { return tabs_; }
    ResultPageWidget* Page(int page) const;
    int CurrentPage() const;
    pages::ResultPages& PageLogic() { return *logic_; }

    // Button commands, also used by tests.
    void StartCommand();
    void StopCommand();
    void ConfigurationCommand();
    void CleanupCommand();
    void HelpCommand();
    void AboutCommand();

    // Runs the configuration dialog and saves the settings, whichever way it
    // closed; in photo mode nothing is saved.
    void RunConfiguration();
    // The folder in the settings is for this run only: saves write the stored
    // one until the user confirms the configuration with OK.
    void KeepStoredRootFolder(const ScanSettings& stored) { storedSettings_ = stored; }
    // Disk Cleanup does not exist here, so the button keeps its maker caption.
    void UpdateCleanupButton();
    // The least size at which every button is inside and the row's slots apart
    // (the program lowers the minimum to the screen's size on a smaller screen).
    QSize LeastSize() const { return leastSize_; }
    // Makes the window's least size and its first size fit the screen's free area.
    void FitInto(const QRect& available);
    // Lays out the window for its current client size.
    void LayOut();

    // ScanView
    void EnableControls(bool idle) override;
    void ShowPage(int page) override;
    void ClearAllPages() override;
    int PageRowCount(int page) override;
    int SelectedPage() override;
    void PreviewLargestFolder(int folderIndex) override;
    void FillLargestFolders() override;
    void FillLargestFiles(bool refill) override;
    void AddDuplicateRow(int row, const FileRecord& record, int listIndex, int group) override;
    void FillPartialFolders() override;
    void Pause(int milliseconds) override;

    // pages::PageView
    void RowsChanging(int page, const pages::RowChange& change) override;
    void RowsChanged(int page, const pages::RowChange& change) override;
    void Repaint(int page) override;

    // Takes the duplicates the worker has found so far into the page (user-interface thread).
    void DeliverPendingRows();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FitButtonTexts(bool narrow);
    void BuildControls();
    void BuildButtons();
    void BuildPages();
    // Runs the command of button 3, 4 or 5, or defers it while another runs.
    void ButtonCommand(int id);
    void SetStatusText(const std::string& text);
    // The status sink: at once on the user-interface thread (which supersedes
    // texts of workers not yet shown), otherwise the latest text a moment later.
    void ShowStatus(const std::string& text);
    void ShowPendingStatus();
    // Runs work on the user-interface thread after the rows found before it
    // have reached their page; from a worker, waits until it is done.
    void AfterPendingRows(std::function<void()> work);
    void DropPendingRows();

    CairnlyState& state_;
    ScanSettingsStore& store_;
    shared::Prompter& prompter_;
    shared::Opener& opener_;
    ModalRunner runner_;

    QTabWidget* tabs_ = nullptr;
    QLabel* status_ = nullptr;
    std::unique_ptr<pages::ResultPages> logic_;
    std::array<ResultPageWidget*, 4> pages_{};
    bool cleanupAvailable_ = false;
    bool showingPage_ = false;
    bool closing_ = false;
    bool buttonCommandRunning_ = false;
    std::vector<int> deferredButtons_;
    std::optional<ScanSettings> storedSettings_;
    QSize leastSize_;
    // The bottom row's widths as built, which a window narrower than the
    // least size (a small screen at a large scale) shrinks and a wider one restores.
    std::map<int, int> naturalButtonWidth_;
    // Duplicates the worker has found and the page has not yet taken; the
    // records stay valid until the next scan's ClearResults, which drops them.
    std::mutex pendingMutex_;
    std::vector<pages::DuplicateRow> pendingRows_;
    std::optional<std::string> pendingStatus_;
};

}  // namespace cairnly
