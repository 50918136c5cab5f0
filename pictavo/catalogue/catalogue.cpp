#include "pictavo/catalogue/catalogue.h"

#include <vector>

#include "shared/selection_order.h"

namespace pictavo {
namespace {

// Photo time packed so that the comparison is two integer compares.
struct PackedTime {
    std::uint64_t high;  // year, month, day, hour
    std::uint32_t low;   // minute, second
};

PackedTime Pack(const PhotoTime& t) {
    return {(std::uint64_t{t.year} << 48) | (std::uint64_t{t.month} << 32) |
                (std::uint64_t{t.day} << 16) | t.hour,
            (std::uint32_t{t.minute} << 16) | t.second};
}

bool Earlier(const PackedTime& a, const PackedTime& b) {
    return a.high != b.high ? a.high < b.high : a.low < b.low;
}

struct SortEntry {
    PackedTime time;
    PhotoRecord* record;
};

SortEntry MakeEntry(PhotoRecord* record) { return {Pack(record->photoTime), record}; }

bool EarlierEntry(const SortEntry& a, const SortEntry& b) { return Earlier(a.time, b.time); }

const std::string& EmptyFolder() {
    static const std::string empty;
    return empty;
}

}  // namespace

const std::string& PhotoRecord::folderPath() const { return folder ? *folder : EmptyFolder(); }

bool EarlierPhotoTime(const PhotoTime& a, const PhotoTime& b) { return Earlier(Pack(a), Pack(b)); }

Catalogue::Catalogue(std::int32_t capacity)
    : capacity_(capacity), slots_(new std::atomic<PhotoRecord*>[capacity > 0 ? capacity : 1]) {
    for (std::int32_t i = 0; i < capacity_; ++i)
        slots_[i].store(nullptr, std::memory_order_relaxed);
}

Catalogue::~Catalogue() { Clear(); }

PhotoRecord* Catalogue::At(std::int32_t position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return slots_[position].load(std::memory_order_acquire);
}

bool Catalogue::Append(std::unique_ptr<PhotoRecord> record) {
    std::int32_t count = count_.load(std::memory_order_relaxed);
    if (count >= capacity_) return false;
    slots_[count].store(record.release(), std::memory_order_relaxed);
    count_.store(count + 1, std::memory_order_release);
    return true;
}

void Catalogue::Clear() {
    std::int32_t count = count_.load(std::memory_order_relaxed);
    count_.store(0, std::memory_order_release);
    for (std::int32_t i = 0; i < count; ++i) delete slots_[i].exchange(nullptr);
}

bool Catalogue::Sort(const std::function<bool()>& keepGoing) {
    const std::int32_t count = Count();
    if (count < 2) return true;
    std::vector<SortEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) entries.push_back(MakeEntry(slots_[i].load()));
    auto beforePosition = [&keepGoing](std::size_t) { return keepGoing(); };
    bool finished =
        shared::SelectionOrder(entries.begin(), entries.end(), EarlierEntry, beforePosition);
    for (std::int32_t i = 0; i < count; ++i)
        slots_[i].store(entries[static_cast<std::size_t>(i)].record, std::memory_order_release);
    return finished;
}

}  // namespace pictavo
