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
#include <unordered_map>
#include <vector>

#include "cairnly/engine/records.h"

namespace cairnly {

// What identifies one state of one file.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t writeNs = 0;   // last write, nanoseconds since 1970
    std::int64_t changeNs = 0;  // last status change, nanoseconds since 1970
    bool operator==(const FileStamp&) const = default;
};

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
    bool Empty() const;
    std::optional<FileHashes> Find(const FileStamp& stamp);
    void Remember(const FileStamp& stamp, const FileHashes& hashes);
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
    struct Key {
        std::uint64_t device;
        std::uint64_t inode;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return std::hash<std::uint64_t>()(k.inode * 0x9e3779b97f4a7c15ULL ^ k.device);
        }
    };
    struct Entry {
        FileStamp stamp;
        FileHashes hashes;
    };
    bool Parse(const std::string& bytes);
    std::vector<const Entry*> InSavingOrder() const;
    std::string Serialize() const;

    std::string path_;
    std::string machineId_;
    std::size_t maxEntries_;
    // As loaded; not changed while a scan looks entries up.
    std::vector<Entry> loaded_;
    std::unordered_map<Key, std::uint32_t, KeyHash> loadedIndex_;
    std::unique_ptr<std::atomic<bool>[]> met_;  // per loaded entry: found by this scan
    mutable std::mutex mutex_;
    std::unordered_map<Key, Entry, KeyHash> learnt_;  // read by this scan
};

}  // namespace cairnly
