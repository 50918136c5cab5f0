#include "pictavo/catalogue/loading.h"

#include <map>
#include <new>
#include <unordered_map>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/navigation.h"
#include "pictavo/catalogue/size_text.h"
#include "shared/text_format.h"

namespace pictavo {
namespace {

constexpr std::int32_t kProgressEvery = 25;
constexpr std::int32_t kEarlyPairCount = 3;

std::uint32_t AttributesOf(const platform::DirEntry& entry) {
    return entry.readOnly ? kAttributeReadOnly : 0;
}

// True when path is folder or lies below it.
bool IsBelow(const std::string& path, const std::string& folder) {
    if (path == folder) return true;
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    return path.starts_with(prefix);
}

// Builds, fills and publishes one record; false when the folder's walk must end.
bool CatalogueFile(PictavoState& state, const std::shared_ptr<const std::string>& folder,
                   std::int32_t serial, const platform::DirEntry& entry) {
    if (state.catalogue.Full()) return false;
    std::unique_ptr<PhotoRecord> record;
    try {
        record = std::make_unique<PhotoRecord>();
        record->folderSerial = serial;
        record->folder = folder;
        record->fileName = entry.name;
        record->lastWriteTime = entry.lastWrite;
        record->attributes = AttributesOf(entry);
        SetPhotoTime(*record);
        record->fileSize = entry.size;
        record->state = PhotoState::Present;
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!state.catalogue.Append(std::move(record))) return false;
    const std::int32_t count = state.catalogue.Count();
    if (count % kProgressEvery == 0) {
        state.services.SetStatus(
            shared::Format("Loaded and analyzed %d images in %s.  Please wait...", count,
                           state.scanFolder.c_str()));
    }
    return true;
}

void ShowEarlyPair(PictavoState& state) {
    if (state.catalogue.Count() < kEarlyPairCount) return;
    bool pending = true;
    if (!state.firstPairPending.compare_exchange_strong(pending, false)) return;
    state.leftIndex = 0;
    if (SettlePair(state)) DrawPair(state, false);
}

void WarnNoPhotos(PictavoState& state, const std::string& folder) {
    state.View().WarnNoPhotos(shared::Format(
        "The directory (%s) does not contain any photos. Please select a different directory.",
        folder.c_str()));
    state.reloadPending = true;
    state.View().PostConfigurationCommand();
}

void ShowStartPair(PictavoState& state) {
    state.leftIndex = 0;
    const PhotoTime start = state.settings.startPosition();
    if (start.year != 0) state.leftIndex = FindStartPosition(state.catalogue, start);
    SettlePair(state);
    DrawPair(state, true);
}

}  // namespace

void SetPhotoTime(PhotoRecord& record) { SetPhotoTime(record, record.FullPath()); }

void SetPhotoTime(PhotoRecord& record, const std::string& path) {
    std::optional<std::string> text = ReadDateTaken(path);
    if (text) {
        if (std::optional<PhotoTime> taken = PhotoTimeFromDateTaken(*text)) {
            record.dateTakenText = *text;
            record.photoTime = *taken;
            return;
        }
    }
    record.dateTakenText.clear();
    record.photoTime = PhotoTimeFromFileTime(record.lastWriteTime);
}

std::int64_t ScanFolder(PictavoState& state, const std::string& path, bool reparsePoint) {
    if (reparsePoint || state.loader.StopRequested()) return 0;
    const std::int32_t serial = state.folderCounter++;
    std::int64_t total = 0;
    auto folder = std::make_shared<const std::string>(path);
    // The listing is read and closed first, so no folder stays open while the
    // walk descends: trees deeper than the open-file limit are walked whole.
    std::vector<platform::DirEntry> entries;
    platform::ReadFolder(path, entries);
    for (const platform::DirEntry& entry : entries) {
        if (state.loader.StopRequested()) break;
        if (entry.directory) {
            if (entry.name[0] != '.')
                total +=
                    ScanFolder(state, platform::JoinPath(path, entry.name), entry.reparsePoint);
            continue;
        }
        if (!entry.regularFile || !IsPhotoFile(entry.name)) continue;
        total += static_cast<std::int64_t>(entry.size);
        if (!CatalogueFile(state, folder, serial, entry)) break;
    }
    ShowEarlyPair(state);
    return total;
}

std::vector<const PhotoRecord*> AddStoredCulls(PictavoState& state) {
    std::vector<const PhotoRecord*> added;
    if (state.storeFolder.empty()) return added;
    state.storeJournal.KeepStored(state.storeFolder);
    std::map<std::string, std::shared_ptr<const std::string>> folders;
    for (const StoredCull& cull : state.storeJournal.Entries()) {
        if (state.loader.StopRequested() || state.catalogue.Full()) break;
        if (!IsBelow(cull.folder, state.scanFolder)) continue;
        const std::string stored = state.storeFolder + cull.storeName;
        std::optional<platform::DirEntry> file = platform::GetAttributes(stored);
        if (!file || !file->regularFile) continue;
        auto& folder = folders[cull.folder];
        if (!folder) folder = std::make_shared<const std::string>(cull.folder);
        auto record = std::make_unique<PhotoRecord>();
        record->folderSerial = -1;  // not met by this walk
        record->folder = folder;
        record->fileName = cull.storeName;
        record->renamedInStore = cull.storeName != cull.name;
        record->lastWriteTime = file->lastWrite;
        record->attributes = AttributesOf(*file);
        SetPhotoTime(*record, stored);
        record->fileSize = file->size;
        record->state = PhotoState::Culled;
        const PhotoRecord* kept = record.get();
        if (!state.catalogue.Append(std::move(record))) break;
        added.push_back(kept);
    }
    return added;
}

void RebuildUndeleteStack(PictavoState& state, const std::vector<const PhotoRecord*>& culled) {
    if (culled.empty()) return;
    std::unordered_map<const PhotoRecord*, std::int32_t> positions;
    for (const PhotoRecord* record : culled) positions.emplace(record, -1);
    for (std::int32_t p = 0; p < state.catalogue.Count(); ++p) {
        auto it = positions.find(state.catalogue.At(p));
        if (it != positions.end()) it->second = p;
    }
    for (const PhotoRecord* record : culled)
        if (!state.undeleteStack.Push(positions[record])) break;
    state.View().SetUndeleteEnabled(!state.undeleteStack.Empty());
}

void SortCatalogue(PictavoState& state) {
    state.catalogue.Sort([&state] { return !state.loader.StopRequested(); });
}

void EmptyUndeleteStack(PictavoState& state) {
    state.undeleteStack.Clear();
    state.View().SetUndeleteEnabled(false);
}

void ClearCatalogue(PictavoState& state) {
    state.catalogue.Clear();
    state.leftIndex = 0;
    state.rightIndex = 0;
    DrawPair(state, false);
    EmptyUndeleteStack(state);
}

namespace {

void LoadCatalogue(PictavoState& state) {
    PictavoView& view = state.View();
    view.EnableCullingControls(false);
    state.scanFolder = state.settings.photoFolder();
    const std::string& folder = state.scanFolder;
    if (!state.loader.StopRequested())
        state.services.SetStatus(
            shared::Format("Loading and analyzing images in %s", folder.c_str()));
    state.folderCounter = 0;
    const std::int64_t total = ScanFolder(state, folder, false);
    const std::int32_t count = state.catalogue.Count();
    state.services.SetStatus(
        shared::Format("Loaded and analyzed %d images in %s with total size of %s", count,
                       folder.c_str(), SizeText(total).c_str()));
    const std::vector<const PhotoRecord*> stored = AddStoredCulls(state);
    if (!state.loader.StopRequested()) SortCatalogue(state);
    if (!state.loader.StopRequested()) RebuildUndeleteStack(state, stored);
    if (count != 0) {
        state.reloadPending = false;
    } else if (!state.loader.StopRequested()) {
        WarnNoPhotos(state, folder);
    }
    // A stopped scan holds only part of the library: positioning on it would
    // overwrite the stored start position just before the window saves it.
    if (!state.loader.StopRequested()) ShowStartPair(state);
    view.EnableCullingControls(true);
    state.catalogueReady = true;
}

shared::SingleWorker::Job LoadingJob(PictavoState& state) {
    // No call into the view may follow the job: a waiter that sees the loader
    // idle joins this thread, and the view waits for the waiter's thread.
    return {[&state] { LoadCatalogue(state); }, {}};
}

void PumpViewEvents(PictavoState& state, int milliseconds) {
    state.View().PumpEvents(milliseconds);
}

}  // namespace

void LoadingThreadBody(PictavoState& state) { state.loader.RunHere(LoadingJob(state), {}); }

void StartLoading(PictavoState& state) {
    shared::SingleWorker::StartRules rules;
    rules.pause = [&state](int milliseconds) { PumpViewEvents(state, milliseconds); };
    // No time limit: a loader still running after 30 s is waited for all the
    // same (the status line keeps saying so), so two never fill the catalogue.
    rules.notice = [&state](bool) { state.services.SetStatus("Waiting for search to stop"); };
    rules.beforeStart = [&state] { ClearCatalogue(state); };
    state.loader.Start(LoadingJob(state), rules);
}

void StopLoading(PictavoState& state) {
    state.loader.Close();
    state.loader.Join([&state](int milliseconds) { PumpViewEvents(state, milliseconds); });
}

}  // namespace pictavo
