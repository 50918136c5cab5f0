#pragma once
// Cairnly's settings: one 3,204-byte record kept in memory for the run and
// stored byte for byte as Cairnly.kvcfg in the data folder.
#include <cstdint>
#include <string>

#include "shared/raw_record.h"
#include "shared/record_store.h"

namespace cairnly {

class ScanSettings : public shared::RawRecord<3204>, public shared::SettingsHead {
  public:
    static constexpr const char* kFileName = "Cairnly.kvcfg";
    static constexpr std::size_t kRootFolder = 56, kRootFolderUnits = 560;
    static constexpr std::size_t kMinFileSizeMB = 1176;
    static constexpr std::size_t kSkipSystemFolders = 1180;
    static constexpr std::size_t kDuplicateMode = 1184;
    static constexpr std::size_t kDeepCheckBeforeDelete = 1188;
    static constexpr std::size_t kMinPartialDuplicates = 1192;
    static constexpr std::size_t kMinFolderSizeMB = 1196;
    static constexpr std::size_t kLogLevel = 1200;
    static constexpr std::int32_t kDefaultWindowLeft = static_cast<std::int32_t>(0x80000000u);

    std::int32_t WindowLeft() const { return I32(kWindowLeft); }
    void SetWindowLeft(std::int32_t v) { SetI32(kWindowLeft, v); }
    std::int32_t WindowTop() const { return I32(kWindowTop); }
    void SetWindowTop(std::int32_t v) { SetI32(kWindowTop, v); }
    std::string RootFolder() const { return Text(kRootFolder, kRootFolderUnits); }
    void SetRootFolder(const std::string& v) { SetText(kRootFolder, kRootFolderUnits, v); }
    float MinFileSizeMB() const { return F32(kMinFileSizeMB); }
    void SetMinFileSizeMB(float v) { SetF32(kMinFileSizeMB, v); }
    bool SkipSystemFolders() const { return U8(kSkipSystemFolders) != 0; }
    void SetSkipSystemFolders(bool v) { SetU8(kSkipSystemFolders, v ? 1 : 0); }
    std::int32_t DuplicateMode() const { return I32(kDuplicateMode); }
    void SetDuplicateMode(std::int32_t v) { SetI32(kDuplicateMode, v); }
    bool DeepCheckBeforeDelete() const { return U8(kDeepCheckBeforeDelete) != 0; }
    void SetDeepCheckBeforeDelete(bool v) { SetU8(kDeepCheckBeforeDelete, v ? 1 : 0); }
    std::int32_t MinPartialDuplicates() const { return I32(kMinPartialDuplicates); }
    void SetMinPartialDuplicates(std::int32_t v) { SetI32(kMinPartialDuplicates, v); }
    float MinFolderSizeMB() const { return F32(kMinFolderSizeMB); }
    void SetMinFolderSizeMB(float v) { SetF32(kMinFolderSizeMB, v); }
    std::int32_t LogLevel() const { return I32(kLogLevel); }
    void SetLogLevel(std::int32_t v) { SetI32(kLogLevel, v); }

    void SetDefaults();
    // Values used when started from Pictavo; RootFolder is left as it is.
    void SetPhotoModeValues();
    // Resets a stored window position outside -2,000..4,000 to the system default.
    void CheckWindowPosition();
};

// The stored layout: nothing beside the bytes, fields in order and inside the record.
static_assert(sizeof(ScanSettings) == ScanSettings::kSize);
static_assert(ScanSettings::kProgramTag + 2 * ScanSettings::kProgramTagUnits <=
              ScanSettings::kVersionMajor);
static_assert(ScanSettings::kRootFolder + 2 * ScanSettings::kRootFolderUnits <=
              ScanSettings::kMinFileSizeMB);
static_assert(ScanSettings::kLogLevel + sizeof(std::int32_t) <= ScanSettings::kSize);

using ScanSettingsStore = shared::RecordStore<ScanSettings>;

}  // namespace cairnly
