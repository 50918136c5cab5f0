#pragma once
// What the export dialog does with its buttons, free of any toolkit: the Qt
// dialog implements the view and forwards its button presses here.
#include <string>

#include "pictavo/export/export_worker.h"
#include "pictavo/settings/settings_record.h"
#include "shared/desktop_services.h"
#include "shared/prompter.h"

namespace pictavo {

// Check states of the dialog's option controls, by control id.
struct ExportChoices {
    bool exportAll = false;        // 1013
    bool exportRated = false;      // 1043
    bool setFileDates = false;     // 1044
    bool keepLayout = false;       // 1045
    bool yearlyFolders = false;    // 1046
    bool singleFolder = false;     // 1047
    bool deleteOriginals = false;  // 1050
    bool operator==(const ExportChoices&) const = default;
};

// A stored value outside the tables checks no button of its group.
ExportChoices ChoicesFromSettings(const SettingsRecord& settings);
void StoreChoices(const ExportChoices& choices, SettingsRecord& settings);

// The dialog as the logic sees it. The worker's reports (ExportView) arrive
// on the worker's thread and must not wait for the dialog's thread.
class ExportDialogView : public ExportView {
  public:
    virtual std::string DestinationText() = 0;
    virtual void ShowDestination(const std::string& text) = 0;
    virtual ExportChoices Choices() = 0;
    virtual void ShowChoices(const ExportChoices& choices) = 0;
    virtual void EnableExport(bool enabled) = 0;
    // Runs the folder picker at path; true and path changed when one was picked.
    virtual bool BrowseForFolder(std::string& path) = 0;
    // Lets time pass while the dialog keeps answering.
    virtual void Pause(int milliseconds) = 0;
    virtual void Close() = 0;
};

// The program's state and services the dialog works with.
struct ExportDialogContext {
    SettingsRecord& settings;
    SettingsStore& store;
    shared::DesktopServices& services;
    ExportControl& control;
    shared::Prompter& prompter;
    shared::Opener& opener;
};

class ExportDialogLogic {
  public:
    ExportDialogLogic(const ExportDialogContext& context, ExportDialogView& view);
    // The worker keeps running after the dialog closes, without reporting to it.
    ~ExportDialogLogic();
    ExportDialogLogic(const ExportDialogLogic&) = delete;
    ExportDialogLogic& operator=(const ExportDialogLogic&) = delete;

    void Open();
    void PressExport();
    void PressFolders();
    void PressHelp();
    void PressExit();

    static constexpr std::size_t kMaxFolderUnits = 559;

  private:
    // Steps up to the stored destination; false when refused or not confirmed.
    bool AcceptDestination(const std::string& destination);
    bool Confirm(const std::string& caption, const std::string& text);
    void Refuse(const std::string& caption, const std::string& text, shared::BoxIcon icon);

    ExportDialogContext context_;
    ExportDialogView& view_;
};

}  // namespace pictavo
