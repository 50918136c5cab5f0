#include "cairnly/engine/walk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "cairnly/engine/duplicates.h"
#include "cairnly/engine/folder_lister.h"
#include "cairnly/engine/parallel_runner.h"
#include "platform/text.h"
#include "shared/photo_name.h"
#include "shared/selection_order.h"
#include "shared/text_format.h"

namespace cairnly {

namespace {

constexpr int kStatusDepth = 3;
constexpr const char* kSystemTrees[] = {"/proc", "/sys", "/dev", "/run"};
constexpr std::int32_t kPreviewInterval = 10;

bool IsUnder(const std::string& path, const char* tree) {
    std::string_view p(path), t(tree);
    return p.substr(0, t.size()) == t && (p.size() == t.size() || p[t.size()] == '/');
}

// One folder's enumeration: sums and the state of FileTable.
std::int64_t WalkTree(CairnlyState& state, ScanView& view, FolderLister& lister,
                      const std::string& path, const WalkAttributes& attributes, int depth);

// The walk could not read a folder (or only part of it): the log says which
// and why, and the end of the scan says how many. The reason comes first:
// a log line is cut to its length limit, and a long path would push it out.
void CountUnreadable(CairnlyState& state, const std::string& folder, int error) {
    state.UnreadableFolders.fetch_add(1);
    state.Services.WriteLog(
        shared::Format("Could not read folder (%s): %s", std::strerror(error), folder.c_str()),
        shared::kNotable);
}

bool TooLongForTheKernel(const std::string& path) { return path.size() >= PATH_MAX; }

// The folders of the kernel's virtual trees as the file system knows them, so
// that one reached by another path (a link to /, a bind mount) is still known.
std::vector<platform::FileIdentity> SystemTreeIdentities() {
    std::vector<platform::FileIdentity> trees;
    for (const char* tree : kSystemTrees)
        if (std::optional<platform::FileIdentity> id = platform::FolderIdentity(tree))
            trees.push_back(*id);
    return trees;
}

// One of the kernel's virtual trees however the walk reached it.
bool IsSystemTree(const CairnlyState& state, std::uint64_t device, std::uint64_t inode) {
    const platform::FileIdentity id{device, inode};
    return std::find(state.SystemTrees.begin(), state.SystemTrees.end(), id) !=
           state.SystemTrees.end();
}

// The path of a subfolder the walk enters, or empty when it is not entered:
// hidden, a link, too long for the kernel, or a system folder it skips.
std::string SubfolderToWalk(const CairnlyState& state, const std::string& folder,
                            const platform::DirEntry& entry) {
    if (!entry.directory || entry.reparsePoint || entry.name[0] == '.') return {};
    std::string child = platform::JoinPath(folder, entry.name);
    // A path the kernel cannot take is skipped, never shortened into another one.
    if (TooLongForTheKernel(child)) return {};
    const bool system = entry.system || IsSystemTree(state, entry.device, entry.inode);
    if (state.Criteria().SkipSystemFolders &&
        IsSystemFolder(child, WalkAttributes{entry.reparsePoint, system}))
        return {};
    return child;
}

// False when the folder was entered before by another path (a bind mount).
// Two folders with one identity and different change times are taken to be
// two folders: a file system may reuse inode numbers across its layers.
bool FirstEntry(CairnlyState& state, std::uint64_t device, std::uint64_t inode,
                std::int64_t changeNs) {
    if (inode == 0) return true;  // no identity to go by
    const auto [at, added] = state.FoldersWalked.try_emplace(FileIdentity{device, inode}, changeNs);
    return added || at->second != changeNs;
}

struct FolderScan {
    CairnlyState& state;
    ScanView& view;
    FolderLister& lister;
    const std::string& path;
    int depth;
    std::int32_t folderNumber;
    FolderPathRef folderPath;
    std::int64_t minFileBytes;
    bool photoMode;
    bool deepMode;
    std::int64_t own = 0;
    std::int64_t total = 0;
    bool fileTableFull = false;

    // A file's entry gives its name to the record (the listing is dropped after).
    bool Visit(platform::DirEntry& entry) {
        if (entry.directory && !entry.reparsePoint) {
            VisitSubfolder(entry);
        } else if (entry.regularFile) {
            VisitFile(entry);
        }
        return !fileTableFull && !state.Scan.StopRequested();
    }

