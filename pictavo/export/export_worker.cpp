#include "pictavo/export/export_worker.h"

#include "pictavo/export/export_run.h"

namespace pictavo {
namespace {

constexpr char kWaitingText[] = "Waiting for the previous export to end";

std::string CountsText(const char* opening, const ExportCounts& counts) {
    std::string text = std::string(opening) + " Exported " + std::to_string(counts.exported) +
                       " images successfully";
    if (counts.copyErrors > 0 || counts.deleteErrors > 0 || counts.overwritten > 0) {
        text += ". " + std::to_string(counts.copyErrors) + " copy errors. " +
                std::to_string(counts.deleteErrors) + " delete errors. " +
                std::to_string(counts.overwritten) +
                (counts.overwritten == 1 ? " file overwritten" : " files overwritten");
    }
    return text;
}

}  // namespace

ExportOptions ExportOptions::FromSettings(const SettingsRecord& settings) {
    ExportOptions options;
    options.photoFolder = settings.photoFolder();
    options.exportFolder = settings.exportFolder();
    options.selection = settings.exportSelection();
    options.layout = settings.exportLayout();
    options.setFileDates = settings.setFileDates();
    options.deleteOriginals = settings.deleteOriginals();
    return options;
}

ExportCounts ExportCounters::Snapshot() const {
    return ExportCounts{exported.load(), copyErrors.load(), deleteErrors.load(),
                        overwritten.load()};
}

void ExportCounters::Reset() {
    exported = 0;
    copyErrors = 0;
    deleteErrors = 0;
    overwritten = 0;
}

std::string ExportProgressText(const ExportCounts& counts) {
    return CountsText("Export in progress:", counts);
}

std::string ExportClosingText(const ExportCounts& counts) {
    return CountsText("Export Complete:", counts);
}

ExportControl::~ExportControl() {
    RequestStop();
    std::lock_guard<std::mutex> lock(threadMutex_);
    if (thread_.joinable()) thread_.join();
}

void ExportControl::RequestStop() {
    stop_ = true;
    ++stopCount_;
}

void ExportControl::DetachView(const ExportView* view) {
    std::lock_guard<std::mutex> lock(viewMutex_);
    if (view_ == view) view_ = nullptr;
}

bool ExportControl::AcquireBusy(ExportView& view, const Pause& pause) {
    unsigned stopsBefore = stopCount_.load();
    int waited = 0;
    for (bool idle = false; !busy_.compare_exchange_strong(idle, true); idle = false) {
        if (stopCount_.load() != stopsBefore) return false;
        // Two workers must never walk and count together, so the wait goes on.
        if (waited == kPatientWaitMs) view.ShowExportStatus(kWaitingText);
        pause(kWaitStepMs);
        waited += kWaitStepMs;
    }
    return true;
}

void ExportControl::JoinEndedWorker() {
    // Busy is clear, so the earlier worker has nothing left to do but return.
    std::lock_guard<std::mutex> lock(threadMutex_);
    if (thread_.joinable()) thread_.join();
}

void ExportControl::Attach(ExportView& view) {
    stop_ = false;
    counters_.Reset();
    std::lock_guard<std::mutex> lock(viewMutex_);
    view_ = &view;
}

bool ExportControl::Start(const ExportOptions& options, ExportView& view,
                          shared::DesktopServices& services,
                          const std::function<void()>& beforeStart, const Pause& pause) {
    if (!AcquireBusy(view, pause)) return false;
    JoinEndedWorker();
    Attach(view);
    if (beforeStart) beforeStart();
    std::lock_guard<std::mutex> lock(threadMutex_);
    thread_ = std::thread([this, options, &services] { Work(options, services); });
    return true;
}

ExportCounts ExportControl::RunHere(const ExportOptions& options, ExportView& view,
                                    shared::DesktopServices& services, const Pause& pause) {
    if (!AcquireBusy(view, pause)) return Counts();
    Attach(view);
    Work(options, services);
    return Counts();
}

void ExportControl::Work(const ExportOptions& options, shared::DesktopServices& services) {
    ExportRun run(
        options, counters_, stop_, [this](const std::string& text) { Report(text); }, services);
    run.Run();
    Report(ExportClosingText(Counts()));
    EndWork();
}

void ExportControl::Report(const std::string& text) {
    std::lock_guard<std::mutex> lock(viewMutex_);
    if (view_) view_->ShowExportStatus(text);
}

void ExportControl::EndWork() {
    {
        // Told before busy clears, so this worker never enables a newer export's button.
        std::lock_guard<std::mutex> lock(viewMutex_);
        if (view_) view_->ExportEnded();
        view_ = nullptr;
    }
    busy_ = false;
}

}  // namespace pictavo
