#include "pictavo/catalogue/catalogue.h"

#include <bit>
#include <new>
#include <vector>

#include "shared/selection_order.h"

namespace pictavo {

static_assert(sizeof(PhotoRecord) <= 120, "a record should fit a 128-byte heap block");

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

Catalogue::Catalogue(std::int32_t limit) : limit_(limit > 0 ? limit : 0) {}

Catalogue::~Catalogue() { Clear(); }

namespace {

struct BlockPlace {
    int block;
    std::int64_t offset;
};

BlockPlace PlaceOf(std::int32_t position, std::int64_t firstBlockSlots) {
    const std::int64_t scaled = position / firstBlockSlots + 1;
    const int block = std::bit_width(static_cast<std::uint64_t>(scaled)) - 1;
    return {block, position - firstBlockSlots * ((std::int64_t{1} << block) - 1)};
}

}  // namespace

Catalogue::Slot* Catalogue::SlotAt(std::int32_t position) const {
    const BlockPlace place = PlaceOf(position, kFirstBlockSlots);
    return blocks_[static_cast<std::size_t>(place.block)].load(std::memory_order_acquire) +
           place.offset;
}

bool Catalogue::EnsureSlot(std::int32_t position) {
    const BlockPlace place = PlaceOf(position, kFirstBlockSlots);
    std::atomic<Slot*>& block = blocks_[static_cast<std::size_t>(place.block)];
    if (block.load(std::memory_order_relaxed)) return true;
    const std::size_t slots = static_cast<std::size_t>(kFirstBlockSlots << place.block);
    Slot* made = new (std::nothrow) Slot[slots];
    if (!made) return false;
    for (std::size_t i = 0; i < slots; ++i) made[i].store(nullptr, std::memory_order_relaxed);
    block.store(made, std::memory_order_release);
    return true;
}

PhotoRecord* Catalogue::At(std::int32_t position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return SlotAt(position)->load(std::memory_order_acquire);
}

bool Catalogue::Append(std::unique_ptr<PhotoRecord> record) {
    std::int32_t count = count_.load(std::memory_order_relaxed);
    if (count >= limit_ || !EnsureSlot(count)) return false;
    SlotAt(count)->store(record.release(), std::memory_order_relaxed);
    count_.store(count + 1, std::memory_order_release);
    return true;
}

void Catalogue::Clear() {
    std::int32_t count = count_.load(std::memory_order_relaxed);
    count_.store(0, std::memory_order_release);
    for (std::int32_t i = 0; i < count; ++i) delete SlotAt(i)->exchange(nullptr);
    for (std::atomic<Slot*>& block : blocks_) delete[] block.exchange(nullptr);
}

bool Catalogue::Sort(const std::function<bool()>& keepGoing) {
    const std::int32_t count = Count();
    if (count < 2) return true;
    std::vector<SortEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) entries.push_back(MakeEntry(SlotAt(i)->load()));
    auto beforePosition = [&keepGoing](std::size_t) { return keepGoing(); };
    bool finished =
        shared::SelectionOrder(entries.begin(), entries.end(), EarlierEntry, beforePosition);
    for (std::int32_t i = 0; i < count; ++i)
        SlotAt(i)->store(entries[static_cast<std::size_t>(i)].record, std::memory_order_release);
    return finished;
}

}  // namespace pictavo
