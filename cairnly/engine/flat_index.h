#pragma once
// An open-addressing index from 64-bit hashes to positions in a vector that
// the caller owns. A scan keeps hundreds of thousands of entries: one block
// of slots costs far less to fill and search than a node per entry.
//
// Usage: Reset(most positions) before inserting; Slot(hash, same) gives the
// slot holding the position for which same(position) is true, or the empty
// slot (kEmpty) where such a position belongs. Lookups from several threads
// are safe while nobody inserts.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cairnly {

class FlatIndex {
  public:
    static constexpr std::uint32_t kEmpty = 0xffffffffu;

    void Reset(std::size_t positions) {
        const std::size_t slotCount = std::bit_ceil(std::max<std::size_t>(16, positions * 2));
        slots_.assign(slotCount, kEmpty);
        mask_ = slotCount - 1;
    }
    void Clear() {
        slots_.clear();
        slots_.shrink_to_fit();
    }
    bool Empty() const { return slots_.empty(); }

    template <typename Same>
    std::uint32_t& Slot(std::uint64_t hash, Same same) {
        return slots_[Probe(hash, same)];
    }
    template <typename Same>
    std::uint32_t Find(std::uint64_t hash, Same same) const {
        return slots_.empty() ? kEmpty : slots_[Probe(hash, same)];
    }

    // The position in the slot a lookup of hash tries first (most often the
    // one it ends at), or kEmpty; and a hint to load that slot meanwhile.
    std::uint32_t FirstTried(std::uint64_t hash) const {
        return slots_.empty() ? kEmpty : slots_[Home(hash)];
    }
    void Prefetch(std::uint64_t hash) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[Home(hash)]);
    }

  private:
    std::size_t Home(std::uint64_t hash) const {
        // Spreads keys that differ only in their high bits (inode numbers in
        // one folder are often close) over the whole table.
        hash *= 0x9e3779b97f4a7c15ULL;
        hash ^= hash >> 29;
        return hash & mask_;
    }
    template <typename Same>
    std::size_t Probe(std::uint64_t hash, Same same) const {
        for (std::size_t i = Home(hash);; i = (i + 1) & mask_)
            if (slots_[i] == kEmpty || same(slots_[i])) return i;
    }

    std::vector<std::uint32_t> slots_;
    std::size_t mask_ = 0;
};

}  // namespace cairnly
