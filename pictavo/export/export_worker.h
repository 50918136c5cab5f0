#pragma once
// The export worker: copies the photo library to the export folder by the
// user's rules, one export at a time, on a thread of its own or on the caller's.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "pictavo/settings/settings_record.h"
#include "shared/desktop_services.h"
#include "shared/single_worker.h"

namespace pictavo {

enum ExportSelection { kExportAll = 0, kExportRated = 1 };
enum ExportLayout { kKeepLayout = 0, kYearlyFolders = 1, kSingleFolder = 2 };

// What one export does, taken from the settings when it starts.
struct ExportOptions {
    std::string photoFolder;
    std::string exportFolder;
    int selection = kExportAll;  // any value but 1 exports all
    int layout = kKeepLayout;    // any value but 1 or 2 keeps the layout
    bool setFileDates = true;
    bool deleteOriginals = false;

    static ExportOptions FromSettings(const SettingsRecord& settings);
};

struct ExportCounts {
    int exported = 0;
    int copyErrors = 0;
    int deleteErrors = 0;
    int overwritten = 0;
    bool operator==(const ExportCounts&) const = default;
};

// The four counters, shared between the worker and whoever shows them.
struct ExportCounters {
    std::atomic<int> exported{0}, copyErrors{0}, deleteErrors{0}, overwritten{0};
    ExportCounts Snapshot() const;
    void Reset();
};

// The status line texts shown while the export runs and when it ends.
std::string ExportProgressText(const ExportCounts& counts);
std::string ExportClosingText(const ExportCounts& counts);

// Where the worker reports; called from the worker's thread.
class ExportView {
  public:
    virtual ~ExportView() = default;
    virtual void ShowExportStatus(const std::string& text) = 0;
    // The export is over (busy already cleared): Export may be pressed again.
    virtual void ExportEnded() = 0;
};

// The counters, the reporting view and the worker of one program's exports.
// Owned by the main window, which requests a stop when it closes.
class ExportControl {
  public:
    // Waits for a running export in the caller's own way (the Qt layer pumps events).
    using Pause = shared::SingleWorker::Pause;

    ExportControl() = default;
    ExportControl(const ExportControl&) = delete;
    ExportControl& operator=(const ExportControl&) = delete;
    // Requests a stop and waits for the worker to end its current entry.
    ~ExportControl() = default;

    void RequestStop() { worker_.RequestStop(); }
    bool StopRequested() const { return worker_.StopRequested(); }
    bool Busy() const { return worker_.Busy(); }
    ExportCounts Counts() const { return counters_.Snapshot(); }
    void ResetCounts() { counters_.Reset(); }

    // Waits for a running export (500 ms steps; after 30 s it says so and keeps
    // waiting, so two workers never run), clears the stop request, calls
    // beforeStart and starts the worker thread. Returns false, starting
    // nothing, when a stop is requested while it waits.
    bool Start(const ExportOptions& options, ExportView& view, shared::DesktopServices& services,
               const std::function<void()>& beforeStart, const Pause& pause);

    // The same export on the calling thread (command line); returns the counts.
    ExportCounts RunHere(const ExportOptions& options, ExportView& view,
                         shared::DesktopServices& services, const Pause& pause);

    // A closing dialog stops receiving reports; the worker carries on unseen.
    void DetachView(const ExportView* view);

    static constexpr int kWaitStepMs = shared::SingleWorker::kWaitStepMs;
    static constexpr int kPatientWaitMs = shared::SingleWorker::kPatientWaitMs;

  private:
    shared::SingleWorker::StartRules Rules(ExportView& view, const Pause& pause,
                                           const std::function<void()>& beforeStart);
    void Attach(ExportView& view);
    void Work(const ExportOptions& options, shared::DesktopServices& services);
    void Report(const std::string& text);
    void EndWork();

    ExportCounters counters_;
    std::mutex viewMutex_;
    ExportView* view_ = nullptr;
    // Last, so it is joined before the members its worker uses go.
    shared::SingleWorker worker_;
};

}  // namespace pictavo
