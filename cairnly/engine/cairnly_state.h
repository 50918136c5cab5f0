#pragma once
// The one process-wide state object of Cairnly: the settings and desktop
// services it was given, the result tables, the flags shared between the
// user-interface thread and the scan worker, and the scan worker itself.
//
// Usage:
// - main creates exactly one CairnlyState (after the settings are loaded) and
//   passes it by reference to the engine, the page logic and the window.
// - Tables are written only by the scan worker while Scan.Running(), and
//   emptied only by ClearResults before a worker starts; everything else reads
//   them when no worker runs, or while the worker is blocked in a ScanView call.
// - Criteria() is the snapshot of the settings the current/last scan used; the
//   pages quote its thresholds and the partial-folder refresh uses its minimum.
// - Flags are std::atomic; PageStatusText is guarded by a mutex.
// - Before destroying it, the window calls ShutdownScan (scan_engine.h), which
//   stops and joins the worker while pumping events.
// - Scan's stop request is what the walk, the duplicate search and the
//   partial-folder analysis poll.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cairnly/engine/background_work.h"
#include "cairnly/engine/file_stamps.h"
#include "cairnly/engine/hash_cache.h"
#include "cairnly/engine/records.h"
#include "cairnly/settings/scan_settings.h"
#include "platform/recorded_file.h"
#include "shared/desktop_services.h"
#include "shared/single_worker.h"

namespace cairnly {

// One file on one file system, whatever path leads to it.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& id) const {
        return std::hash<std::uint64_t>()(id.inode * 0x9e3779b97f4a7c15ULL ^ id.device);
    }
};

// The settings a scan works with, taken when the scan starts.
struct ScanCriteria {
    std::string RootFolder;
    float MinFileSizeMB = 1.0f;
    float MinFolderSizeMB = 100.0f;
    bool SkipSystemFolders = true;
    std::int32_t DuplicateMode = 0;
    // As stored; the analysis uses EffectiveMinPartial().
    std::int32_t MinPartialDuplicates = 8;
    bool PhotoMode = false;
    // The folder the walk lists at RootFolder; deletions check they reach the same one.
    platform::FileIdentity RootIdentity;

    // A stored value of 0 or less would make every folder match every other
    // one; it counts as 2, the smallest value the configuration dialog accepts.
    std::int32_t EffectiveMinPartial() const {
        return MinPartialDuplicates < 1 ? 2 : MinPartialDuplicates;
    }
};

ScanCriteria CriteriaFrom(const ScanSettings& settings, bool photoMode);

class CairnlyState {
  public:
    CairnlyState(ScanSettings& settings, shared::DesktopServices& services,
                 TableCapacities capacities = TableCapacities());
    ~CairnlyState();  // a live worker is stopped and joined, then its background work
    CairnlyState(const CairnlyState&) = delete;
    CairnlyState& operator=(const CairnlyState&) = delete;

    ScanSettings& Settings;
    shared::DesktopServices& Services;
    const TableCapacities Capacities;

    // Set by the command line (/P), never cleared.
    std::atomic<bool> PhotoMode{false};

    FileTable Files;                // FileTable
    FolderFileTable FilesByFolder;  // FolderFileTable
    FolderTable Folders;            // FolderTable
    DuplicateList Duplicates;       // DuplicateList
    PartialFolderTable Partials;    // PartialFolderTable

    std::atomic<bool> FilesPageStale{false};
    std::atomic<bool> DuplicatesPageStale{false};
    std::atomic<bool> PartialPageStale{false};
    std::atomic<std::int32_t> FoldersEntered{0};
    // Folders of the last walk that could not be listed, or not completely.
    std::atomic<std::int32_t> UnreadableFolders{0};
    // Files with more than one hard link that the walk has already met, by
    // (device, inode): later links to them are not counted again. Worker only.
    std::unordered_set<FileIdentity, FileIdentityHash> LinkedFilesSeen;
    // Folders the walk has entered, by (device, inode), each with its change
    // time: a folder met again through a bind mount is the same folder and is
    // walked once. Worker only; emptied when a walk begins.
    std::unordered_map<FileIdentity, std::int64_t, FileIdentityHash> FoldersWalked;
    // The kernel's virtual trees (/proc, /sys, /dev, /run) by identity, taken when a walk
    // begins that skips system folders; otherwise empty. Worker only.
    std::vector<platform::FileIdentity> SystemTrees;
    std::atomic<std::int64_t> SmallFileThreshold{10'485'760};
    // Deep-mode reading since the state was made: files read to their end for
    // a digest, files whose first block was read, files answered by the cache.
    mutable std::atomic<std::int64_t> FilesFullyHashed{0};
    mutable std::atomic<std::int64_t> HeadKeysRead{0};
    mutable std::atomic<std::int64_t> CacheHits{0};
    // Where deep scans keep the digests of the files they read between runs;
    // empty: no cache. Set before the first scan.
    std::string HashCachePath;
    // The digest cache during a deep scan: loaded by the walk, which answers
    // each file it records from it, and saved and let go by the duplicate
    // pass. Worker only.
    std::unique_ptr<HashCache> DigestCache;
    // Deep mode: what the walk saw of each recorded file the cache did not
    // answer. Worker only.
    WalkStampTable WalkStamps;
    // The cache's answers to the walk's stamps, looked up on another core
    // while the worker sorts the tables (they touch other fields of the
    // records). Waited for before the duplicate pass and before the records
    // are freed.
    BackgroundWork DigestAnswers;

    const ScanCriteria& Criteria() const { return criteria_; }
    void SetCriteria(const ScanCriteria& criteria) { criteria_ = criteria; }

    // One summary per page, at most 255 UTF-16 units (longer texts are cut).
    std::string PageStatusText(int page) const;
    void SetPageStatusText(int page, const std::string& text);

    // The scan worker (owned here so it can be joined; see scan_engine.h).
    // Running() while it owns the tables; Busy() until its last view call.
    shared::SingleWorker Scan;

    // What a scan leaves to do after it: the cache it learnt to write.
    BackgroundWork Background;

  private:
    ScanCriteria criteria_;
    mutable std::mutex statusMutex_;
    std::array<std::string, 4> pageStatus_;
};

}  // namespace cairnly
