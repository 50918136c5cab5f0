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

std::string SettingsStore::FilePath() {
    return platform::JoinPath(services_.DataFolder(), "Pictavo.kvcfg");
}

bool SettingsStore::Load(SettingsRecord& record) {
    record.Zero();
    long got = platform::ReadFilePrefix(FilePath(), record.Data(), SettingsRecord::kSize);
    return got == static_cast<long>(SettingsRecord::kSize);
}

void SettingsStore::SetDefaults(SettingsRecord& record) {
    record.Zero();
    record.SetText(SettingsRecord::kProgramTag, SettingsRecord::kProgramTagUnits, "Pictavo");
    record.SetI32(32, 1);
    record.SetI32(36, 1);
    record.SetI32(40, 1001);
    record.SetU8(44, 0);
    record.SetU32(48, 0x80000000u);
    record.SetI32(52, 0);
    record.setPhotoFolder(DefaultPhotoLocation());
    record.SetF32(2296, 1.0f);
    record.SetU8(2300, 1);
    record.SetI32(2304, 0);
    record.SetU8(2308, 0);
    record.SetI32(2312, 8);
    record.SetF32(2316, 100.0f);
    record.setLogLevel(1);
    record.setStartPosition(PhotoTime{});
    record.SetI32(2336, 0);
    record.setExportSelection(0);
    record.setExportLayout(0);
    record.setSetFileDates(true);
    record.setDeleteOriginals(false);
}

bool SettingsStore::Save(const SettingsRecord& record) {
    if (record.logLevel() == 2) services_.WriteLog("Save configuration", shared::kDetail);
    return platform::WriteFileAtomically(FilePath(), record.Data(), SettingsRecord::kSize) == 0;
}

}  // namespace pictavo
