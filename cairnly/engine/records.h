#pragma once
// The records a scan produces and the tables that hold them.
//
// Usage:
// - The scan worker is the only writer while a scan runs (CairnlyState::Scan.Running());
//   pages and deletions read the tables afterwards, by index (item data of a row).
// - Owning tables (FileTable, FolderTable, PartialFolderTable) free their records
//   in Clear(); non-owning tables (FolderFileTable, DuplicateList) hold plain
//   pointers into records owned elsewhere. Records live until the next Clear().
// - A folder's path is stored once (FolderPathRef) and shared by the folder's
//   files, its FolderRecord and any PartialFolderRecord; nothing is a fixed buffer.
// - Only DeleteState changes after a scan, and it is atomic because listing
//   workers mark records while the user-interface thread may reset them.
// - Count() is an acquire load; Append() publishes with a release store, so a
//   reader that sees the count also sees the complete record.
// - FileTable, FolderFileTable, FolderTable and DuplicateList grow with the
//   scan (GrowingTable): slots live in chunks that are never moved or freed
//   before Clear(), so a published slot, and a reference to it, stays valid
//   while the worker appends behind it. Only memory (or a test's limit) bounds
//   them. PartialFolderTable keeps its fixed capacity.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/files.h"

namespace cairnly {

// Indexes and counts are 32-bit signed throughout (page item data, group numbers).
constexpr std::size_t kUnboundedCapacity = 0x7fff'ffff;
constexpr std::size_t kFileTableCapacity = kUnboundedCapacity;
constexpr std::size_t kFolderTableCapacity = kUnboundedCapacity;
constexpr std::size_t kDuplicateListCapacity = kUnboundedCapacity;
constexpr std::size_t kPartialFolderCapacity = 2'000;
constexpr std::size_t kPartialMemberCapacity = 500;

// Capacities of one state object; tests may use smaller ones to reach a full table.
struct TableCapacities {
    std::size_t files = kFileTableCapacity;
    std::size_t folders = kFolderTableCapacity;
    std::size_t duplicates = kDuplicateListCapacity;
    std::size_t partialFolders = kPartialFolderCapacity;
    std::size_t partialMembers = kPartialMemberCapacity;
};

// One byte in memory: with it FileRecord packs into 104 bytes.
enum class DeleteState : std::int8_t { Normal = 0, Listed = 1, Deleted = 2 };

using FolderPathRef = std::shared_ptr<const std::string>;
using Digest20 = std::array<std::uint8_t, 20>;

struct FileRecord {
    std::int32_t FolderNumber = 0;  // pre-order number of the holding folder
    std::int32_t DupGroup = -1;     // -1 = not a duplicate
    FolderPathRef FolderPath;       // shared with the folder's other files
    std::string FileName;           // as enumerated, case kept
    platform::FileTime LastWriteTime = 0;
    std::int64_t Size = 0;
    std::uint64_t Fingerprint = 0;  // 0 = none
    Digest20 Digest{};
    bool DigestReady = false;
    std::atomic<::cairnly::DeleteState> DeleteState{::cairnly::DeleteState::Normal};
    // Memory per recorded file is bounded by this size (plus the name when it
    // is too long to be stored inside the string).

    const std::string& Folder() const { return *FolderPath; }
    std::string FullPath() const { return platform::JoinPath(*FolderPath, FileName); }
    bool IsNormal() const { return DeleteState.load() == ::cairnly::DeleteState::Normal; }
};

static_assert(sizeof(FileRecord) <= 104, "FileRecord grew");

struct FolderRecord {
    FolderPathRef Path;
    std::int64_t TotalSize = 0;  // own files and every subfolder walked
    std::int64_t OwnSize = 0;    // files directly in the folder
};

struct PartialFolderRecord {
    std::int32_t SerialNumber = 0;
    FolderPathRef Path;
    std::int32_t MatchKey = -1;      // DupGroup through which the folder is paired; -1 unmatched
    std::int32_t PartialGroup = -1;  // shown as "Dup#"; -1 = not shown
    std::int32_t DuplicateCount = 0;
    std::int64_t DuplicateSize = 0;
    std::vector<FileRecord*> Members;  // at most the member capacity, ascending Size after analysis

    std::int32_t MemberCount() const { return static_cast<std::int32_t>(Members.size()); }
};

// A fixed array of slots with a separate count. Slot storage is allocated once
// for the life of the table, so appending never reallocates.
template <typename Slot>
class SlotTable {
  public:
    explicit SlotTable(std::size_t capacity) : slots_(capacity) {}
    SlotTable(const SlotTable&) = delete;
    SlotTable& operator=(const SlotTable&) = delete;

    std::size_t Capacity() const { return slots_.size(); }
    std::int32_t Count() const { return count_.load(std::memory_order_acquire); }
    bool Full() const { return static_cast<std::size_t>(Count()) >= slots_.size(); }
    bool ValidIndex(long index) const { return index >= 0 && index < Count(); }

