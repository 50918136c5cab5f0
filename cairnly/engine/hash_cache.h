#pragma once
// Digests of files hashed by earlier deep scans, so that a later scan of an
// unchanged tree reads no file again.
//
// Usage:
// - Load() once before a deep scan; Find() and Remember() from any thread
//   while the scan hashes (Find() answers from the loaded file without a
//   lock); Save() only after the scan completed (a stopped scan leaves the
//   file of the previous scan as it was).
// - An entry is found only when device, inode, size, write time and change
//   time (nanoseconds) are all what they were when the file was read: any
//   change to the file, including a rewrite that restores its write time,
//   moves its change time.
// - The file is ignored (and later rewritten) when it is damaged, cut short,
//   written by another machine or by another layout. It only saves reading;
//   nothing that deletes trusts it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cairnly/engine/file_stamps.h"
#include "cairnly/engine/flat_index.h"
#include "cairnly/engine/records.h"

namespace cairnly {

// What a scan learnt about a file in that state.
struct FileHashes {
    std::uint64_t headKey = 0;  // key of the first block; 0 = not known
    bool digestReady = false;
    Digest20 digest{};
};

enum class CacheLoad { Loaded, Missing, Ignored };

class HashCache {
  public:
    // At most this many entries are kept (72 bytes each on disk, so the file
    // stays under 150 MB); the files of the latest scan come first.
    static constexpr std::size_t kDefaultMaxEntries = 2'000'000;
    static constexpr std::uint32_t kLayoutVersion = 1;

    explicit HashCache(std::string path, std::string machineId = MachineId(),
                       std::size_t maxEntries = kDefaultMaxEntries);

    CacheLoad Load();
    std::optional<FileHashes> Find(const FileStamp& stamp);
    // Find() waits for memory twice, for the index slot and then the entry;
    // a loop over many files asks for the slot of a file further ahead than
    // its entry.
    void PrefetchSlot(const FileStamp& stamp) const { loadedIndex_.Prefetch(HashOf(stamp)); }
    void PrefetchEntry(const FileStamp& stamp) const;
    struct Learnt {
        FileStamp stamp;
        FileHashes hashes;
    };
    // What a scan read; a file read again replaces its earlier entry.
    void Remember(const std::vector<Learnt>& learnt);
    // Room for what a scan of this many files may learn, taken at once: growing
    // the list step by step would copy it into fresh memory again and again.
    void ExpectFiles(std::size_t files);
    bool LearntAnything() const;
    // Writes the entries of this scan, then the older ones, up to the bound
    // (creating the missing folders above the file).
    // Returns 0 or the error number of the write (the old file is then kept).
    int Save();

    const std::string& Path() const { return path_; }

    // /etc/machine-id, else the D-Bus machine id, else the host name.
    static std::string MachineId();
    // $XDG_CACHE_HOME (else ~/.cache)/quillfen/cairnly-hashes.bin; Save()
    // creates the folders it needs.
    static std::string DefaultPath();

  private:
    using Entry = Learnt;
    static std::uint64_t HashOf(const FileStamp& stamp) {
        return stamp.inode ^ (stamp.device << 40) ^ (stamp.device >> 24);
    }
    static bool SameFile(const FileStamp& a, const FileStamp& b) {
        return a.inode == b.inode && a.device == b.device;
    }
    bool Parse(std::size_t size);
    const char* LoadedAt(std::size_t i) const;
    // For FlatIndex lookups: whether the loaded (learnt) entry at a position
    // names stamp's file.
    auto IsLoaded(const FileStamp& stamp) const;
    auto IsLearnt(const FileStamp& stamp) const;
    // This scan's entries, one per file (its latest read), in the order read.
    std::vector<const Entry*> LatestLearnt(FlatIndex& index) const;
    std::string Serialize() const;

    std::string path_;
    std::string machineId_;
    std::size_t maxEntries_;
    // The file as loaded, its entries kept in their stored form (a second,
    // decoded copy would cost as much again to fill); not changed while a
    // scan looks entries up.
    std::unique_ptr<char[]> loaded_;
    std::size_t loadedCount_ = 0;
    FlatIndex loadedIndex_;
    std::unique_ptr<std::atomic<bool>[]> met_;  // per loaded entry: found by this scan
    mutable std::mutex mutex_;
    std::vector<Entry> learnt_;  // read by this scan, in the order read
};

}  // namespace cairnly
