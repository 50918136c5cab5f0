#pragma once
// The photo catalogue: a fixed table of photo records filled by the loading
// thread and read by position from every other thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pictavo/settings/settings_record.h"
#include "platform/files.h"

namespace pictavo {

enum class PhotoState : std::int32_t { Present = 0, Culled = 2 };

// Attribute bits kept from the directory listing.
constexpr std::uint32_t kAttributeReadOnly = 0x1;

struct PhotoRecord {
    std::int32_t folderSerial = 0;
    // Path of the folder the file was found in, shared by all its files.
    std::shared_ptr<const std::string> folder;
    // Name as on disk; the store name while the photo is culled under another name.
    std::string fileName;
    platform::FileTime lastWriteTime = 0;
    // The date-taken text; "" when photoTime is the file date.
    std::string dateTakenText;
    PhotoTime photoTime;
    std::uint32_t attributes = 0;
    std::uint64_t fileSize = 0;
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
    static constexpr std::int32_t kCapacity = 100000;

    explicit Catalogue(std::int32_t capacity = kCapacity);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    std::int32_t Capacity() const { return capacity_; }
    // Records below the count are complete (acquire load of the count).
    std::int32_t Count() const { return count_.load(std::memory_order_acquire); }
    bool Full() const { return Count() >= capacity_; }
    // The record at a position below the count, or nullptr.
    PhotoRecord* At(std::int32_t position) const;

    // Stores a complete record in the next slot and only then raises the count
    // (release store). False, and the record is dropped, when the table is full.
    bool Append(std::unique_ptr<PhotoRecord> record);
    // Frees every record; only while no loading thread runs.
    void Clear();

    // Orders the filled slots by photo time exactly as the in-place selection
    // sort does. keepGoing is asked once before each target position; false
    // leaves the catalogue partly sorted. Returns false when stopped.
    bool Sort(const std::function<bool()>& keepGoing);

  private:
    std::int32_t capacity_;
    std::unique_ptr<std::atomic<PhotoRecord*>[]> slots_;
    std::atomic<std::int32_t> count_{0};
};

}  // namespace pictavo
