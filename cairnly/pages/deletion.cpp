#include "cairnly/pages/deletion.h"

#include <algorithm>

#include "cairnly/engine/partial_folders.h"
#include "cairnly/pages/page_format.h"
#include "platform/text.h"

namespace cairnly::pages {

namespace {

constexpr int kCancelWaitLimitMs = 20000;

template <typename Table>
auto RecordAt(const Table& table, long index) -> decltype(table.At(0)) {
    if (!table.ValidIndex(index)) return nullptr;
    return table.At(static_cast<std::size_t>(index));
}

bool UsesWorker(int command) {
    return command == kDeleteSelectedDuplicates || command == kDeleteFromPartialFolders;
}

}  // namespace

std::string QualifyingExtension(const std::string& fileName) {
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return {};
    std::string extension = fileName.substr(dot);
    std::size_t units = platform::Utf16Length(extension);
    return units > 1 && units < kMaxExtensionUnits ? extension : std::string();
}

std::string ExtensionText(const std::vector<std::string>& extensions) {
    std::string text = "[";
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (platform::Utf16Length(text) >= kExtensionTextLimit) break;
        if (i > 0) text += ", ";
        text += extensions[i];
    }
    return text + "] ";
}

DeleteConfirmation::DeleteConfirmation(ResultPages& pages, ScanView& scanView, int command,
                                       std::vector<int> selectedPositions, ConfirmView& view,
                                       Pause pause)
    : pages_(pages),
      state_(pages.State()),
      scanView_(scanView),
      command_(command),
      view_(view),
      pause_(std::move(pause)) {
    const int page = PageOfCommand(command);
    if (page < 0) return;
    const auto& rows = pages.Rows(page);
    std::sort(selectedPositions.begin(), selectedPositions.end());
    selectedPositions.erase(std::unique(selectedPositions.begin(), selectedPositions.end()),
                            selectedPositions.end());
    for (int position : selectedPositions) {
        if (position >= 0 && position < static_cast<int>(rows.size()))
            selected_.push_back(rows[static_cast<std::size_t>(position)].itemData);
    }
    selectedPositions_ = std::move(selectedPositions);
    for (const PageRow& row : rows) pageItems_.push_back(row.itemData);
}

DeleteConfirmation::~DeleteConfirmation() { Close(); }

bool DeleteConfirmation::EscapeCloses() const { return !UsesWorker(command_); }

std::string DeleteConfirmation::StatusText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

std::vector<ConfirmRow> DeleteConfirmation::Rows() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rows_;
}

// ---- Listing ----

void DeleteConfirmation::Open() {
    // The tables belong to a running scan's worker; nothing may be marked then.
    if (PageOfCommand(command_) < 0 || state_.Scan.Running()) {
        view_.EnableDelete(false);
        listingDone_.store(true);
        return;
    }
    if (!UsesWorker(command_)) {
        if (command_ == kDeleteSelectedLargeFiles) ListSelectedLargeFiles();
        if (command_ == kDeleteLargeFilesByExtension) ListLargeFilesByExtension();
        ShowStatus(ListingStatus());
        deleteEnabled_.store(true);
        view_.EnableDelete(true);
        listingDone_.store(true);
        return;
    }
    view_.EnableDelete(false);
    shared::SingleWorker::StartRules rules;
    rules.pause = pause_;
    lister_.Start({[this] { RunListingWorker(); }, {}}, rules);
}

void DeleteConfirmation::RunListingWorker() {
    bool listed = true;
    if (command_ == kDeleteSelectedDuplicates) ListSelectedDuplicates();
    if (command_ == kDeleteFromPartialFolders) listed = ListPartialFolders();
    if (listed && !lister_.StopRequested() && !Closed()) {
        deleteEnabled_.store(true);
        view_.EnableDelete(true);
        ShowStatus(ListingStatus());
    }
    listingDone_.store(true);
}

bool DeleteConfirmation::List(FileRecord& record, long itemData) {
    std::string path = record.FullPath();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || lister_.StopRequested()) return false;
        // A file already deleted (or listed) is not offered again.
        if (!record.IsNormal()) return true;
        record.DeleteState.store(DeleteState::Listed);
        marked_.push_back(&record);
        rows_.push_back({path, itemData});
        listing_.files++;
        listing_.total += record.Size;
    }
    view_.AddRow(path, itemData);
    return true;
}

int DeleteConfirmation::ListedFiles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return listing_.files;
}

void DeleteConfirmation::ListSelectedLargeFiles() {
    for (long item : selected_) {
        FileRecord* file = RecordAt(state_.Files, item);
        if (!file || ListedFiles() >= kMaxListedRows) continue;
        if (!List(*file, item)) return;
    }
}

