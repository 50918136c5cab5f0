#pragma once
// Reorders a range exactly as the classic in-place selection sort does:
//   for each i: m = first position of the minimum in [i, n); swap(a[i], a[m])
// so that items with equal keys end up exactly where that procedure puts them,
// but in O(n log n): a tournament tree over positions answers "first minimum of
// the suffix", and each swap changes two leaves.
//
// `less` must be a strict weak order. The target positions are 0 .. n-2, as in
// the Parts ("for each position i from 0 to n-2"); the last one needs no work.
// `beforePosition(i)` runs once before each target position i is filled, so it
// is where a caller polls its stop flag and reports progress (for example
// "if (i % 1000 == 0) SetStatus(...)"); returning false stops the sort there:
// positions before i are final, the rest keep the swaps made so far, exactly as
// the classic procedure leaves them. It is not called when n < 2.
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

namespace shared {

namespace detail {

template <typename RandomIt, typename Less>
class Tournament {
public:
    Tournament(RandomIt first, std::size_t n, Less& less) : first_(first), less_(less) {
        leaves_ = 1;
        while (leaves_ < n) leaves_ <<= 1;
        tree_.assign(2 * leaves_, kNone);
        for (std::size_t i = 0; i < n; ++i) tree_[leaves_ + i] = static_cast<long>(i);
        for (std::size_t node = leaves_ - 1; node >= 1; --node) Recompute(node);
    }

    long Winner() const { return tree_[1]; }

    void Retire(std::size_t position) { Set(position, kNone); }
    void Refresh(std::size_t position) { Set(position, static_cast<long>(position)); }

private:
    static constexpr long kNone = -1;

    void Set(std::size_t position, long value) {
        std::size_t node = leaves_ + position;
        tree_[node] = value;
        for (node >>= 1; node >= 1; node >>= 1) Recompute(node);
    }

    // Ties go to the left child, whose positions are all smaller: the first minimum.
    void Recompute(std::size_t node) {
        long left = tree_[2 * node];
        long right = tree_[2 * node + 1];
        if (left == kNone) {
            tree_[node] = right;
        } else if (right == kNone) {
            tree_[node] = left;
        } else {
            tree_[node] = less_(first_[right], first_[left]) ? right : left;
        }
    }

    RandomIt first_;
    Less& less_;
    std::size_t leaves_ = 1;
    std::vector<long> tree_;
};

}  // namespace detail

struct AlwaysContinue {
    bool operator()(std::size_t) const { return true; }
};

// Returns true when every position was filled, false when beforePosition stopped it.
// Costs O(n log n) comparisons and O(n) extra memory (two words per item).
template <typename RandomIt, typename Less, typename BeforePosition = AlwaysContinue>
bool SelectionOrder(RandomIt first, RandomIt last, Less less,
                    BeforePosition beforePosition = BeforePosition()) {
    const std::size_t n = static_cast<std::size_t>(std::distance(first, last));
    if (n < 2) return true;
    detail::Tournament<RandomIt, Less> tree(first, n, less);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (!beforePosition(i)) return false;
        std::size_t m = static_cast<std::size_t>(tree.Winner());
        using std::swap;
        if (m != i) swap(first[i], first[m]);
        tree.Retire(i);
        if (m != i) tree.Refresh(m);
    }
    return true;
}

// The classic quadratic procedure; kept as the reference the fast one must match.
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

}  // namespace shared
