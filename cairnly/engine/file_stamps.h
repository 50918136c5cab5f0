#pragma once
// What identifies one state of one file, and the states the walk saw.
#include <cstdint>
#include <utility>
#include <vector>

#include "cairnly/engine/flat_index.h"

namespace cairnly {

struct FileRecord;

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t writeNs = 0;   // last write, nanoseconds since 1970
    std::int64_t changeNs = 0;  // last status change, nanoseconds since 1970
    bool operator==(const FileStamp&) const = default;
};

// The stamp of each recorded file as the walk saw it, for the deep pass: it
// then needs no second look at a file before reading it. The walk adds;
// Index() runs once after it, before Find() is called from any thread.
class WalkStampTable {
  public:
    using Entry = std::pair<FileRecord*, FileStamp>;

    void Add(FileRecord* record, const FileStamp& stamp) { entries_.emplace_back(record, stamp); }
    // In the order added.
    const std::vector<Entry>& Entries() const { return entries_; }
    // Keeps, in order, the entries at the positions i of Entries() for which
    // keep(i) is true; keep may read the entries after i. Before Index().
    template <typename Keep>
    void Filter(Keep keep) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (keep(i)) entries_[kept++] = entries_[i];
        entries_.resize(kept);
    }
    void Index() {
        index_.Reset(entries_.size());
        for (std::uint32_t i = 0; i < entries_.size(); ++i)
            index_.Slot(HashOf(entries_[i].first), [&](std::uint32_t at) {
                return entries_[at].first == entries_[i].first;
            }) = i;
    }
    // Find() waits for memory twice, for the index slot and then the entry;
    // a loop asks for the slot of a record further ahead than its entry.
    void PrefetchSlot(const FileRecord* record) const { index_.Prefetch(HashOf(record)); }
    void PrefetchEntry(const FileRecord* record) const {
        const std::uint32_t at = index_.FirstTried(HashOf(record));
        if (at != FlatIndex::kEmpty) __builtin_prefetch(&entries_[at]);
    }
    const FileStamp* Find(const FileRecord* record) const {
        const std::uint32_t at = index_.Find(
            HashOf(record), [&](std::uint32_t i) { return entries_[i].first == record; });
        return at == FlatIndex::kEmpty ? nullptr : &entries_[at].second;
    }
    void Clear() {
        entries_.clear();
        entries_.shrink_to_fit();
        index_.Clear();
    }

  private:
    static std::uint64_t HashOf(const FileRecord* record) {
        return reinterpret_cast<std::uintptr_t>(record) >> 4;
    }

    std::vector<Entry> entries_;
    FlatIndex index_;
};

}  // namespace cairnly