void DeleteConfirmation::ListLargeFilesByExtension() {
    extensions_.clear();
    for (long item : selected_) {
        FileRecord* file = RecordAt(state_.Files, item);
        if (!file || static_cast<int>(extensions_.size()) >= kMaxExtensions) continue;
        std::string extension = QualifyingExtension(file->FileName);
        if (extension.empty()) continue;
        if (std::find(extensions_.begin(), extensions_.end(), extension) == extensions_.end())
            extensions_.push_back(extension);
    }
    for (auto it = pageItems_.rbegin(); it != pageItems_.rend(); ++it) {
        FileRecord* file = RecordAt(state_.Files, *it);
        if (!file) continue;
        std::string extension = QualifyingExtension(file->FileName);
        if (extension.empty()) continue;
        if (std::find(extensions_.begin(), extensions_.end(), extension) == extensions_.end())
            continue;
        if (!List(*file, *it)) return;
    }
}

void DeleteConfirmation::ListSelectedDuplicates() {
    for (long item : selected_) {
        if (lister_.StopRequested()) return;
        FileRecord* file = RecordAt(state_.Duplicates, item);
        if (!file || ListedFiles() >= kMaxListedRows) continue;
        if (!List(*file, item)) return;
    }
}

bool DeleteConfirmation::AllOfGroupSelected(std::int32_t group) const {
    for (std::size_t position = 0; position < pageItems_.size(); ++position) {
        const PartialFolderRecord* folder = RecordAt(state_.Partials, pageItems_[position]);
        if (!folder || folder->PartialGroup != group) continue;
        if (!std::binary_search(selectedPositions_.begin(), selectedPositions_.end(),
                                static_cast<int>(position)))
            return false;
    }
    return true;
}

// Every member of the selected folders: what the command would delete at most.
std::unordered_set<const FileRecord*> DeleteConfirmation::MembersOfSelectedFolders() const {
    std::unordered_set<const FileRecord*> members;
    for (long item : selected_) {
        if (const PartialFolderRecord* folder = RecordAt(state_.Partials, item))
            members.insert(folder->Members.begin(), folder->Members.end());
    }
    return members;
}

bool DeleteConfirmation::ListPartialFolders() {
    const std::unordered_set<const FileRecord*> going = MembersOfSelectedFolders();
    for (long item : selected_) {
        if (lister_.StopRequested()) return true;
        PartialFolderRecord* folder = RecordAt(state_.Partials, item);
        if (!folder || ListedFiles() >= kMaxListedRows) continue;
        if (AllOfGroupSelected(folder->PartialGroup)) {
            ShowStatus(
                Format("All partial duplicate folders were selected for folder Dup# %d. "
                       "Please don't select all matching partial duplicate folders.",
                       folder->PartialGroup));
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            listing_.folders++;
        }
        // A file whose every other copy is in a selected folder (its own one
        // included) or already deleted is the last copy: it stays.
        for (FileRecord* member : folder->Members) {
            if (!member || !CopyStays(*member, going)) continue;
            if (!List(*member, item)) return true;
        }
    }
    return true;
}

std::string DeleteConfirmation::ListingStatus() const {
    Listing l;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        l = listing_;
    }
    std::string size = TotalText(l.total);
    switch (command_) {
        case kDeleteSelectedLargeFiles:
            return Format(l.files == 1 ? "Confirm deletion of %d file (size: %s)"
                                       : "Confirm deletion of %d files (size: %s)",
                          l.files, size.c_str());
        case kDeleteLargeFilesByExtension:
            return Format(l.files == 1 ? "Confirm deletion of %d file %s(size: %s)"
                                       : "Confirm deletion of %d files %s(size: %s)",
                          l.files, ExtensionText(extensions_).c_str(), size.c_str());
        case kDeleteSelectedDuplicates:
            return Format(l.files == 1 ? "Confirm deletion of %d duplicate file (size: %s)"
                                       : "Confirm deletion of %d duplicate files (size: %s)",
                          l.files, size.c_str());
        default:
            return Format(l.folders == 1 ? "Confirm deletion of %d duplicate files from %d "
                                           "partial duplicate folder (size: %s)"
                                         : "Confirm deletion of %d duplicate files from %d "
                                           "partial duplicate folders (size: %s)",
                          l.files, l.folders, size.c_str());
    }
}

void DeleteConfirmation::ShowStatus(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = text;
    }
    view_.SetStatusText(text);
}

// ---- Closing ----

void DeleteConfirmation::ResetListed() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (FileRecord* record : marked_) {
        DeleteState listed = DeleteState::Listed;
        record->DeleteState.compare_exchange_strong(listed, DeleteState::Normal);
    }
}

bool DeleteConfirmation::Closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

