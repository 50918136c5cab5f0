#include "pictavo/settings/settings_record.h"

#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/text.h"

namespace pictavo {

PhotoTime SettingsRecord::startPosition() const {
    PhotoTime t;
    t.second = U16(kStartPosition + 0);
    t.minute = U16(kStartPosition + 2);
    t.hour = U16(kStartPosition + 4);
    t.day = U16(kStartPosition + 6);
    t.month = U16(kStartPosition + 8);
    t.year = U16(kStartPosition + 10);
    return t;
}

void SettingsRecord::setStartPosition(const PhotoTime& t) {
    SetU16(kStartPosition + 0, t.second);
    SetU16(kStartPosition + 2, t.minute);
    SetU16(kStartPosition + 4, t.hour);
    SetU16(kStartPosition + 6, t.day);
    SetU16(kStartPosition + 8, t.month);
    SetU16(kStartPosition + 10, t.year);
}

std::string DefaultPhotoLocation() {
    std::string pictures = platform::PicturesFolder();
    std::size_t units = platform::Utf16Length(pictures);
    if (units > 0 && units < 560) {
        std::string::size_type slash = pictures.find_last_of('/');
        if (slash != std::string::npos) {
            std::string drive = pictures.substr(0, slash) + "/Google Drive/Google Photos";
            // The 560-unit buffer: a longer path would be cut, so it is not taken.
            if (platform::Utf16Length(drive) < 560 && platform::FolderExists(drive)) return drive;
        }
        if (platform::FolderExists(pictures)) return pictures;
    }
    return "/";
}

void SettingsStore::SetDefaults(SettingsRecord& record) {
    record.Zero();
    record.SetText(SettingsRecord::kProgramTag, SettingsRecord::kProgramTagUnits, "Pictavo");
    record.SetI32(SettingsRecord::kVersionMajor, 1);
    record.SetI32(SettingsRecord::kVersionMinor, 1);
    record.SetI32(SettingsRecord::kVersionBuild, 1001);
    record.SetU8(SettingsRecord::kReservedFlag, 0);
    record.SetU32(SettingsRecord::kWindowLeft, 0x80000000u);
    record.SetI32(SettingsRecord::kWindowTop, 0);
    record.setPhotoFolder(DefaultPhotoLocation());
    record.SetF32(SettingsRecord::kMinFileSizeMB, 1.0f);
    record.SetU8(SettingsRecord::kSkipSystemFolders, 1);
    record.SetI32(SettingsRecord::kDuplicateMode, 0);
    record.SetU8(SettingsRecord::kDeepCheckBeforeDelete, 0);
    record.SetI32(SettingsRecord::kMinPartialDuplicates, 8);
    record.SetF32(SettingsRecord::kMinFolderSizeMB, 100.0f);
    record.setLogLevel(1);
    record.setStartPosition(PhotoTime{});
    record.SetI32(SettingsRecord::kReservedAfterStart, 0);
    record.setExportSelection(0);
    record.setExportLayout(0);
    record.setSetFileDates(true);
    record.setDeleteOriginals(false);
}

}  // namespace pictavo
