#pragma once
// Reorders a range exactly as the classic in-place selection sort does:
//   for each i: m = first position of the minimum in [i, n); swap(a[i], a[m])
// so that items with equal keys end up exactly where that procedure puts them,
// but in O(n log n) comparisons and O(n) extra memory (the items moved aside and
// three words per item).
//
// `less` must be a strict weak order. The target positions are 0 .. n-2, as in
// the classic procedure ("for each position i from 0 to n-2"); the last one needs no work.
// `beforePosition(i)` runs once before each target position i is filled, so it
// is where a caller polls its stop flag and reports progress (for example
// "if (i % 1000 == 0) SetStatus(...)"); returning false stops the sort there:
// positions before i are final, the rest keep the swaps made so far, exactly as
// the classic procedure leaves them. It is not called when n < 2.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <numeric>
#include <utility>
#include <vector>

namespace shared {

struct AlwaysContinue {
    bool operator()(std::size_t) const { return true; }
};

// The classic quadratic procedure; the reference the fast one must
// match, and itself the faster one for a few items.
template <typename RandomIt, typename Less, typename BeforePosition = AlwaysContinue>
bool NaiveSelectionOrder(RandomIt first, RandomIt last, Less less,
                         BeforePosition beforePosition = BeforePosition()) {
    const std::size_t n = static_cast<std::size_t>(std::distance(first, last));
    if (n < 2) return true;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (!beforePosition(i)) return false;
        std::size_t m = i;
        for (std::size_t j = i + 1; j < n; ++j)
            if (less(first[j], first[m])) m = j;
        using std::swap;
        if (m != i) swap(first[i], first[m]);
    }
    return true;
}