void DeleteConfirmation::DontDelete() {
    if (Closed()) return;
    if (!UsesWorker(command_) || !lister_.Busy()) {
        ResetListed();
        return;
    }
    lister_.RequestStop();
    lister_.WaitForEnd(pause_, kCancelWaitLimitMs);
    // Records are returned under the lock the worker marks under, so it can
    // never mark one again after this, even if it outlived the wait.
    ResetListed();
}

void DeleteConfirmation::Close() {
    // A live listing is cancelled and waited for, as "Don't delete" does.
    if (lister_.Busy() && !listingDone_.load()) DontDelete();
    ResetListed();
    // Keeps serving the worker's dialog calls until it has ended.
    lister_.Join(pause_);
}

// ---- Deleting ----

const std::vector<FileRecord*>& DeleteConfirmation::GroupOf(const FileRecord& record) {
    if (groups_.empty()) {
        for (std::int32_t i = 0; i < state_.Duplicates.Count(); ++i) {
            FileRecord* member = state_.Duplicates.At(static_cast<std::size_t>(i));
            if (member && member->DupGroup > 0) groups_[member->DupGroup].push_back(member);
        }
    }
    static const std::vector<FileRecord*> kNone;
    auto found = groups_.find(record.DupGroup);
    return record.DupGroup > 0 && found != groups_.end() ? found->second : kNone;
}

bool DeleteConfirmation::CopyStays(const FileRecord& record,
                                   const std::unordered_set<const FileRecord*>& going) {
    for (const FileRecord* other : GroupOf(record)) {
        if (other != &record && other->IsNormal() && !going.count(other)) return true;
    }
    return false;
}

platform::RecordedFile DeleteConfirmation::Recorded(const FileRecord& record) const {
    const ScanCriteria& criteria = state_.Criteria();
    return {criteria.RootFolder, criteria.RootIdentity, record.Folder(),
            record.FileName,     record.Size,           record.LastWriteTime};
}

// Another member of the group that stays (neither listed now nor deleted
// before) must still be on disk: with DeepCheckBeforeDelete, holding the same
// bytes, read now; without it, as the scan recorded it.
bool DeleteConfirmation::IdenticalCopyStays(const FileRecord& record,
                                            platform::RecordedFileOnDisk& file) {
    const bool deepCheck = state_.Settings.DeepCheckBeforeDelete();
    for (const FileRecord* other : GroupOf(record)) {
        if (other == &record || !other->IsNormal()) continue;
        platform::RecordedFileOnDisk copy(Recorded(*other));
        const bool sameFile = copy.SizeStatus() == 0 && copy.Identity() == file.Identity();
        if ((sameFile || deepCheck) ? file.SameContent(copy) : copy.Status() == 0) return true;
    }
    return false;
}

void DeleteConfirmation::Keep(const std::string& path, const char* reason) {
    ++kept_;
    state_.Services.WriteLog(Format("Not deleted: %s (%s)", path.c_str(), reason),
                             shared::kNotable);
}

// Just before removing: the file must still be the one the scan recorded,
// reached through the scanned folders; a duplicate also needs a copy that stays.
bool DeleteConfirmation::Remove(FileRecord& record) {
    const std::string path = record.FullPath();
    platform::RecordedFileOnDisk file(Recorded(record));
    int result = file.Status();
    if (result == 0 && UsesWorker(command_) && !IdenticalCopyStays(record, file)) {
        Keep(path, "no identical copy remains");
        return false;
    }
    if (result == 0) result = file.Remove();
    if (result == platform::RecordedFileOnDisk::kChanged) {
        Keep(path, "changed since the scan");
        return false;
    }
    if (result != 0) {
        ++errors_;
        return false;
    }
    record.DeleteState.store(DeleteState::Deleted);
    ++deleted_;
    deletedTotal_ += record.Size;
    state_.Services.WriteLog(LogEntry(path), shared::kNotable);
    return true;
}

bool DeleteConfirmation::Candidate(const FileRecord* record, bool limited) const {
    if (!record || record->DeleteState.load() != DeleteState::Listed) return false;
    return !limited || deleted_ < kMaxDeletedFiles;
}

void DeleteConfirmation::DeleteLargeFiles() {
    for (long item : selected_) {
        FileRecord* file = RecordAt(state_.Files, item);
        if (Candidate(file, true)) Remove(*file);
    }
}

void DeleteConfirmation::DeleteListedRows() {
    const bool fromFiles = command_ == kDeleteLargeFilesByExtension;
    for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
        FileRecord* file = fromFiles ? RecordAt(state_.Files, it->itemData)
                                     : RecordAt(state_.Duplicates, it->itemData);
        if (Candidate(file, true)) Remove(*file);
    }
}

