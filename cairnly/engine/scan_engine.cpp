#include "cairnly/engine/scan_engine.h"

#include "cairnly/engine/duplicates.h"
#include "cairnly/engine/partial_folders.h"
#include "cairnly/engine/walk.h"
#include "shared/text_format.h"

namespace cairnly {

namespace {

constexpr int kWaitStepMs = 500;
constexpr int kWaitSteps = 60;
constexpr int kFinishPollMs = 20;

bool Stopped(const CairnlyState& state) { return state.StopRequested.load(); }

// Waits for a previous worker: the bounded wait first, then, because a second
// worker must never share the tables with the first, for as long as it takes.
void WaitForPreviousWorker(CairnlyState& state, ScanView& view) {
    for (int step = 0; step < kWaitSteps && state.ScanRunning.load(); ++step) {
        state.Services.SetStatus("Waiting for search to stop");
        view.Pause(kWaitStepMs);
    }
    while (state.ScanRunning.load()) {
        state.Services.SetStatus("Waiting for search to stop (still running after 30 seconds)");
        view.Pause(kWaitStepMs);
    }
    // Its last calls to the window come after ScanRunning is cleared.
    while (!state.WorkerFinished.load()) view.Pause(kFinishPollMs);
    if (state.Worker.joinable()) state.Worker.join();
}

// The partial-folder analysis ends by writing its summary to the status line
// even when its page stays empty and another page is shown; a completed scan
// ends with the summary of the page that is shown, so that page's
// text is put back.
void ShowSelectedPageSummary(CairnlyState& state, ScanView& view) {
    const int page = view.SelectedPage();
    if (page >= 0 && page != kPartialPage) state.Services.SetStatus(state.PageStatusText(page));
}

void RunDuplicatePhases(CairnlyState& state, ScanView& view) {
    state.SmallFileThreshold.store(ComputeSmallFileThreshold(state));
    if (!Stopped(state)) {
        FindDuplicates(state, view);
        if (view.PageRowCount(kDuplicatesPage) > 0) view.ShowPage(kDuplicatesPage);
    }
    if (!Stopped(state)) {
        FindPartialDuplicateFolders(state, view, false);
        if (view.PageRowCount(kPartialPage) > 0)
            view.ShowPage(kPartialPage);
        else
            ShowSelectedPageSummary(state, view);
    }
}

// The end-of-scan status keeps what it says and adds how many folders the
// walk could not read (each one is in the log).
void ReportUnreadableFolders(CairnlyState& state) {
    const std::int32_t n = state.UnreadableFolders.load();
    if (n == 0) return;
    const std::string count = n == 1 ? std::string("1 folder could not be read")
                                     : shared::Format("%d folders could not be read", n);
    const std::string last = state.Services.LastStatus();
    state.Services.SetStatus(last.empty() ? count : last + " (" + count + ")");
}

}  // namespace

bool StartScan(CairnlyState& state, ScanView& view) {
    if (state.StartPending.exchange(true)) return false;
    struct PendingReset {
        std::atomic<bool>& flag;
        ~PendingReset() { flag.store(false); }
    } reset{state.StartPending};
    const std::string root = state.Settings.RootFolder();
    if (root.empty() || !platform::FolderExists(root)) {
        // Nothing else is ever walked in its place; the user is told where to choose one.
        state.Services.SetStatus(
            root.empty() ? "No folder to scan. Please select an existing folder with the "
                           "Configuration button."
                         : shared::Format("The folder specified does not exist (%s). Please "
                                          "select an existing folder with the Configuration "
                                          "button.",
                                          root.c_str()));
        view.EnableControls(true);
        return false;
    }
    state.FilesPageStale.store(false);
    state.DuplicatesPageStale.store(false);
    state.PartialPageStale.store(false);
    for (int page = 0; page < 4; ++page) state.SetPageStatusText(page, "");
    WaitForPreviousWorker(state, view);
    ClearResults(state, view);
    // The previous worker's last act was to set the controls idle.
    view.EnableControls(false);
    ScanCriteria criteria = CriteriaFrom(state.Settings, state.PhotoMode.load());
    // Every path the pages show and the deletions use is a full path.
    criteria.RootFolder = AbsoluteFolderPath(criteria.RootFolder);
    criteria.RootIdentity =
        platform::FolderIdentity(criteria.RootFolder).value_or(platform::FileIdentity{});
    state.SetCriteria(criteria);
    state.StopRequested.store(false);
    state.ScanRunning.store(true);
    state.WorkerFinished.store(false);
    state.Worker = std::thread([&state, &view] { RunScanWorker(state, view); });
    return true;
}

void StopScan(CairnlyState& state, ScanView& view) {
    state.StopRequested.store(true);
    state.Services.SetStatus("Waiting for search to stop");
    view.Pause(kWaitStepMs);
}

void ClearResults(CairnlyState& state, ScanView& view) {
    view.ClearAllPages();
    // References first, then the records they point to.
    state.Duplicates.Clear();
    state.FilesByFolder.Clear();
    state.Partials.Clear();
    state.Files.Clear();
    state.Folders.Clear();
    state.LinkedFilesSeen.clear();
    state.WalkStamps.clear();
    state.UnreadableFolders.store(0);
    view.ShowPage(kFoldersPage);
}

void ShutdownScan(CairnlyState& state, ScanView& view) {
    state.StopRequested.store(true);
    while (!state.WorkerFinished.load()) view.Pause(kFinishPollMs);
    if (state.Worker.joinable()) state.Worker.join();
}

void RunScanWorker(CairnlyState& state, ScanView& view) {
    state.ScanRunning.store(true);
    if (!Stopped(state)) {
        state.FoldersEntered.store(0);
        WalkFolder(state, view, state.Criteria().RootFolder, WalkAttributes{}, 0);
    }
    SortFoldersBySize(state);
    if (!Stopped(state)) {
        view.FillLargestFolders();
        view.ShowPage(kFoldersPage);
    }
    if (!Stopped(state)) SortFilesByFolder(state);
    if (!Stopped(state)) {
        CopyFilesToFolderTable(state);
        SortFilesBySize(state);
    }
    if (!Stopped(state)) {
        view.FillLargestFiles(false);
        view.ShowPage(kFilesPage);
    }
    RunDuplicatePhases(state, view);
    state.ScanRunning.store(false);
    if (Stopped(state)) state.Services.SetStatus("Search stopped");
    if (state.Criteria().PhotoMode) view.ShowPage(kDuplicatesPage);
    ReportUnreadableFolders(state);
    view.EnableControls(true);
    state.WorkerFinished.store(true);
}

}  // namespace cairnly