namespace detail {

// sorted: the items beside their original indexes. Orders it by key(item),
// keeping equal keys in their order, one byte of the key at a time (only the
// bytes in which some keys differ).
template <typename Pair, typename Key>
void RadixSortByKey(std::vector<Pair>& sorted, Key key) {
    struct Slot {
        std::uint64_t key;  // sign bit flipped: unsigned order is signed order
        std::size_t at;
    };
    const std::size_t n = sorted.size();
    std::vector<Slot> slots(n), scratch(n);
    std::uint64_t anyOne = 0, allOnes = ~std::uint64_t{0};
    for (std::size_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::uint64_t>(static_cast<std::int64_t>(key(sorted[i].first))) ^
                       (std::uint64_t{1} << 63);
        slots[i] = {k, i};
        anyOne |= k;
        allOnes &= k;
    }
    const std::uint64_t differing = anyOne ^ allOnes;
    for (int shift = 0; shift < 64; shift += 8) {
        if (((differing >> shift) & 0xff) == 0) continue;
        std::array<std::size_t, 257> start{};
        for (const Slot& slot : slots) ++start[((slot.key >> shift) & 0xff) + 1];
        for (std::size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
        for (const Slot& slot : slots) scratch[start[(slot.key >> shift) & 0xff]++] = slot;
        slots.swap(scratch);
    }
    std::vector<Pair> ordered;
    ordered.reserve(n);
    for (const Slot& slot : slots) ordered.push_back(std::move(sorted[slot.at]));
    sorted.swap(ordered);
}

// The selection order with stableSort(sorted) ordering the items moved out
// beside their original indexes (stable: equal keys stay in original order).
template <typename RandomIt, typename Less, typename BeforePosition, typename StableSort>
bool SelectionOrderWith(RandomIt first, RandomIt last, Less less, BeforePosition beforePosition,
                        StableSort stableSort) {
    using Item = typename std::iterator_traits<RandomIt>::value_type;
    const std::size_t n = static_cast<std::size_t>(std::distance(first, last));
    if (n < 2) return true;
    // A few items cost fewer comparisons than the allocations below.
    constexpr std::size_t kFewItems = 12;
    if (n <= kFewItems) return NaiveSelectionOrder(first, last, less, beforePosition);
    auto element = [first](std::size_t i) -> decltype(auto) {
        return first[static_cast<typename std::iterator_traits<RandomIt>::difference_type>(i)];
    };
    // Sorting the items themselves, not indexes to them, keeps the
    // comparisons in sequential memory.
    std::vector<std::pair<Item, std::size_t>> sorted;
    sorted.reserve(n);
    for (std::size_t i = 0; i < n; ++i) sorted.emplace_back(std::move(element(i)), i);
    stableSort(sorted);

    std::vector<std::size_t> at(n);     // at[position] = original index of the item there
    std::vector<std::size_t> where(n);  // where[original index] = its position now
    std::iota(at.begin(), at.end(), std::size_t{0});
    std::iota(where.begin(), where.end(), std::size_t{0});
    std::vector<std::size_t> positions;
    bool finished = true;
    std::size_t target = 0;
    for (std::size_t g = 0; g < n && finished;) {
        // The group of items whose keys equal sorted[g]'s.
        std::size_t end = g + 1;
        while (end < n && !less(sorted[g].first, sorted[end].first)) ++end;
        positions.clear();
        for (std::size_t k = g; k < end; ++k) positions.push_back(where[sorted[k].second]);
        std::sort(positions.begin(), positions.end());
        for (std::size_t p : positions) {
            if (target + 1 < n && !beforePosition(target)) {
                finished = false;
                break;
            }
            if (p != target) {
                std::size_t displaced = at[target], chosen = at[p];
                at[target] = chosen;
                where[chosen] = target;
                at[p] = displaced;
                where[displaced] = p;
            }
            ++target;
        }
        g = end;
    }
    // Put every item at its final position.
    for (std::size_t r = 0; r < n; ++r) where[sorted[r].second] = r;  // now: rank of each index
    for (std::size_t p = 0; p < n; ++p) element(p) = std::move(sorted[where[at[p]]].first);
    return finished;
}

}  // namespace detail

// How it works. Let v be the smallest key, held at the start by the items at
// positions p_0 < p_1 < ... < p_(k-1). The classic procedure fills positions
// 0 .. k-1 with them in that order: at step j the first minimum of the suffix
// is the v item at p_j (p_j >= j, and no v item has moved yet), so it swaps
// position j with p_j, and the item that stood at j (a larger key) moves to
// p_j. Then the next key takes positions k .. with the positions its items
// have at that moment, and so on. So: order the items by key once (a stable
// sort, O(n log n) comparisons), then replay the swaps group by group on an
// index permutation (each group's current positions sorted once), and finally
// move the items into place. Items are moved (a few items are swapped), never
// copied; the range is rearranged when the function returns (also when
// stopped), so beforePosition must not read it.
//
// Returns true when every position was filled, false when beforePosition stopped it.
template <typename RandomIt, typename Less, typename BeforePosition = AlwaysContinue>
bool SelectionOrder(RandomIt first, RandomIt last, Less less,
                    BeforePosition beforePosition = BeforePosition()) {
    auto stableSort = [&less](auto& sorted) {
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&less](const auto& a, const auto& b) { return less(a.first, b.first); });
    };
    return detail::SelectionOrderWith(first, last, less, beforePosition, stableSort);
}

// The same order for items with a 64-bit integer key (key(item), ascending):
// the stable sort is then a radix sort over the key bytes that differ.
template <typename RandomIt, typename Key, typename BeforePosition = AlwaysContinue>
bool SelectionOrderByKey(RandomIt first, RandomIt last, Key key,
                         BeforePosition beforePosition = BeforePosition()) {
    auto less = [&key](const auto& a, const auto& b) { return key(a) < key(b); };
    auto stableSort = [&key](auto& sorted) { detail::RadixSortByKey(sorted, key); };
    return detail::SelectionOrderWith(first, last, less, beforePosition, stableSort);
}

}  // namespace shared