void DeleteConfirmation::DeletePartialRows() {
    long previous = -1;
    for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
        // A folder's rows are adjacent; its first row handles all its files.
        if (it != rows_.rbegin() && it->itemData == previous) continue;
        previous = it->itemData;
        PartialFolderRecord* folder = RecordAt(state_.Partials, it->itemData);
        if (!folder) continue;
        ++deletedFolders_;
        for (FileRecord* member : folder->Members) {
            if (Candidate(member, false)) Remove(*member);
        }
    }
}

void DeleteConfirmation::DeleteAll() {
    if (!deleteEnabled_.load() || deleting_ || Closed()) return;
    deleting_ = true;
    deleteEnabled_.store(false);
    lister_.Join(pause_);
    if (command_ == kDeleteSelectedLargeFiles) DeleteLargeFiles();
    if (command_ == kDeleteLargeFilesByExtension || command_ == kDeleteSelectedDuplicates)
        DeleteListedRows();
    if (command_ == kDeleteFromPartialFolders) DeletePartialRows();
    // Files that could not be removed go back to normal before the pages are
    // rebuilt, so they stay listed there.
    ResetListed();
    FollowUp();
}

std::string DeleteConfirmation::LogEntry(const std::string& path) const {
    switch (command_) {
        case kDeleteSelectedLargeFiles:
            return Format("Deleted: %s (delete selected large files)", path.c_str());
        case kDeleteLargeFilesByExtension:
            return Format("Deleted: %s (delete large files by extension types %s)", path.c_str(),
                          ExtensionText(extensions_).c_str());
        case kDeleteSelectedDuplicates:
            return Format("Deleted: %s (delete selected duplicate files)", path.c_str());
        default:
            return Format("Deleted: %s (delete selected partial duplicate folders)", path.c_str());
    }
}

// A file kept on purpose is no failed removal: blaming permissions for it
// would send the user looking in the wrong place.
std::string DeleteConfirmation::ResultLine() const {
    std::string line = ActionLine();
    if (kept_ > 0)
        line += Format(
            ". Kept %d file(s) that changed since the scan or had no identical copy left", kept_);
    return line;
}

std::string DeleteConfirmation::ActionLine() const {
    if (deleted_ == 0) {
        if (errors_ > 0)
            return Format(
                "Previous action: error deleting %d file(s) (please check file "
                "permissions)",
                errors_);
        return "Previous action: no files deleted";
    }
    std::string size = TotalText(deletedTotal_);
    std::string line;
    switch (command_) {
        case kDeleteSelectedLargeFiles:
            line =
                Format("Previous action: Deleted %d of the largest files selected (total size: %s)",
                       deleted_, size.c_str());
            break;
        case kDeleteLargeFilesByExtension:
            line = Format(
                "Previous action: Deleted %d of the largest files with the selected "
                "extensions %s(total size: %s)",
                deleted_, ExtensionText(extensions_).c_str(), size.c_str());
            break;
        case kDeleteSelectedDuplicates:
            line = Format("Previous action: Deleted %d duplicate files selected (total size: %s)",
                          deleted_, size.c_str());
            break;
        default:
            line = Format(
                "Previous action: Deleted %d duplicate files from %d partial duplicate "
                "folders (total size: %s)",
                deleted_, deletedFolders_, size.c_str());
            break;
    }
    if (errors_ > 0)
        line += Format(". Error deleting %d file(s) (please check file permissions)", errors_);
    return line;
}

void DeleteConfirmation::FollowUp() {
    const bool largeFiles = !UsesWorker(command_);
    const int page = largeFiles ? kFilesPage : kDuplicatesPage;
    const std::string line = ResultLine();
    if (deleted_ > 0 && largeFiles) {
        state_.SetPageStatusText(page, line);
        pages_.RemoveDeletedFileRows();
        state_.DuplicatesPageStale.store(true);
        state_.PartialPageStale.store(true);
    } else if (deleted_ > 0 && command_ == kDeleteSelectedDuplicates) {
        pages_.RefreshDuplicates();
        state_.FilesPageStale.store(true);
        state_.PartialPageStale.store(true);
        state_.SetPageStatusText(page, line);
    } else if (deleted_ > 0) {
        state_.SetPageStatusText(page, line);
        state_.PartialPageStale.store(true);
        pages_.ClearPage(kPartialPage);
        FindPartialDuplicateFolders(state_, scanView_, true);
        state_.PartialPageStale.store(false);
        state_.FilesPageStale.store(true);
        state_.DuplicatesPageStale.store(true);
    } else {
        state_.SetPageStatusText(page, line);
    }
    state_.Services.SetStatus(state_.PageStatusText(page));
}

}  // namespace cairnly::pages
