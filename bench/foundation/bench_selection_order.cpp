// Benchmark (not a test): the selection order helper on 1,000,000 keys drawn
// from 1,000 values, against the naive quadratic selection sort measured at
// 20,000 keys and extrapolated by (n / 20,000)^2. Also checks that both give
// the same permutation on the 20,000 keys.
//
//   bench_selection_order [keys] [distinct values] [naive keys]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "shared/selection_order.h"

namespace {

struct Item {
    std::int64_t size;  // the key, as Cairnly's file sizes
    std::uint32_t origin;
};

// A lambda, as the programs pass their comparisons (inlined into the helper).
constexpr auto SizeLess = [](const Item& a, const Item& b) { return a.size < b.size; };

std::vector<Item> Keys(std::size_t n, std::uint32_t distinct, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<Item> items(n);
    for (std::size_t i = 0; i < n; ++i)
        items[i] = {static_cast<std::int64_t>(random() % distinct) * 4096 + 1000000,
                    static_cast<std::uint32_t>(i)};
    return items;
}

template <typename F>
double Seconds(F&& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const std::uint32_t distinct =
        argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1000;
    const std::size_t naiveN = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20000;

    // Fast helper on the full input (best of three runs).
    double fast = 1e9;
    std::size_t callbacks = 0;
    for (int run = 0; run < 3; ++run) {
        std::vector<Item> items = Keys(n, distinct, 1);
        std::size_t calls = 0;
        fast = std::min(fast, Seconds([&] {
                            shared::SelectionOrder(items.begin(), items.end(), SizeLess,
                                                   [&](std::size_t) {
                                                       ++calls;
                                                       return true;
                                                   });
                        }));
        callbacks = calls;
        if (!std::is_sorted(items.begin(), items.end(), SizeLess)) {
            std::fprintf(stderr, "not sorted\n");
            return 1;
        }
    }

    // For scale: a plain stable sort of the same keys (a different order among ties).
    double plain = 1e9;
    for (int run = 0; run < 3; ++run) {
        std::vector<Item> items = Keys(n, distinct, 1);
        plain = std::min(plain,
                         Seconds([&] { std::stable_sort(items.begin(), items.end(), SizeLess); }));
    }

    // Naive procedure at naiveN keys, and the same permutation check.
    std::vector<Item> naiveItems = Keys(naiveN, distinct, 2), fastItems = naiveItems;
    double naive = Seconds(
        [&] { shared::NaiveSelectionOrder(naiveItems.begin(), naiveItems.end(), SizeLess); });
    double fastSmall =
        Seconds([&] { shared::SelectionOrder(fastItems.begin(), fastItems.end(), SizeLess); });
    bool same = std::equal(naiveItems.begin(), naiveItems.end(), fastItems.begin(),
                           [](const Item& a, const Item& b) { return a.origin == b.origin; });
    double scale = static_cast<double>(n) / static_cast<double>(naiveN);
    double naiveExtrapolated = naive * scale * scale;

    std::printf("selection order, %zu keys from %u values\n", n, distinct);
    std::printf("  helper:                    %.3f s  (%zu position callbacks)\n", fast, callbacks);
    std::printf("  std::stable_sort (scale):  %.3f s\n", plain);
    std::printf("  naive at %zu keys:       %.3f s  (helper: %.4f s, same permutation: %s)\n",
                naiveN, naive, fastSmall, same ? "yes" : "NO");
    std::printf("  naive extrapolated to %zu: %.0f s (x%.0f)\n", n, naiveExtrapolated,
                scale * scale);
    std::printf("  ratio naive / helper:      %.0fx\n", naiveExtrapolated / fast);
    return same ? 0 : 1;
}