    void VisitSubfolder(const platform::DirEntry& entry) {
        const std::string child = SubfolderToWalk(state, path, entry);
        if (child.empty()) {
            CountIfTooLong(entry);
            return;
        }
        // Walked twice, its files would count twice and pair with themselves.
        if (!FirstEntry(state, entry.device, entry.inode, entry.changeNs)) return;
        WalkAttributes attributes{entry.reparsePoint, entry.system};
        total += WalkTree(state, view, lister, child, attributes, depth + 1);
    }

    // A folder too deep for its path to be taken is not walked, so its size
    // is missing from every sum above it: the user is told, as for a folder
    // that cannot be read.
    void CountIfTooLong(const platform::DirEntry& entry) {
        if (entry.name[0] == '.') return;  // hidden folders are never walked
        const std::string child = platform::JoinPath(path, entry.name);
        if (TooLongForTheKernel(child)) CountUnreadable(state, child, ENAMETOOLONG);
    }

    // A further hard link to a file already met is the same file: it frees
    // nothing and would pair with the first link as a "duplicate", so only
    // the first path met (in walk order) counts, as du counts.
    bool SeenBefore(const platform::DirEntry& entry) {
        if (entry.linkCount < 2) return false;
        return !state.LinkedFilesSeen.insert(FileIdentity{entry.device, entry.inode}).second;
    }

    void VisitFile(platform::DirEntry& entry) {
        if (SeenBefore(entry)) return;
        const auto size = static_cast<std::int64_t>(entry.size);
        own += size;
        total += size;
        if (photoMode ? !IsImageName(entry.name) : !(size > minFileBytes)) return;
        if (!AppendFile(entry)) fileTableFull = true;
    }

    bool AppendFile(platform::DirEntry& entry) {
        if (state.Files.Full()) return false;
        auto record = std::unique_ptr<FileRecord>(new (std::nothrow) FileRecord);
        if (!record) return false;
        record->FolderNumber = folderNumber;
        record->FolderPath = folderPath;
        record->FileName = std::move(entry.name);
        record->LastWriteTime = entry.lastWrite;
        record->Size = static_cast<std::int64_t>(entry.size);
        FileRecord* kept = record.get();
        if (!state.Files.Append(std::move(record))) return false;
        if (deepMode) state.WalkStamps.Add(kept, StampOf(entry));
        return true;
    }

