#pragma once
// The program as a whole: its services, settings, state and main window, and
// the start-up sequence that brings them up in order.
#include <memory>

#include "pictavo/catalogue/pictavo_state.h"
#include "pictavo/cull/window/pictavo_window.h"
#include "pictavo/cull/window/pixel_turner.h"
#include "pictavo/settings/settings_record.h"
#include "shared/desktop_services.h"
#include "shared/prompter.h"

namespace pictavo {

// The start-up steps, run in order by RunStartup.
class StartupSteps {
  public:
    virtual ~StartupSteps() = default;
    virtual bool LoadSettings() = 0;
    virtual void SetDefaultSettings() = 0;
    virtual void SaveSettings() = 0;
    virtual void CreateStoreFolder() = 0;
    virtual void ShowMainWindow() = 0;
    virtual void RunConfiguration() = 0;
    virtual void CreateLogFolder() = 0;
    virtual void StartLoading() = 0;
    virtual void StartTimer() = 0;
    virtual int RunEventLoop() = 0;
};

// Settings (defaults saved at once when missing or short), the store folder,
// the main window, the configuration dialog, save, the log folder, loading,
// the redraw timer and the event loop. Returns the event loop's result.
int RunStartup(StartupSteps& steps);

class PictavoProgram : public StartupSteps {
  public:
    PictavoProgram(shared::Prompter& prompter, shared::Opener& opener);
    ~PictavoProgram() override;

    int Run() { return RunStartup(*this); }

    bool LoadSettings() override;
    void SetDefaultSettings() override;
    void SaveSettings() override;
    void CreateStoreFolder() override;
    void ShowMainWindow() override;
    void RunConfiguration() override;
    void CreateLogFolder() override;
    void StartLoading() override;
    void StartTimer() override;
    int RunEventLoop() override;

    PictavoState& State() { return state_; }
    SettingsRecord& Settings() { return settings_; }
    shared::DesktopServices& Services() { return services_; }
    PictavoWindow* Window() { return window_.get(); }
    // Test seam: how the cairnly program is started (default: a new process).
    void SetProcessStarter(ProcessStarter starter) { startProcess_ = std::move(starter); }

  private:
    shared::Prompter& prompter_;
    shared::Opener& opener_;
    SettingsRecord settings_;
    shared::DesktopServices services_;
    SettingsStore store_;
    PictavoState state_;
    QtPixelTurner turner_;
    ProcessStarter startProcess_;
    std::unique_ptr<PictavoWindow> window_;
};

}  // namespace pictavo
