#include "cairnly/window/cairnly_program.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "cairnly/engine/hash_cache.h"
#include "cairnly/engine/scan_engine.h"
#include "cairnly/settings/window/owned_prompter.h"

namespace cairnly {
namespace {

// Wide enough for the Largest folders columns without a scroll bar.

}  // namespace

std::string CairnlyProgram::WelcomeText(const std::string& firstButtonCaption) {
    return "Start by pressing the \u201C" + firstButtonCaption +
           "\u201D button.\n"
           "Then try the default Cairnly configuration.\n"
           "Press the \u201CStart\u201D button and Cairnly will scan the disk or folder.\n"
           "Double click on the rows to investigate with the file manager.\n"
           "Select rows and right click for a menu with delete options.";
}

CairnlyProgram::CairnlyProgram(std::vector<std::string> args, shared::Prompter& prompter,
                               shared::Opener& opener, ModalRunner runner)
    : args_(std::move(args)),
      prompter_(prompter),
      opener_(opener),
      runner_(std::move(runner)),
      services_("Cairnly", [this] { return settings_.LogLevel(); }),
      store_(services_) {}

CairnlyProgram::~CairnlyProgram() {
    window_.reset();  // stops and joins a running scan first
    state_.reset();
}

void CairnlyProgram::Start() {
    commandLine_ = ParseCommandLine(args_);
    TakeSettings();
    settings_.CheckWindowPosition();
    state_ = std::make_unique<CairnlyState>(settings_, services_);
    state_->PhotoMode.store(commandLine_.photoMode);
    state_->HashCachePath = HashCache::DefaultPath();
    window_ = std::make_unique<MainWindow>(*state_, store_, prompter_, opener_, runner_);
    if (storedSettings_) window_->KeepStoredRootFolder(*storedSettings_);
    window_->ShowPage(0);
    window_->UpdateCleanupButton();
    ShowWindow();
    if (firstRun_) Welcome();
    services_.CreateLogFolder();
    if (commandLine_.photoMode) {
        services_.SetStatus("Searching for duplicate photos");
        window_->EnableControls(false);
        StartScan(*state_, *window_);
    }
}

void CairnlyProgram::TakeSettings() {
    if (commandLine_.photoMode) {
        settings_.Zero();
        settings_.SetDefaults();
        settings_.SetRootFolder(commandLine_.photoFolder.value_or(""));
        settings_.SetPhotoModeValues();
        return;
    }
    if (!store_.Load(settings_)) {
        firstRun_ = true;
        settings_.SetDefaults();
        store_.Save(settings_);
    }
    if (commandLine_.startFolder) {
        storedSettings_ = settings_;
        settings_.SetRootFolder(*commandLine_.startFolder);
    }
}

void CairnlyProgram::ShowWindow() {
    // On a screen too small for it the window must still fit.
    QScreen* screen = QGuiApplication::primaryScreen();
    window_->FitInto(screen ? screen->availableGeometry() : QRect());
    window_->show();
    window_->repaint();
}

void CairnlyProgram::Welcome() {
    if (commandLine_.photoMode) return;
    OwnedPrompter owned(prompter_, window_.get());
    prompter_.Ask(kWelcomeCaption,
                  WelcomeText(window_->Button(ids::kCleanup)->text().toStdString()),
                  shared::BoxIcon::Information, shared::BoxButtons::Ok);
    window_->RunConfiguration();
}

}  // namespace cairnly
