#pragma once
// Pictavo's settings: one 5,472-byte record kept in memory for the run and
// stored byte for byte as Pictavo.kvcfg in the data folder.
#include <cstdint>
#include <string>

#include "shared/raw_record.h"
#include "shared/record_store.h"

namespace pictavo {

// Time a photo was taken; also the stored start position. Year 0 means none.
struct PhotoTime {
    std::uint16_t second = 0, minute = 0, hour = 0, day = 0, month = 0, year = 0;
    bool operator==(const PhotoTime&) const = default;
};

class SettingsRecord : public shared::RawRecord<5472>, public shared::SettingsHead {
  public:
    static constexpr const char* kFileName = "Pictavo.kvcfg";
    static constexpr std::size_t kPhotoFolder = 56, kFolderUnits = 560;
    // Cairnly's scan criteria, in the same order: written by the defaults, never read.
    static constexpr std::size_t kMinFileSizeMB = 2296;
    static constexpr std::size_t kSkipSystemFolders = 2300;
    static constexpr std::size_t kDuplicateMode = 2304;
    static constexpr std::size_t kDeepCheckBeforeDelete = 2308;
    static constexpr std::size_t kMinPartialDuplicates = 2312;
    static constexpr std::size_t kMinFolderSizeMB = 2316;
    static constexpr std::size_t kLogLevel = 2320;
    static constexpr std::size_t kStartPosition = 2324;
    static constexpr std::size_t kReservedAfterStart = 2336;  // carried through unchanged
    static constexpr std::size_t kExportFolder = 2340;
    static constexpr std::size_t kExportSelection = 3460;
    static constexpr std::size_t kExportLayout = 3464;
    static constexpr std::size_t kSetFileDates = 3468;
    static constexpr std::size_t kDeleteOriginals = 3469;

    std::string photoFolder() const { return Text(kPhotoFolder, kFolderUnits); }
    void setPhotoFolder(const std::string& v) { SetText(kPhotoFolder, kFolderUnits, v); }
    std::string exportFolder() const { return Text(kExportFolder, kFolderUnits); }
    void setExportFolder(const std::string& v) { SetText(kExportFolder, kFolderUnits, v); }
    std::int32_t logLevel() const { return I32(kLogLevel); }
    void setLogLevel(std::int32_t v) { SetI32(kLogLevel, v); }
    PhotoTime startPosition() const;
    void setStartPosition(const PhotoTime& t);
    std::int32_t exportSelection() const { return I32(kExportSelection); }
    void setExportSelection(std::int32_t v) { SetI32(kExportSelection, v); }
    std::int32_t exportLayout() const { return I32(kExportLayout); }
    void setExportLayout(std::int32_t v) { SetI32(kExportLayout, v); }
    bool setFileDates() const { return U8(kSetFileDates) != 0; }
    void setSetFileDates(bool v) { SetU8(kSetFileDates, v ? 1 : 0); }
    bool deleteOriginals() const { return U8(kDeleteOriginals) != 0; }
    void setDeleteOriginals(bool v) { SetU8(kDeleteOriginals, v ? 1 : 0); }
};

// The stored layout: nothing beside the bytes, fields in order and inside the record.
static_assert(sizeof(SettingsRecord) == SettingsRecord::kSize);
static_assert(SettingsRecord::kWindowTop + sizeof(std::int32_t) <= SettingsRecord::kPhotoFolder);
static_assert(SettingsRecord::kPhotoFolder + 2 * SettingsRecord::kFolderUnits <=
              SettingsRecord::kMinFileSizeMB);
static_assert(SettingsRecord::kMinFolderSizeMB + sizeof(float) <= SettingsRecord::kLogLevel);
static_assert(SettingsRecord::kStartPosition + sizeof(PhotoTime) <=
              SettingsRecord::kReservedAfterStart);
static_assert(SettingsRecord::kReservedAfterStart + sizeof(std::int32_t) <=
              SettingsRecord::kExportFolder);
static_assert(SettingsRecord::kExportFolder + 2 * SettingsRecord::kFolderUnits <=
              SettingsRecord::kExportSelection);
static_assert(SettingsRecord::kDeleteOriginals < SettingsRecord::kSize);

// Where photos are looked for by default: the Google Drive photos folder beside
// Pictures, else Pictures, else the file-system root.
std::string DefaultPhotoLocation();

class SettingsStore : public shared::RecordStore<SettingsRecord> {
  public:
    using RecordStore::RecordStore;
    void SetDefaults(SettingsRecord& record);
};

}  // namespace pictavo
