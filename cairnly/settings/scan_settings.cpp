#include "cairnly/settings/scan_settings.h"

namespace cairnly {

namespace {
void SetIdentity(ScanSettings& s) {
    s.SetText(ScanSettings::kProgramTag, ScanSettings::kProgramTagUnits, "Cairnly");
    s.SetI32(ScanSettings::kVersionMajor, 1);
    s.SetI32(ScanSettings::kVersionMinor, 0);
    s.SetI32(ScanSettings::kVersionBuild, 1003);
    s.SetU8(ScanSettings::kReservedFlag, 0);
    s.SetWindowLeft(ScanSettings::kDefaultWindowLeft);
    s.SetWindowTop(0);
}
}  // namespace

void ScanSettings::SetDefaults() {
    Zero();
    SetIdentity(*this);
    SetRootFolder("/");
    SetMinFileSizeMB(1.0f);
    SetSkipSystemFolders(true);
    SetDuplicateMode(0);
    // The quick comparisons can pair files that differ; deletions read both.
    SetDeepCheckBeforeDelete(true);
    SetMinPartialDuplicates(8);
    SetMinFolderSizeMB(100.0f);
    SetLogLevel(1);
}

void ScanSettings::SetPhotoModeValues() {
    SetIdentity(*this);
    SetMinFileSizeMB(0.0f);
    SetSkipSystemFolders(false);
    SetDuplicateMode(1);
    SetDeepCheckBeforeDelete(true);
    SetMinPartialDuplicates(8);
    SetMinFolderSizeMB(10.0f);
    SetLogLevel(0);
}

void ScanSettings::CheckWindowPosition() {
    std::uint32_t shifted = static_cast<std::uint32_t>(WindowLeft()) + 2000u;
    if (shifted > 6000u || WindowTop() < -2000 || WindowTop() > 4000) {
        SetWindowLeft(kDefaultWindowLeft);
        SetWindowTop(0);
    }
}

}  // namespace cairnly
