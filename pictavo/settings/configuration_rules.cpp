#include "pictavo/settings/configuration_rules.h"

#include <cstdio>

#include "pictavo/cull/photo_store.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/text.h"

namespace pictavo {
namespace {

constexpr const char* kInformationCaption = "Quillfen Software - information";

bool ConfirmDriveRoot(const std::string& typed, shared::Prompter& prompter) {
    return prompter.Ask("Confirm scan of entire drive?",
                        "Are you sure this is your photos directory?\n" + typed,
                        shared::BoxIcon::Warning,
                        shared::BoxButtons::OkCancel) == shared::BoxAnswer::Ok;
}

std::string WithTrailingSlash(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

}  // namespace

std::string StartPositionText(const PhotoTime& t) {
    if (t.year == 0) return "Photo review and cleanup starting with oldest photo in Photos folder";
    char text[128];
    std::snprintf(text, sizeof text,
                  "Photo review and cleanup starting at photo dated %d/%02d/%02d  %02d:%02d:%02d",
                  t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

FolderCheck CheckPhotoFolder(const std::string& typedText, SettingsRecord& settings,
                             shared::Prompter& prompter) {
    const std::string typed = platform::ResolveTypedFolder(typedText);
    if (!platform::FolderExists(typed)) {
        prompter.Ask(kInformationCaption,
                     "The folder specified does not exist. Please select an existing folder.",
                     shared::BoxIcon::Error, shared::BoxButtons::Ok);
        return {};
    }
    if (platform::Utf16Length(typed) < kDriveRootUnits && !ConfirmDriveRoot(typed, prompter))
        return {};
    // Names are case-sensitive here: "/photos/Trip" and "/photos/trip" are two folders.
    if (typed == settings.photoFolder()) return {true, false};
    settings.setPhotoFolder(typed);
    return {true, true};
}

std::string StoreEmptyingReport(std::int32_t deleted, std::int32_t failed) {
    std::string report = "Permanently deleted " + std::to_string(deleted) + " culled files.";
    if (failed > 0) report += " Error deleting " + std::to_string(failed) + " files.";
    return report;
}

void EmptyStoreWithQuestion(PictavoState& state, shared::Prompter& prompter) {
    std::string question = "Permanently delete " +
                           std::to_string(CountStoreFiles(state.storeFolder)) +
                           " culled files from " + WithTrailingSlash(state.storeFolder) + "?";
    if (prompter.Ask("Permanently delete culled files?", question, shared::BoxIcon::Warning,
                     shared::BoxButtons::OkCancel) != shared::BoxAnswer::Ok)
        return;
    StoreEmptying result = DeleteStoreFiles(state);
    prompter.Ask("Deleted culled files", StoreEmptyingReport(result.deleted, result.failed),
                 shared::BoxIcon::Warning, shared::BoxButtons::Ok);
}

}  // namespace pictavo
