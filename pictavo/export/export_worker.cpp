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

void ExportControl::DetachView(const ExportView* view) {
    std::lock_guard<std::mutex> lock(viewMutex_);
    if (view_ == view) view_ = nullptr;
}

void ExportControl::Attach(ExportView& view) {
    counters_.Reset();
    std::lock_guard<std::mutex> lock(viewMutex_);
    view_ = &view;
}

shared::SingleWorker::StartRules ExportControl::Rules(ExportView& view, const Pause& pause,
                                                      const std::function<void()>& beforeStart) {
    shared::SingleWorker::StartRules rules;
    rules.pause = pause;
    rules.notice = [&view, told = false](bool late) mutable {
        if (!late || told) return;
        view.ShowExportStatus(kWaitingText);
        told = true;
    };
    rules.beforeStart = [this, &view, beforeStart] {
        Attach(view);
        if (beforeStart) beforeStart();
    };
    return rules;
}

bool ExportControl::Start(const ExportOptions& options, ExportView& view,
                          shared::DesktopServices& services,
                          const std::function<void()>& beforeStart, const Pause& pause) {
    return worker_.Start({[this, options, &services] { Work(options, services); }, {}},
                         Rules(view, pause, beforeStart));
}

ExportCounts ExportControl::RunHere(const ExportOptions& options, ExportView& view,
                                    shared::DesktopServices& services, const Pause& pause) {
    worker_.RunHere({[this, &options, &services] { Work(options, services); }, {}},
                    Rules(view, pause, {}));
    return Counts();
}

void ExportControl::Work(const ExportOptions& options, shared::DesktopServices& services) {
    ExportRun run(
        options, counters_, [this] { return worker_.StopRequested(); },
        [this](const std::string& text) { Report(text); }, services);
    run.Run();
    Report(ExportClosingText(Counts()));
    EndWork();
}

void ExportControl::Report(const std::string& text) {
    std::lock_guard<std::mutex> lock(viewMutex_);
    if (view_) view_->ShowExportStatus(text);
}

void ExportControl::EndWork() {
    // Told before the worker counts as ended, so it never enables a newer export's button.
    std::lock_guard<std::mutex> lock(viewMutex_);
    if (view_) view_->ExportEnded();
    view_ = nullptr;
}

}  // namespace pictavo
