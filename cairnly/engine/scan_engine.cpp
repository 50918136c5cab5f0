#include "cairnly/engine/scan_engine.h"

#include "cairnly/engine/duplicates.h"
#include "cairnly/engine/partial_folders.h"
#include "cairnly/engine/walk.h"
#include "shared/text_format.h"

namespace cairnly {

namespace {

constexpr int kStopPauseMs = 500;

bool Stopped(const CairnlyState& state) { return state.Scan.StopRequested(); }

// A second worker must never share the tables with the first, so the wait for
// a previous one has no limit; after 30 s the status line says so.
void ShowWaiting(CairnlyState& state, bool late) {
    state.Services.SetStatus(late ? "Waiting for search to stop (still running after 30 seconds)"
                                  : "Waiting for search to stop");
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

void RunScanPhases(CairnlyState& state, ScanView& view) {
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
    // A scan stopped before the duplicate pass leaves nothing at work after it.
    state.DigestAnswers.Wait();
}

// After the tables are free: the last status texts and the idle controls.
void EndScan(CairnlyState& state, ScanView& view) {
    if (Stopped(state)) state.Services.SetStatus("Search stopped");
    if (state.Criteria().PhotoMode) view.ShowPage(kDuplicatesPage);
    ReportUnreadableFolders(state);
    view.EnableControls(true);
}

// The previous worker has ended: its tables are emptied and the new criteria taken.
void PrepareScan(CairnlyState& state, ScanView& view) {
    ClearResults(state, view);
    // The previous worker's last act was to set the controls idle.
    view.EnableControls(false);
    ScanCriteria criteria = CriteriaFrom(state.Settings, state.PhotoMode.load());
    // Every path the pages show and the deletions use is a full path.
    criteria.RootFolder = AbsoluteFolderPath(criteria.RootFolder);
    criteria.RootIdentity =
        platform::FolderIdentity(criteria.RootFolder).value_or(platform::FileIdentity{});
    state.SetCriteria(criteria);
}

shared::SingleWorker::Job ScanJob(CairnlyState& state, ScanView& view) {
    return {[&state, &view] { RunScanPhases(state, view); },
            [&state, &view] { EndScan(state, view); }};
}

}  // namespace

bool StartScan(CairnlyState& state, ScanView& view) {
    if (state.Scan.StartWaiting()) return false;
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
    shared::SingleWorker::StartRules rules;
    rules.pause = [&view](int milliseconds) { view.Pause(milliseconds); };
    rules.notice = [&state](bool late) { ShowWaiting(state, late); };
    rules.beforeStart = [&state, &view] { PrepareScan(state, view); };
    // The user's Stop while this waits ends the old scan, not the new one.
    rules.stopCancelsWait = false;
    return state.Scan.Start(ScanJob(state, view), rules);
}

void StopScan(CairnlyState& state, ScanView& view) {
    state.Scan.RequestStop();
    state.Services.SetStatus("Waiting for search to stop");
    view.Pause(kStopPauseMs);
}

namespace {

// Frees the file records in the order of FilesByFolder when it holds every one
// of them (as the scan leaves it): that is about the order the walk allocated
// them in, and freeing them so is more than ten times faster than in order of
// size, where every record is a cache miss for free() and again for malloc's
// later consolidation. Otherwise Files frees them itself.
void FreeFileRecords(CairnlyState& state) {
    const std::int32_t n = state.Files.Count();
    if (n > 0 && state.FilesByFolder.Count() == n) {
        for (std::int32_t i = 0; i < n; ++i)
            static_cast<void>(state.Files.SlotAt(static_cast<std::size_t>(i)).release());
        for (std::int32_t i = 0; i < n; ++i)
            delete state.FilesByFolder.At(static_cast<std::size_t>(i));
    }
    state.FilesByFolder.Clear();
    state.Files.Clear();
}

}  // namespace

void ClearResults(CairnlyState& state, ScanView& view) {
    state.DigestAnswers.Wait();  // it writes into the records
    view.ClearAllPages();
    // References first, then the records they point to.
    state.Duplicates.Clear();
    state.Partials.Clear();
    FreeFileRecords(state);
    state.Folders.Clear();
    state.LinkedFilesSeen.clear();
    state.DigestCache.reset();
    state.UnreadableFolders.store(0);
    view.ShowPage(kFoldersPage);
}

void ShutdownScan(CairnlyState& state, ScanView& view) {
    state.Scan.RequestStop();
    state.Scan.Join([&view](int milliseconds) { view.Pause(milliseconds); });
}

void RunScanWorker(CairnlyState& state, ScanView& view) {
    shared::SingleWorker::StartRules rules;
    rules.pause = [&view](int milliseconds) { view.Pause(milliseconds); };
    rules.stopCancelsWait = false;
    state.Scan.RunHere(ScanJob(state, view), rules);
}

}  // namespace cairnly
