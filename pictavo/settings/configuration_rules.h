#pragma once
// What the configuration dialog decides, apart from its widgets: the start
// position line, the checks of OK, and emptying the store of culled photos.
#include <cstdint>
#include <string>

#include "pictavo/catalogue/pictavo_state.h"
#include "pictavo/settings/settings_record.h"
#include "shared/prompter.h"

namespace pictavo {

std::string StartPositionText(const PhotoTime& start);

// Paths this short are a whole drive (a file-system root such as "/").
constexpr std::size_t kDriveRootUnits = 4;

struct FolderCheck {
    bool close = false;   // the dialog may close
    bool reload = false;  // the folder changed: it was stored and a reload is due
};
// The OK checks in order: the folder exists, a drive root is confirmed, and
// only a folder that differs from the stored one (letter case included) is
// stored for a reload.
FolderCheck CheckPhotoFolder(const std::string& typed, SettingsRecord& settings,
                             shared::Prompter& prompter);

std::string StoreEmptyingReport(std::int32_t deleted, std::int32_t failed);

// The whole "Permanently delete culled photos" exchange: question, deletion
// (which empties the undelete stack when at least one file went), report.
void EmptyStoreWithQuestion(PictavoState& state, shared::Prompter& prompter);

}  // namespace pictavo
