#pragma once
// The photo catalogue: a table of photo records that grows with the library,
// filled by the loading thread and read by position from every other thread.
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pictavo/settings/settings_record.h"
#include "platform/files.h"

namespace pictavo {

// Kept in one byte: a record is read by every Part but stored a million times.
enum class PhotoState : std::uint8_t { Present = 0, Culled = 2 };

// Attribute bits kept from the directory listing.
constexpr std::uint32_t kAttributeReadOnly = 0x1;

// Fields ordered so that a record takes 120 bytes (one 128-byte heap block).
struct PhotoRecord {
    // Path of the folder the file was found in, shared by all its files.
    std::shared_ptr<const std::string> folder;
    // Name as on disk; the store name while the photo is culled under another name.
    std::string fileName;
    // The date-taken text; "" when photoTime is the file date.
    std::string dateTakenText;
    platform::FileTime lastWriteTime = 0;
    std::uint64_t fileSize = 0;
    std::int32_t folderSerial = 0;
    std::uint32_t attributes = 0;
    PhotoTime photoTime;
    PhotoState state = PhotoState::Present;
    // Set while culled under a "(Deleted copy n)" name, so undelete restores the original name.
    bool renamedInStore = false;

    const std::string& folderPath() const;
    std::string FullPath() const { return platform::JoinPath(folderPath(), fileName); }
};

// True when a was taken strictly earlier than b (year, month, day, hour, minute, second).
bool EarlierPhotoTime(const PhotoTime& a, const PhotoTime& b);

class Catalogue {
  public:
    // Only memory bounds the catalogue; positions are 32-bit.
    static constexpr std::int32_t kUnlimited = INT32_MAX;

    // A smaller limit is for tests of a full table.
    explicit Catalogue(std::int32_t limit = kUnlimited);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    std::int32_t Limit() const { return limit_; }
    // Records below the count are complete (acquire load of the count).
    std::int32_t Count() const { return count_.load(std::memory_order_acquire); }
    bool Full() const { return Count() >= limit_; }
    // The record at a position below the count, or nullptr.
    PhotoRecord* At(std::int32_t position) const;

    // Stores a complete record in the next slot and only then raises the count
    // (release store). False, and the record is dropped, when the table is at
    // its limit or memory for more slots runs out.
    bool Append(std::unique_ptr<PhotoRecord> record);
    // Frees every record; only while no loading thread runs.
    void Clear();

    // Orders the filled slots by photo time exactly as the in-place selection
    // sort does. keepGoing is asked once before each target position; false
    // leaves the catalogue partly sorted. Returns false when stopped.
    bool Sort(const std::function<bool()>& keepGoing);

  private:
    using Slot = std::atomic<PhotoRecord*>;
    // Slots live in blocks that never move once made, each twice the size of
    // the one before, so a reader holding a position below the count never
    // sees its slot relocated while the loader keeps appending.
    static constexpr int kBlocks = 32;
    static constexpr std::int64_t kFirstBlockSlots = 1024;
    Slot* SlotAt(std::int32_t position) const;
    bool EnsureSlot(std::int32_t position);

    std::int32_t limit_;
    std::array<std::atomic<Slot*>, kBlocks> blocks_{};
    std::atomic<std::int32_t> count_{0};
};

}  // namespace pictavo
