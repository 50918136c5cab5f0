#include "pictavo/cull/window/pictavo_program.h"

#include <QApplication>
#include <QScreen>

#include "pictavo/catalogue/loading.h"
#include "pictavo/cull/photo_store.h"
#include "platform/known_folders.h"
#include "platform/process.h"
#include "shared/qt/qt_prompter.h"

namespace pictavo {

int RunStartup(StartupSteps& steps) {
    if (!steps.LoadSettings()) {
        steps.SetDefaultSettings();
        steps.SaveSettings();
    }
    steps.CreateStoreFolder();
    steps.ShowMainWindow();
    steps.RunConfiguration();
    steps.SaveSettings();
    steps.CreateLogFolder();
    steps.StartLoading();
    steps.StartTimer();
    return steps.RunEventLoop();
}

PictavoProgram::PictavoProgram(shared::Prompter& prompter, shared::Opener& opener)
    : prompter_(prompter),
      opener_(opener),
      services_("Pictavo", [this] { return settings_.logLevel(); }),
      store_(services_),
      state_(settings_, services_),
      startProcess_(platform::StartProcess) {}

PictavoProgram::~PictavoProgram() {
    // The loader may still call the window; stop it while the window serves it.
    if (window_) StopLoading(state_);
    window_.reset();
}

bool PictavoProgram::LoadSettings() { return store_.Load(settings_); }
void PictavoProgram::SetDefaultSettings() { store_.SetDefaults(settings_); }
void PictavoProgram::SaveSettings() { store_.Save(settings_); }
void PictavoProgram::CreateStoreFolder() { pictavo::CreateStoreFolder(state_); }

void PictavoProgram::ShowMainWindow() {
    window_ = std::make_unique<PictavoWindow>(WindowServices{
        state_, store_, prompter_, opener_, turner_, startProcess_, platform::ExecutableFolder()});
    if (auto* owned = dynamic_cast<shared::QtPrompter*>(&prompter_)) owned->SetOwner(window_.get());
    // Maximised, the window manager fits the frame, title bar included, into
    // the area the panels leave; the normal size is what un-maximising gives.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window_->FitInto(screen->availableGeometry());
    window_->showMaximized();
}

void PictavoProgram::RunConfiguration() { window_->RunConfigurationDialog(); }
void PictavoProgram::CreateLogFolder() { services_.CreateLogFolder(); }
void PictavoProgram::StartLoading() { pictavo::StartLoading(state_); }
void PictavoProgram::StartTimer() { window_->StartRedrawTimer(); }
int PictavoProgram::RunEventLoop() { return QApplication::exec(); }

}  // namespace pictavo
