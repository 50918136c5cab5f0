#include "cairnly/engine/cairnly_state.h"

#include "platform/text.h"

namespace cairnly {

namespace {
constexpr std::size_t kPageStatusUnits = 255;
}

ScanCriteria CriteriaFrom(const ScanSettings& settings, bool photoMode) {
    ScanCriteria c;
    c.RootFolder = settings.RootFolder();
    c.MinFileSizeMB = settings.MinFileSizeMB();
    c.MinFolderSizeMB = settings.MinFolderSizeMB();
    c.SkipSystemFolders = settings.SkipSystemFolders();
    c.DuplicateMode = settings.DuplicateMode();
    c.MinPartialDuplicates = settings.MinPartialDuplicates();
    c.PhotoMode = photoMode;
    return c;
}

CairnlyState::CairnlyState(ScanSettings& settings, shared::DesktopServices& services,
                           TableCapacities capacities)
    : Settings(settings),
      Services(services),
      Capacities(capacities),
      Files(capacities.files),
      FilesByFolder(capacities.files),
      Folders(capacities.folders),
      Duplicates(capacities.duplicates),
      Partials(capacities.partialFolders),
      criteria_(CriteriaFrom(settings, false)) {}

CairnlyState::~CairnlyState() {
    Scan.RequestStop();
    Scan.Join();
    DigestAnswers.Wait();
    Background.Wait();
}

std::string CairnlyState::PageStatusText(int page) const {
    std::lock_guard<std::mutex> lock(statusMutex_);
    if (page < 0 || page >= static_cast<int>(pageStatus_.size())) return {};
    return pageStatus_[static_cast<std::size_t>(page)];
}

void CairnlyState::SetPageStatusText(int page, const std::string& text) {
    std::lock_guard<std::mutex> lock(statusMutex_);
    if (page < 0 || page >= static_cast<int>(pageStatus_.size())) return;
    pageStatus_[static_cast<std::size_t>(page)] = platform::CutToUtf16Units(text, kPageStatusUnits);
}

}  // namespace cairnly