    // Only the writer calls these (the worker during a scan).
    bool Append(Slot slot) {
        std::int32_t n = count_.load(std::memory_order_relaxed);
        if (static_cast<std::size_t>(n) >= slots_.size()) return false;
        slots_[static_cast<std::size_t>(n)] = std::move(slot);
        count_.store(n + 1, std::memory_order_release);
        return true;
    }
    void SetCount(std::int32_t n) { count_.store(n, std::memory_order_release); }
    Slot& SlotAt(std::size_t index) { return slots_[index]; }
    const Slot& SlotAt(std::size_t index) const { return slots_[index]; }
    typename std::vector<Slot>::iterator begin() { return slots_.begin(); }
    typename std::vector<Slot>::iterator end() { return slots_.begin() + Count(); }

    // Empties every slot (all of them, not only the counted ones) and the count.
    void Clear() {
        count_.store(0, std::memory_order_release);
        for (Slot& slot : slots_) slot = Slot();
    }

  private:
    std::vector<Slot> slots_;
    std::atomic<std::int32_t> count_{0};
};

// A table of slots with a separate count that grows as it is appended to.
// Slots live in fixed-size chunks reached through a directory that is sized
// once for the limit; a chunk is allocated when the first slot in it is
// appended and freed only by Clear(). Appending therefore never moves a slot:
// a reader on another thread that loads the count (acquire) may use every slot
// below it while the writer goes on appending, since the chunk pointer and the
// slot are both written before the count is published (release). A vector that
// reallocated would pull published records from under such a reader.
template <typename Slot>
class GrowingTable {
  public:
    static constexpr std::size_t kChunkBits = 16;
    static constexpr std::size_t kChunkSlots = std::size_t{1} << kChunkBits;

    explicit GrowingTable(std::size_t limit)
        : limit_(limit), chunks_((limit + kChunkSlots - 1) / kChunkSlots) {}
    GrowingTable(const GrowingTable&) = delete;
    GrowingTable& operator=(const GrowingTable&) = delete;

    std::size_t Capacity() const { return limit_; }
    std::int32_t Count() const { return count_.load(std::memory_order_acquire); }
    bool Full() const { return static_cast<std::size_t>(Count()) >= limit_; }
    bool ValidIndex(long index) const { return index >= 0 && index < Count(); }

    // Only the writer calls these. Append fails at the limit or when memory for
    // a new chunk cannot be had.
    bool Append(Slot slot) {
        const auto n = static_cast<std::size_t>(count_.load(std::memory_order_relaxed));
        if (n >= limit_) return false;
        std::unique_ptr<Slot[]>& chunk = chunks_[n >> kChunkBits];
        if (!chunk) {
            chunk.reset(new (std::nothrow) Slot[kChunkSlots]());
            if (!chunk) return false;
        }
        chunk[n & (kChunkSlots - 1)] = std::move(slot);
        count_.store(static_cast<std::int32_t>(n + 1), std::memory_order_release);
        return true;
    }
    // Slots below Count() only.
    Slot& SlotAt(std::size_t index) {
        return chunks_[index >> kChunkBits][index & (kChunkSlots - 1)];
    }
    const Slot& SlotAt(std::size_t index) const {
        return chunks_[index >> kChunkBits][index & (kChunkSlots - 1)];
    }

    // Empties the table and frees every chunk (and the records owning slots hold).
    void Clear() {
        count_.store(0, std::memory_order_release);
        for (auto& chunk : chunks_) chunk.reset();
    }

  private:
    std::size_t limit_;
    std::vector<std::unique_ptr<Slot[]>> chunks_;  // sized once; never reallocated
    std::atomic<std::int32_t> count_{0};
};

// Owning tables: records are freed by Clear() or when a slot is overwritten.
template <typename Record, template <typename> class Table>
class OwningTableOf : public Table<std::unique_ptr<Record>> {
  public:
    using Table<std::unique_ptr<Record>>::Table;
    Record* At(std::size_t index) const { return this->SlotAt(index).get(); }
};

// Non-owning table of pointers into records owned by another table.
template <typename Record>
class RefTable : public GrowingTable<Record*> {
  public:
    using GrowingTable<Record*>::GrowingTable;
    Record* At(std::size_t index) const { return this->SlotAt(index); }
};

template <typename Record>
using OwningTable = OwningTableOf<Record, GrowingTable>;

using FileTable = OwningTable<FileRecord>;      // Size ascending after the scan
using FolderFileTable = RefTable<FileRecord>;   // FolderNumber ascending after the scan
using FolderTable = OwningTable<FolderRecord>;  // OwnSize ascending after the scan
using DuplicateList = RefTable<FileRecord>;     // display order of the Duplicate files page
// PartialGroup ascending, fixed capacity. The partial-folder analysis and its
// refresh claim the table while they rebuild it; only one rebuilds at a time.
class PartialFolderTable : public OwningTableOf<PartialFolderRecord, SlotTable> {
  public:
    using OwningTableOf<PartialFolderRecord, SlotTable>::OwningTableOf;
    // False, changing nothing, while another rebuild holds the table.
    bool ClaimRebuild() { return !rebuilding_.exchange(true); }
    void EndRebuild() { rebuilding_.store(false); }
    bool Rebuilding() const { return rebuilding_.load(); }

  private:
    std::atomic<bool> rebuilding_{false};
};

}  // namespace cairnly
