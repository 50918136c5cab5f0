#pragma once
// Cairnly's start-up: command line, settings (or first-run defaults, or the
// photo-mode values), the main window, the first-run welcome and
// configuration, the log folder and, in photo mode, the immediate scan.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/pages/window/modal_runner.h"
#include "cairnly/settings/command_line.h"
#include "cairnly/settings/scan_settings.h"
#include "cairnly/window/main_window.h"
#include "shared/desktop_services.h"
#include "shared/prompter.h"

namespace cairnly {

class CairnlyProgram {
  public:
    CairnlyProgram(std::vector<std::string> args, shared::Prompter& prompter,
                   shared::Opener& opener, ModalRunner runner = {});
    ~CairnlyProgram();

    static constexpr const char* kWelcomeCaption = "Cairnly - getting started";
    // Names the first button of the bottom row as it reads.
    static std::string WelcomeText(const std::string& firstButtonCaption);

    // Everything before the message loop; shows the window.
    void Start();

    bool FirstRun() const { return firstRun_; }
    const CommandLine& Arguments() const { return commandLine_; }
    ScanSettings& Settings() { return settings_; }
    shared::DesktopServices& Services() { return services_; }
    ScanSettingsStore& Store() { return store_; }
    CairnlyState& State() { return *state_; }
    MainWindow& Window() { return *window_; }

  private:
    void TakeSettings();
    void ShowWindow();
    void Welcome();

    std::vector<std::string> args_;
    shared::Prompter& prompter_;
    shared::Opener& opener_;
    ModalRunner runner_;
    CommandLine commandLine_;
    ScanSettings settings_;
    shared::DesktopServices services_;
    ScanSettingsStore store_;
    std::unique_ptr<CairnlyState> state_;
    std::unique_ptr<MainWindow> window_;
    bool firstRun_ = false;
    std::optional<ScanSettings> storedSettings_;  // as loaded, when the command line named a folder
};

}  // namespace cairnly
