#include "pictavo/export/export_dialog_logic.h"

#include "pictavo/export/export_checks.h"
#include "platform/known_folders.h"
#include "platform/text.h"
#include "shared/site.h"
#include "shared/web_page.h"

namespace pictavo {

ExportChoices ChoicesFromSettings(const SettingsRecord& settings) {
    ExportChoices choices;
    choices.exportAll = settings.exportSelection() == kExportAll;
    choices.exportRated = settings.exportSelection() == kExportRated;
    choices.setFileDates = settings.setFileDates();
    choices.keepLayout = settings.exportLayout() == kKeepLayout;
    choices.yearlyFolders = settings.exportLayout() == kYearlyFolders;
    choices.singleFolder = settings.exportLayout() == kSingleFolder;
    choices.deleteOriginals = settings.deleteOriginals();
    return choices;
}

void StoreChoices(const ExportChoices& choices, SettingsRecord& settings) {
    settings.setExportSelection(choices.exportRated ? kExportRated : kExportAll);
    settings.setExportLayout(choices.singleFolder    ? kSingleFolder
                             : choices.yearlyFolders ? kYearlyFolders
                                                     : kKeepLayout);
    settings.setSetFileDates(choices.setFileDates);
    settings.setDeleteOriginals(choices.deleteOriginals);
}

ExportDialogLogic::ExportDialogLogic(const ExportDialogContext& context, ExportDialogView& view)
    : context_(context), view_(view) {}

ExportDialogLogic::~ExportDialogLogic() { context_.control.DetachView(&view_); }

void ExportDialogLogic::Open() {
    if (!context_.control.Busy()) context_.control.ResetCounts();
    if (context_.settings.exportFolder().empty()) {
        // The default photo location is often the library itself, which Export refuses.
        std::string fallback = DefaultPhotoLocation();
        if (CheckDestination(fallback, context_.settings.photoFolder()) !=
            DestinationVerdict::InsideLibrary)
            context_.settings.setExportFolder(fallback);
    }
    view_.ShowDestination(context_.settings.exportFolder());
    view_.ShowChoices(ChoicesFromSettings(context_.settings));
}

void ExportDialogLogic::PressExport() {
    if (!context_.control.Busy()) context_.control.ResetCounts();
    view_.EnableExport(false);
    std::string destination = platform::CutToUtf16Units(
        platform::ResolveTypedFolder(view_.DestinationText()), kMaxFolderUnits);
    if (!AcceptDestination(destination)) return view_.EnableExport(true);
    context_.settings.setExportFolder(StoredDestination(destination));
    // The options stay in the settings whatever the user answers next.
    StoreChoices(view_.Choices(), context_.settings);
    ExportOptions options = ExportOptions::FromSettings(context_.settings);
    if (!Confirm(kConfirmExportCaption, ExportSummaryText(options)))
        return view_.EnableExport(true);
    context_.control.Start(
        options, view_, context_.services, [this] { context_.store.Save(context_.settings); },
        [this](int milliseconds) { view_.Pause(milliseconds); });
}

bool ExportDialogLogic::AcceptDestination(const std::string& destination) {
    switch (CheckDestination(destination, context_.settings.photoFolder())) {
        case DestinationVerdict::Missing:
            Refuse(kInformationCaption, kMissingDestinationText, shared::BoxIcon::Error);
            return false;
        case DestinationVerdict::InsideLibrary:
            Refuse(kInsideLibraryCaption, InsideLibraryText(destination), shared::BoxIcon::Warning);
            return false;
        case DestinationVerdict::AskRoot:
            return Confirm(kConfirmRootCaption, ConfirmRootText(destination));
        case DestinationVerdict::Accepted:
            break;
    }
    return true;
}

bool ExportDialogLogic::Confirm(const std::string& caption, const std::string& text) {
    return context_.prompter.Ask(caption, text, shared::BoxIcon::Warning,
                                 shared::BoxButtons::OkCancel) == shared::BoxAnswer::Ok;
}

void ExportDialogLogic::Refuse(const std::string& caption, const std::string& text,
                               shared::BoxIcon icon) {
    context_.prompter.Ask(caption, text, icon, shared::BoxButtons::Ok);
}

void ExportDialogLogic::PressFolders() {
    std::string path = view_.DestinationText();
    if (path.empty()) path = context_.services.DataFolder() + "/";
    if (view_.BrowseForFolder(path)) view_.ShowDestination(path);
}

void ExportDialogLogic::PressHelp() {
    shared::OpenWebPage(context_.opener, context_.prompter, context_.services.ProgramWord(),
                        shared::PictavoHelpAddress());
}

void ExportDialogLogic::PressExit() {
    context_.control.RequestStop();
    view_.Pause(500);
    view_.Close();
}

}  // namespace pictavo