    static FileStamp StampOf(const platform::DirEntry& entry) {
        return {entry.device, entry.inode, static_cast<std::int64_t>(entry.size), entry.writeNs,
                entry.changeNs};
    }
};

void PreviewFolder(CairnlyState& state, ScanView& view, std::int32_t index) {
    if (index <= 0 || index % kPreviewInterval != 0) return;
    std::int32_t best = index;
    for (std::int32_t k = index - 1; k > index - kPreviewInterval; --k)
        if (state.Folders.At(k)->OwnSize > state.Folders.At(best)->OwnSize) best = k;
    view.PreviewLargestFolder(best);
}

void AddFolderRecord(CairnlyState& state, ScanView& view, const FolderScan& scan) {
    const float minimum = state.Criteria().MinFolderSizeMB * 1048576.0f;
    if (!(static_cast<float>(scan.own) >= minimum) || state.Folders.Full()) return;
    auto record = std::unique_ptr<FolderRecord>(new (std::nothrow) FolderRecord);
    if (!record) return;
    record->Path = scan.folderPath;
    record->TotalSize = scan.total;
    record->OwnSize = scan.own;
    if (!state.Folders.Append(std::move(record))) return;
    PreviewFolder(state, view, state.Folders.Count() - 1);
}

// The subfolders after the first are listed ahead by the lister's helpers;
// the first is the walk's own next listing.
void ExpectSubfolders(const CairnlyState& state, const FolderScan& scan,
                      const std::vector<platform::DirEntry>& entries) {
    std::vector<std::string> later;
    bool first = true;
    for (const platform::DirEntry& entry : entries) {
        std::string child = SubfolderToWalk(state, scan.path, entry);
        if (child.empty()) continue;
        if (!first) later.push_back(std::move(child));
        first = false;
    }
    scan.lister.Expect(later);
}

// Reads the whole listing before visiting it, so the walk keeps no folder
// open while it descends (a tree deeper than the open-file limit is walked
// whole). A folder that cannot be listed, or only in part, is logged and
// counted; what was listed is still visited.
void ListAndVisit(CairnlyState& state, FolderScan& scan) {
    std::vector<platform::DirEntry> entries;
    const int error = scan.lister.List(scan.path, entries);
    ExpectSubfolders(state, scan, entries);
    if (error) CountUnreadable(state, scan.path, error);
    for (platform::DirEntry& entry : entries)
        if (!scan.Visit(entry)) break;
}

float Percent(std::size_t i, std::size_t n) {
    return static_cast<float>(i) * 100.0f / static_cast<float>(n - 1);
}

// Sorts the first n slots of a table by an extracted key with the selection
// order; the keys are copied next to their slots so comparisons stay in cache.
template <typename Table, typename Key, typename KeyOf, typename Before>
void SortByKey(Table& table, KeyOf keyOf, Before before) {
    using Slot = std::remove_reference_t<decltype(table.SlotAt(0))>;
    const std::size_t n = static_cast<std::size_t>(table.Count());
    struct Item {
        Key key;
        Slot* slot;
    };
    std::vector<Item> items(n);
    for (std::size_t i = 0; i < n; ++i) items[i] = {keyOf(table.SlotAt(i)), &table.SlotAt(i)};
    // Positions 0..n-2 are the procedure's; the last one is already in place.
    auto beforePosition = [&](std::size_t i) { return i + 1 >= n || before(i, n); };
    shared::SelectionOrderByKey(
        items.begin(), items.end(), [](const Item& item) { return item.key; }, beforePosition);
    std::vector<Slot> sorted;
    sorted.reserve(n);
    for (Item& item : items) sorted.push_back(std::move(*item.slot));
    for (std::size_t i = 0; i < n; ++i) table.SlotAt(i) = std::move(sorted[i]);
}

// The current folder as the user's shell names it, else as the kernel does.
std::string CurrentFolder() {
    struct stat here, logical;
    const char* pwd = std::getenv("PWD");
    if (pwd && pwd[0] == '/' && ::stat(".", &here) == 0 && ::stat(pwd, &logical) == 0 &&
        here.st_dev == logical.st_dev && here.st_ino == logical.st_ino)
        return pwd;
    std::string buffer(PATH_MAX, '\0');
    if (!::getcwd(buffer.data(), buffer.size())) return {};
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

std::int64_t WalkTree(CairnlyState& state, ScanView& view, FolderLister& lister,
                      const std::string& path, const WalkAttributes& attributes, int depth) {
    if (attributes.reparsePoint) return 0;
    if (state.Scan.StopRequested()) return 0;
    const ScanCriteria& criteria = state.Criteria();
    if (criteria.SkipSystemFolders && IsSystemFolder(path, attributes)) return 0;

    const std::int32_t folderNumber = state.FoldersEntered.fetch_add(1);
    if (depth <= kStatusDepth)
        state.Services.SetStatus(shared::Format("Scanning folders (%d complete): %s... ",
                                                folderNumber + 1, path.c_str()));

    FolderScan scan{state,
                    view,
                    lister,
                    path,
                    depth,
                    folderNumber,
                    std::make_shared<const std::string>(path),
                    MinFileBytes(criteria.MinFileSizeMB),
                    criteria.PhotoMode,
                    criteria.DuplicateMode == 2};
    ListAndVisit(state, scan);
    // A folder cut short by a full FileTable gets no record; its sums still count.
    if (!scan.fileTableFull) AddFolderRecord(state, view, scan);
    return scan.total;
}

// A root reached through links ("~/root-link/proc/self") is checked where the
// links lead; the walk below it never follows a link.
bool InSystemTreeBehindLinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real && IsSystemFolder(real.get(), WalkAttributes{});
}

std::int64_t ChangeNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
}

// Forgets the folders of the last walk and enters the root's; true when the
// root is one of the kernel's virtual trees or lies in one.
bool BeginAtRoot(CairnlyState& state, const std::string& path) {
    state.FoldersWalked.clear();
    state.SystemTrees.clear();
    if (state.Criteria().SkipSystemFolders) state.SystemTrees = SystemTreeIdentities();
    struct stat root;
    if (::stat(path.c_str(), &root) != 0 || !S_ISDIR(root.st_mode)) return false;
    const auto device = static_cast<std::uint64_t>(root.st_dev);
    const auto inode = static_cast<std::uint64_t>(root.st_ino);
    FirstEntry(state, device, inode, ChangeNs(root));
    return IsSystemTree(state, device, inode) || InSystemTreeBehindLinks(path);
}

bool IsRealFolder(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string AbsoluteFolderPath(const std::string& folder) {
    if (folder.empty()) return folder;
    std::string out = folder[0] == '/' ? std::string("/") : CurrentFolder();
    if (out.empty()) return folder;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    std::size_t start = 0;
    while (start <= folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        const std::string part = folder.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (out == "/") continue;  // the root is its own parent
            const std::size_t slash = out.rfind('/');
            const bool lastIsDotDot = out.compare(slash + 1, std::string::npos, "..") == 0;
            if (!lastIsDotDot && IsRealFolder(out)) {
                out.erase(slash == 0 ? 1 : slash);
                continue;
            }
        }
        out = platform::JoinPath(out, part);
    }
    return out;
}

bool IsImageName(std::string_view name) { return shared::IsPhotoName(name); }

bool IsSystemFolder(const std::string& path, const WalkAttributes& attributes) {
    if (attributes.system) return true;
    for (const char* tree : kSystemTrees)
        if (IsUnder(path, tree)) return true;
    const std::string pattern = platform::JoinPath(path, "*");
    for (const char* literal : {":/Windows/", ":/Program Files", ":/$"})
        if (pattern.find(literal) != std::string::npos) return true;
    return false;
}

std::int64_t MinFileBytes(float minFileSizeMB) {
    const float bytes = minFileSizeMB * 1048576.0f;
    // A settings file can hold any float; converting one outside the 64-bit
    // range is undefined, so those saturate (a huge minimum records nothing)
    // and a NaN counts as 0, as text without a number does in the dialog.
    constexpr float kLimit = 9.223372036854775808e18f;  // 2^63
    if (std::isnan(bytes)) return 0;
    if (bytes >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (bytes <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(bytes);
}

std::int64_t WalkFolder(CairnlyState& state, ScanView& view, const std::string& path,
                        const WalkAttributes& attributes, int depth) {
    WalkAttributes rootAttributes = attributes;
    auto walk = [&] {
        FolderLister lister([&state] { return state.Scan.StopRequested(); }, UsableCores() - 1);
        return WalkTree(state, view, lister, path, rootAttributes, depth);
    };
    if (depth != 0) return walk();
    state.DigestAnswers.Wait();
    state.WalkStamps.Clear();
    rootAttributes.system = rootAttributes.system || BeginAtRoot(state, path);
    // The cache is read while the walk goes on: it is needed only at the end.
    std::jthread loading([&state] { LoadDigestCache(state); });
    const std::int64_t total = walk();
    loading.join();
    if (state.DigestCache && !state.Scan.StopRequested())
        state.DigestAnswers.Run([&state] { AnswerFromDigestCache(state); });
    return total;
}

void SortFoldersBySize(CairnlyState& state) {
    const int n = state.Folders.Count();
    auto before = [&](std::size_t i, std::size_t count) {
        if (i % 100 != 0) return true;
        if (state.Scan.StopRequested()) return false;
        state.Services.SetStatus(
            shared::Format("Preparing to analyze %d folders by size: %0.0f%% complete", n,
                           static_cast<double>(Percent(i, count))));
        return true;
    };
    SortByKey<FolderTable, std::int64_t>(
        state.Folders, [](const std::unique_ptr<FolderRecord>& r) { return r->OwnSize; }, before);
    state.Services.SetStatus("Preparing to analyze folders: 100% complete");
}

namespace {

template <typename KeyOf>
void SortFiles(CairnlyState& state, const char* progressFormat, KeyOf keyOf) {
    const int n = state.Files.Count();
    auto before = [&](std::size_t i, std::size_t count) {
        if (state.Scan.StopRequested()) return false;
        if (i % 1000 == 0)
            state.Services.SetStatus(
                shared::Format(progressFormat, n, static_cast<double>(Percent(i, count))));
        return true;
    };
    SortByKey<FileTable, std::int64_t>(state.Files, keyOf, before);
    state.Services.SetStatus("Preparing to analyze files: 100% complete");
}

}  // namespace

void SortFilesByFolder(CairnlyState& state) {
    SortFiles(state, "Preparing to analyze %d files by directory: %0.0f%% complete",
              [](const std::unique_ptr<FileRecord>& r) { return std::int64_t{r->FolderNumber}; });
}

void SortFilesBySize(CairnlyState& state) {
    SortFiles(state, "Preparing to analyze %d files by size: %0.0f%% complete",
              [](const std::unique_ptr<FileRecord>& r) { return r->Size; });
}

void CopyFilesToFolderTable(CairnlyState& state) {
    const std::int32_t n = state.Files.Count();
    state.FilesByFolder.Clear();
    for (std::int32_t i = 0; i < n; ++i)
        if (!state.FilesByFolder.Append(state.Files.At(static_cast<std::size_t>(i)))) break;
}

}  // namespace cairnly
