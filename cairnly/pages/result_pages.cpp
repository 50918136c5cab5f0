#include "cairnly/pages/result_pages.h"

#include <algorithm>
#include <numeric>

#include "cairnly/engine/partial_folders.h"
#include "cairnly/pages/page_format.h"
#include "platform/text.h"

namespace cairnly::pages {

namespace {

constexpr Rgb kFolderBand{220, 220, 255};
constexpr Rgb kFileBand{220, 255, 220};
constexpr std::array<Rgb, 5> kDuplicateBands = {Rgb{235, 255, 235}, Rgb{235, 255, 215},
                                                Rgb{215, 255, 215}, Rgb{215, 255, 195},
                                                Rgb{195, 255, 195}};
constexpr Rgb kPartialBand{220, 220, 255};

template <typename Table>
auto RecordAt(const Table& table, long index) -> decltype(table.At(0)) {
    if (!table.ValidIndex(index)) return nullptr;
    return table.At(static_cast<std::size_t>(index));
}

std::int64_t Sign(std::int64_t d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

std::int64_t TextDifference(const std::string& a, const std::string& b) {
    return platform::CompareIgnoreCase(a, b);
}

}  // namespace

ResultPages::ResultPages(CairnlyState& state, PageView& view) : state_(state), view_(view) {}

const FileRecord* ResultPages::FileAt(long index) const { return RecordAt(state_.Files, index); }
const FileRecord* ResultPages::DuplicateAt(long index) const {
    return RecordAt(state_.Duplicates, index);
}
const FolderRecord* ResultPages::FolderAt(long index) const {
    return RecordAt(state_.Folders, index);
}
const PartialFolderRecord* ResultPages::PartialAt(long index) const {
    return RecordAt(state_.Partials, index);
}

bool ResultPages::Stopped() const { return state_.Scan.StopRequested(); }

void ResultPages::SetStatus(const std::string& text) { state_.Services.SetStatus(text); }

void ResultPages::SetSummary(int page, const std::string& text) {
    state_.SetPageStatusText(page, text);
    SetStatus(state_.PageStatusText(page));
}

std::vector<PageRow>& ResultPages::RowsOf(int page) {
    return rows_.at(static_cast<std::size_t>(page));
}

void ResultPages::InsertRows(int page, int position, std::vector<PageRow> added) {
    if (added.empty()) return;
    auto& rows = RowsOf(page);
    position = std::clamp(position, 0, static_cast<int>(rows.size()));
    const RowChange change{RowChange::Kind::Insert, position, static_cast<int>(added.size()), {}};
    view_.RowsChanging(page, change);
    rows.insert(rows.begin() + position, std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
    view_.RowsChanged(page, change);
}

void ResultPages::AppendRow(int page, PageRow row) {
    std::vector<PageRow> one;
    one.push_back(std::move(row));
    InsertRows(page, PageRowCount(page), std::move(one));
}

void ResultPages::RemoveRows(int page, int first, int count) {
    auto& rows = RowsOf(page);
    const RowChange change{RowChange::Kind::Remove, first, count, {}};
    view_.RowsChanging(page, change);
    rows.erase(rows.begin() + first, rows.begin() + first + count);
    view_.RowsChanged(page, change);
}

void ResultPages::ResetRows(int page) {
    const RowChange change{RowChange::Kind::Reset, 0, PageRowCount(page), {}};
    view_.RowsChanging(page, change);
    RowsOf(page).clear();
    view_.RowsChanged(page, change);
}

void ResultPages::ClearPage(int page) {
    ResetRows(page);
    state_.SetPageStatusText(page, "");
}

void ResultPages::ClearAllPages() {
    for (int page = 0; page < kPageCount; ++page) ResetRows(page);
}

int ResultPages::PageRowCount(int page) const {
    if (page < 0 || page >= kPageCount) return 0;
    return static_cast<int>(rows_[static_cast<std::size_t>(page)].size());
}

const std::vector<PageRow>& ResultPages::Rows(int page) const {
    return rows_.at(static_cast<std::size_t>(page));
}

const SortState& ResultPages::Sort(int page) const {
    return sort_.at(static_cast<std::size_t>(page));
}

long ResultPages::ItemData(int page, int position) const {
    const auto& rows = Rows(page);
    if (position < 0 || position >= static_cast<int>(rows.size())) return -1;
    return rows[static_cast<std::size_t>(position)].itemData;
}

// ---- Fills ----

void ResultPages::PreviewLargestFolder(int folderIndex) {
    const FolderRecord* folder = FolderAt(folderIndex);
    if (!folder) return;
    std::vector<PageRow> row;
    row.push_back(
        {{*folder->Path, SizeCell(folder->OwnSize), SizeCell(folder->TotalSize)}, folderIndex});
    InsertRows(kFoldersPage, 0, std::move(row));
}

void ResultPages::FillLargestFolders() {
    SetStatus("Displaying 1000 largest folders");
    ResetRows(kFoldersPage);
    std::int64_t total = 0;
    int added = 0;
    for (long i = state_.Folders.Count() - 1; i >= 0 && added < kMaxFolderRows; --i) {
        if (Stopped()) break;
        const FolderRecord* folder = FolderAt(i);
        if (!folder) continue;
        AppendRow(kFoldersPage,
                  {{*folder->Path, SizeCell(folder->OwnSize), SizeCell(folder->TotalSize)}, i});
        total += folder->OwnSize;
        ++added;
    }
    std::string threshold = ThresholdText(state_.Criteria().MinFolderSizeMB);
    if (added > 0) {
        SetSummary(kFoldersPage,
                   Format("Displaying the %d largest folders greater than %s MB (total file size: "
                          "%s)",
                          added, threshold.c_str(), TotalText(total).c_str()));
    } else {
        SetSummary(kFoldersPage,
                   Format("No folders found with greater than %s MB of files", threshold.c_str()));
    }
}

void ResultPages::FillLargestFiles(bool refill) {
    SetStatus("Displaying 2000 largest files");
    std::int64_t total = 0;
    int added = 0;
    for (long i = state_.Files.Count() - 1; i >= 0 && added < kMaxFileRows; --i) {
        if (Stopped()) break;
        // A new scan clears the flag: this refill is out of date, so it gives up.
        if (refill && !state_.FilesPageStale.load()) return;
        const FileRecord* file = FileAt(i);
        if (!file || !file->IsNormal()) continue;
        AppendRow(kFilesPage, {{file->FileName, file->Folder(), SizeCell(file->Size)}, i});
        total += file->Size;
        ++added;
    }
    std::string threshold = ThresholdText(state_.Criteria().MinFileSizeMB);
    if (added > 0) {
        SetSummary(kFilesPage,
                   Format("Displaying the %d largest files greater than %sMB (total size: %s)",
                          added, threshold.c_str(), TotalText(total).c_str()));
    } else {
        SetSummary(kFilesPage, Format("No files found greater than %sMB", threshold.c_str()));
    }
}

void ResultPages::AddDuplicateRow(int row, const FileRecord& record, int listIndex, int group) {
    AddDuplicateRows({DuplicateRow{row, &record, listIndex, group}});
}

void ResultPages::AddDuplicateRows(const std::vector<DuplicateRow>& rows) {
    for (std::size_t first = 0, end = 0; first < rows.size(); first = end) {
        end = first + 1;
        while (end < rows.size() && rows[end].row == rows[end - 1].row + 1) ++end;
        std::vector<PageRow> block;
        block.reserve(end - first);
        for (std::size_t i = first; i < end; ++i) {
            const FileRecord& record = *rows[i].record;
            block.push_back({{Format("%d", rows[i].group), record.FileName, record.Folder(),
                              SizeCell(record.Size)},
                             rows[i].listIndex});
        }
        InsertRows(kDuplicatesPage, rows[first].row, std::move(block));
    }
}

void ResultPages::RefreshDuplicates() {
    ClearPage(kDuplicatesPage);
    const long count = state_.Duplicates.Count();
    if (count == 0) return;
    std::vector<DuplicateRow> shownRows;
    std::int64_t total = 0;
    auto add = [&](long index) {
        const FileRecord* file = DuplicateAt(index);
        shownRows.push_back(
            {static_cast<int>(shownRows.size()), file, static_cast<int>(index), file->DupGroup});
        total += file->Size;
    };
    // Adjacent remaining members of one group are shown; a group left with a
    // single file is no longer a duplicate and drops off.
    long current = -1;
    bool currentShown = false;
    for (long i = 0; i < count; ++i) {
        const FileRecord* next = DuplicateAt(i);
        if (!next || !next->IsNormal()) continue;
        bool shown = false;
        if (current >= 0) {
            const FileRecord* cur = DuplicateAt(current);
            if (cur->DupGroup == next->DupGroup && cur->DupGroup > 0) {
                if (!currentShown) add(current);
                add(i);
                shown = true;
            }
        }
        current = i;
        currentShown = shown;
    }
    AddDuplicateRows(shownRows);
    SetSummary(kDuplicatesPage,
               Format("Displaying %d duplicate files with a total size of %s",
                      static_cast<int>(shownRows.size()), TotalText(total).c_str()));
    state_.DuplicatesPageStale.store(false);
}

void ResultPages::FillPartialFolders() {
    SetStatus("Displaying partial duplicate folders");
    const long count = state_.Partials.Count();
    int added = 0;
    std::int32_t duplicates = 0;
    std::int64_t size = 0;
    for (long i = 0; i < count; ++i) {
        if (Stopped()) break;
        const PartialFolderRecord* folder = PartialAt(i);
        if (!folder || folder->PartialGroup == -1) continue;
        AppendRow(kPartialPage,
                  {{Format("%d", folder->PartialGroup), *folder->Path,
                    Format("%d", folder->MemberCount()), SizeCell(folder->DuplicateSize)},
                   i});
        duplicates += folder->DuplicateCount;
        size += folder->DuplicateSize;
        ++added;
    }
    if (added > 0) {
        SetSummary(kPartialPage,
                   Format("%d partial duplicate folders found with %d duplicate files (size: %s)",
                          added, duplicates, TotalText(size).c_str()));
    } else {
        SetSummary(kPartialPage,
                   Format("No partial duplicate folders found (with %d duplicate files or more)",
                          state_.Criteria().EffectiveMinPartial()));
    }
}

// ---- Showing a page ----

void ResultPages::RefillLargestFiles() {
    ClearPage(kFilesPage);
    FillLargestFiles(true);
    state_.FilesPageStale.store(false);
}

void ResultPages::RefreshPartialFolders(ScanView& scanView) {
    ClearPage(kPartialPage);
    FindPartialDuplicateFolders(state_, scanView, true);
    state_.PartialPageStale.store(false);
}

void ResultPages::PageShown(int page, ScanView& scanView) {
    if (page < 0 || page >= kPageCount) return;
    SetStatus(state_.PageStatusText(page));
    if (page == kFilesPage && state_.FilesPageStale.load()) RefillLargestFiles();
    if (page == kDuplicatesPage && state_.DuplicatesPageStale.load()) RefreshDuplicates();
    if (page == kPartialPage && state_.PartialPageStale.load()) RefreshPartialFolders(scanView);
}

void ResultPages::RemoveDeletedFileRows() {
    const auto& rows = Rows(kFilesPage);
    auto deleted = [&](int position) {
        const FileRecord* file = FileAt(rows[static_cast<std::size_t>(position)].itemData);
        return file && file->DeleteState.load() == DeleteState::Deleted;
    };
    // From the end, one change per run of adjacent deleted rows.
    for (int end = static_cast<int>(rows.size()); end > 0;) {
        if (!deleted(end - 1)) {
            --end;
            continue;
        }
        int first = end - 1;
        while (first > 0 && deleted(first - 1)) --first;
        RemoveRows(kFilesPage, first, end - first);
        end = first;
    }
    view_.Repaint(kFilesPage);
}

// ---- Sorting and colours ----

int ResultPages::CompareItems(int page, long itemA, long itemB, int column, int direction) const {
    std::int64_t d = 0;
    if (page == kFoldersPage) {
        const FolderRecord *a = FolderAt(itemA), *b = FolderAt(itemB);
        if (!a || !b) return 0;
        if (column == 0) d = TextDifference(*a->Path, *b->Path);
        if (column == 1) d = a->OwnSize - b->OwnSize;
        if (column == 2) d = a->TotalSize - b->TotalSize;
    } else if (page == kFilesPage || page == kDuplicatesPage) {
        const FileRecord* a = page == kFilesPage ? FileAt(itemA) : DuplicateAt(itemA);
        const FileRecord* b = page == kFilesPage ? FileAt(itemB) : DuplicateAt(itemB);
        if (!a || !b) return 0;
        // The Duplicate files page has "Dup#" in front of the Largest files columns.
        int c = page == kFilesPage ? column + 1 : column;
        if (c == 0) d = static_cast<std::int64_t>(a->DupGroup) - b->DupGroup;
        if (c == 1) d = TextDifference(a->FileName, b->FileName);
        if (c == 2) d = TextDifference(a->Folder(), b->Folder());
        if (c == 3) d = a->Size - b->Size;
    } else if (page == kPartialPage) {
        const PartialFolderRecord *a = PartialAt(itemA), *b = PartialAt(itemB);
        if (!a || !b) return 0;
        if (column == 0) d = static_cast<std::int64_t>(a->PartialGroup) - b->PartialGroup;
        if (column == 1) d = TextDifference(*a->Path, *b->Path);
        if (column == 2) d = static_cast<std::int64_t>(a->DuplicateCount) - b->DuplicateCount;
        if (column == 3) d = a->DuplicateSize - b->DuplicateSize;
    }
    return static_cast<int>(Sign(Sign(d) * direction));
}

void ResultPages::ColumnClicked(int page, int column) {
    if (page < 0 || page >= kPageCount) return;
    SortState& sort = sort_[static_cast<std::size_t>(page)];
    if (column == sort.column) sort.direction = -sort.direction;
    sort.column = column;
    auto& rows = RowsOf(page);
    RowChange change{RowChange::Kind::Reorder, 0, static_cast<int>(rows.size()), {}};
    change.order.resize(rows.size());
    std::iota(change.order.begin(), change.order.end(), 0);
    std::stable_sort(change.order.begin(), change.order.end(), [&](int x, int y) {
        return CompareItems(page, rows[static_cast<std::size_t>(x)].itemData,
                            rows[static_cast<std::size_t>(y)].itemData, column, sort.direction) < 0;
    });
    view_.RowsChanging(page, change);
    std::vector<PageRow> sorted;
    sorted.reserve(rows.size());
    for (int from : change.order) sorted.push_back(std::move(rows[static_cast<std::size_t>(from)]));
    rows = std::move(sorted);
    view_.RowsChanged(page, change);
    view_.Repaint(page);
}

Rgb ResultPages::RowColour(int page, int position) const {
    const bool odd = position % 2 == 1;
    const bool byGroup = Sort(page).column == 0;
    switch (page) {
        case kFoldersPage:
            return odd ? kFolderBand : kWhite;
        case kFilesPage:
            return odd ? kFileBand : kWhite;
        case kDuplicatesPage: {
            if (!byGroup) return kWhite;
            const FileRecord* file = DuplicateAt(ItemData(page, position));
            int group = file && file->DupGroup > 0 ? file->DupGroup : 0;
            return kDuplicateBands[static_cast<std::size_t>(group % 5)];
        }
        case kPartialPage: {
            if (!byGroup) return kWhite;
            const PartialFolderRecord* folder = PartialAt(ItemData(page, position));
            bool band = !folder || folder->PartialGroup % 2 != 0;
            return band ? kPartialBand : kWhite;
        }
        default:
            return kWhite;
    }
}

std::optional<std::string> ResultPages::FolderToOpen(int page, int position) const {
    long item = ItemData(page, position);
    switch (page) {
        case kFoldersPage:
            if (const FolderRecord* folder = FolderAt(item)) return *folder->Path;
            break;
        case kFilesPage:
            if (const FileRecord* file = FileAt(item)) return file->Folder();
            break;
        case kDuplicatesPage:
            if (const FileRecord* file = DuplicateAt(item)) return file->Folder();
            break;
        case kPartialPage:
            if (const PartialFolderRecord* folder = PartialAt(item)) return *folder->Path;
            break;
        default:
            break;
    }
    return std::nullopt;
}

std::vector<MenuItem> ResultPages::MenuFor(int page) const {
    if (state_.Scan.Running()) return {};
    return ContextMenu(page);
}

}  // namespace cairnly::pages
