#pragma once
// Where each photo in the store of culled photos came from, kept in a small
// file beside the store so that Undelete still works after a restart.
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

struct StoredCull {
    std::string storeName;  // the file's name in the store
    std::string folder;     // the folder it was culled from
    std::string name;       // its name there
    bool operator==(const StoredCull&) const = default;
};

// One line per cull, oldest first: tab-separated fields with '%', control
// bytes and DEL escaped as %XX (so names with newlines or tabs round-trip) and
// a checksum. A damaged, truncated or foreign line is skipped on reading.
std::string JournalText(const std::vector<StoredCull>& entries);
std::vector<StoredCull> ParseJournal(std::string_view text);

// The journal's entries in memory and on disk; every change rewrites the file
// (temporary file, flushed, renamed over the old one). Thread-safe: the loading
// thread reads it while the window culls.
class StoreJournal {
  public:
    // Reads the journal file (a missing or unreadable one is empty); "" keeps
    // the journal in memory only.
    void Open(const std::string& path);
    std::vector<StoredCull> Entries() const;
    // Records a cull; an older entry for the same store name goes.
    void Add(const StoredCull& entry);
    void Remove(const std::string& storeName);
    std::optional<StoredCull> Find(const std::string& storeName) const;
    // Drops the entries whose file is no longer in the store folder.
    void KeepStored(const std::string& storeFolder);

  private:
    void SaveLocked() const;

    mutable std::mutex mutex_;
    std::string path_;
    std::vector<StoredCull> entries_;
};

}  // namespace pictavo
