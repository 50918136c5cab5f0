// The selection order helper against the naive selection sort.
#include "shared/selection_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Items carry their original position, so ties are told apart.
struct Item {
    int key;
    int origin;
    bool operator==(const Item&) const = default;
};
bool KeyLess(const Item& a, const Item& b) { return a.key < b.key; }

// A 64-bit key in KeyLess's order, reaching into high bytes and below zero
// as scale and shift grow, for the keyed (radix) order.
auto WideKey(std::int64_t scale, std::int64_t shift) {
    return [scale, shift](const Item& item) { return std::int64_t{item.key} * scale - shift; };
}

std::vector<Item> RandomItems(std::mt19937& random, std::size_t n, int distinct) {
    std::vector<Item> items(n);
    for (std::size_t i = 0; i < n; ++i)
        items[i] = {static_cast<int>(random() % static_cast<unsigned>(distinct)),
                    static_cast<int>(i)};
    return items;
}

TEST(SelectionOrder, MatchesTheNaiveProcedureOnRandomInputsWithManyTies) {
    std::mt19937 random(2026);
    for (int round = 0; round < 4000; ++round) {
        std::size_t n = random() % 70;
        int distinct = 1 + static_cast<int>(random() % (round % 4 == 0 ? 3 : 12));
        std::vector<Item> fast = RandomItems(random, n, distinct), naive = fast, keyed = fast;
        shared::SelectionOrder(fast.begin(), fast.end(), KeyLess);
        shared::NaiveSelectionOrder(naive.begin(), naive.end(), KeyLess);
        ASSERT_EQ(fast, naive) << "round " << round << " n " << n;
        const std::int64_t scale = std::int64_t{1} << (round % 5 * 11);
        shared::SelectionOrderByKey(keyed.begin(), keyed.end(), WideKey(scale, scale * 5));
        ASSERT_EQ(keyed, naive) << "keyed, round " << round << " n " << n;
    }
}

TEST(SelectionOrder, MatchesOnLargerInputsAndSpecialShapes) {
    std::mt19937 random(99);
    std::vector<std::vector<Item>> inputs;
    for (std::size_t n : {1000u, 2049u, 4096u}) inputs.push_back(RandomItems(random, n, 17));
    std::vector<Item> ascending, descending, equal, sawtooth;
    for (int i = 0; i < 1500; ++i) {
        ascending.push_back({i / 3, i});
        descending.push_back({(1500 - i) / 2, i});
        equal.push_back({5, i});
        sawtooth.push_back({i % 7, i});
    }
    inputs.insert(inputs.end(), {ascending, descending, equal, sawtooth});
    for (std::vector<Item>& fast : inputs) {
        std::vector<Item> naive = fast, keyed = fast;
        shared::SelectionOrder(fast.begin(), fast.end(), KeyLess);
        shared::NaiveSelectionOrder(naive.begin(), naive.end(), KeyLess);
        ASSERT_EQ(fast, naive);
        shared::SelectionOrderByKey(keyed.begin(), keyed.end(), WideKey(1 << 30, 1 << 20));
        ASSERT_EQ(keyed, naive);
    }
}

TEST(SelectionOrder, IsNotStableButExactlyTheSelectionSortPermutation) {
    // (2,a) (2,b) (1,c): first minimum 1 swaps with (2,a), giving (1,c) (2,b) (2,a).
    std::vector<Item> items{{2, 0}, {2, 1}, {1, 2}};
    shared::SelectionOrder(items.begin(), items.end(), KeyLess);
    EXPECT_EQ(items, (std::vector<Item>{{1, 2}, {2, 1}, {2, 0}}));
}

TEST(SelectionOrder, WorksWithCompositeKeysAndPointers) {
    // A 64-bit key compared high half signed, then low half unsigned, as the file sizes are.
    struct Record {
        std::int64_t size;
        std::string name;
    };
    auto less = [](const Record* a, const Record* b) {
        auto hi = [](std::int64_t v) { return static_cast<std::int32_t>(v >> 32); };
        auto lo = [](std::int64_t v) { return static_cast<std::uint32_t>(v); };
        if (hi(a->size) != hi(b->size)) return hi(a->size) < hi(b->size);
        return lo(a->size) < lo(b->size);
    };
    std::mt19937_64 random(5);
    std::vector<Record> records(800);
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i] = {static_cast<std::int64_t>(random() % 9) << (random() % 2 ? 32 : 0),
                      std::to_string(i)};
    std::vector<Record*> fast, naive;
    for (Record& r : records) fast.push_back(&r);
    naive = fast;
    shared::SelectionOrder(fast.begin(), fast.end(), less);
    shared::NaiveSelectionOrder(naive.begin(), naive.end(), less);
    EXPECT_EQ(fast, naive);
}

TEST(SelectionOrder, MoveOnlyItemsKeepTheirIdentity) {
    std::mt19937 random(23);
    std::vector<std::unique_ptr<Item>> fast;
    std::vector<Item> naive;
    for (int i = 0; i < 3000; ++i) {
        Item item{static_cast<int>(random() % 40), i};
        fast.push_back(std::make_unique<Item>(item));
        naive.push_back(item);
    }
    std::vector<const Item*> addresses;
    for (auto& p : fast) addresses.push_back(p.get());
    shared::SelectionOrder(fast.begin(), fast.end(),
                           [](const auto& a, const auto& b) { return a->key < b->key; });
    shared::NaiveSelectionOrder(naive.begin(), naive.end(), KeyLess);
    for (std::size_t i = 0; i < fast.size(); ++i) {
        ASSERT_NE(fast[i], nullptr);
        ASSERT_EQ(*fast[i], naive[i]);
        ASSERT_EQ(fast[i].get(), addresses[static_cast<std::size_t>(naive[i].origin)]);
    }
}

TEST(SelectionOrder, EmptyAndSingleRangesNeverCallTheCallback) {
    std::vector<Item> none, one{{3, 0}};
    int calls = 0;
    auto count = [&](std::size_t) { return ++calls, true; };
    EXPECT_TRUE(shared::SelectionOrder(none.begin(), none.end(), KeyLess, count));
    EXPECT_TRUE(shared::SelectionOrder(one.begin(), one.end(), KeyLess, count));
    EXPECT_EQ(calls, 0);
}

TEST(SelectionOrder, TheCallbackRunsBeforeEachTargetPositionZeroToNMinusTwo) {
    std::mt19937 random(3);
    std::vector<Item> items = RandomItems(random, 2501, 10);
    std::vector<std::size_t> positions, progress;
    EXPECT_TRUE(shared::SelectionOrder(items.begin(), items.end(), KeyLess, [&](std::size_t i) {
        positions.push_back(i);
        if (i % 1000 == 0) progress.push_back(i);  // a caller's "every 1,000 positions"
        return true;
    }));
    ASSERT_EQ(positions.size(), 2500u);
    for (std::size_t i = 0; i < positions.size(); ++i) ASSERT_EQ(positions[i], i);
    EXPECT_EQ(progress, (std::vector<std::size_t>{0, 1000, 2000}));
    // n - 1 = 2000 is a multiple of 1,000 but is no target position.
    std::vector<Item> exact = RandomItems(random, 2001, 10);
    progress.clear();
    shared::SelectionOrder(exact.begin(), exact.end(), KeyLess, [&](std::size_t i) {
        if (i % 1000 == 0) progress.push_back(i);
        return true;
    });
    EXPECT_EQ(progress, (std::vector<std::size_t>{0, 1000}));
}

TEST(SelectionOrder, AStopLeavesExactlyWhatTheNaiveProcedureLeaves) {
    std::mt19937 random(17);
    for (int round = 0; round < 500; ++round) {
        std::size_t n = 2 + random() % 60;
        std::size_t stopAt = random() % (n - 1);
        std::vector<Item> fast = RandomItems(random, n, 1 + static_cast<int>(random() % 6)),
                          naive = fast, keyed = fast;
        std::vector<std::size_t> seenFast, seenNaive, seenKeyed;
        bool doneFast =
            shared::SelectionOrder(fast.begin(), fast.end(), KeyLess, [&](std::size_t i) {
                seenFast.push_back(i);
                return i != stopAt;
            });
        bool doneKeyed = shared::SelectionOrderByKey(keyed.begin(), keyed.end(), WideKey(3, 7),
                                                     [&](std::size_t i) {
                                                         seenKeyed.push_back(i);
                                                         return i != stopAt;
                                                     });
        bool doneNaive =
            shared::NaiveSelectionOrder(naive.begin(), naive.end(), KeyLess, [&](std::size_t i) {
                seenNaive.push_back(i);
                return i != stopAt;
            });
        EXPECT_FALSE(doneFast);
        EXPECT_FALSE(doneNaive);
        EXPECT_FALSE(doneKeyed);
        ASSERT_EQ(fast, naive) << "round " << round;
        ASSERT_EQ(keyed, naive) << "round " << round;
        ASSERT_EQ(seenFast, seenNaive);
        ASSERT_EQ(seenKeyed, seenNaive);
        ASSERT_EQ(seenFast.size(), stopAt + 1);
    }
}

TEST(SelectionOrder, AStopFlagSetByTheProgressCallbackEndsTheSortWithinTheInterval) {
    // Cairnly's SortFoldersBySize reads its stop flag only at each status update.
    std::vector<Item> items(1000);
    for (int i = 0; i < 1000; ++i) items[static_cast<std::size_t>(i)] = {1000 - i, i};
    bool stopRequested = false;
    std::size_t lastChecked = 0;
    bool done = shared::SelectionOrder(items.begin(), items.end(), KeyLess, [&](std::size_t i) {
        if (i == 250) stopRequested = true;  // the user presses Stop meanwhile
        if (i % 100 != 0) return true;
        lastChecked = i;
        return !stopRequested;
    });
    EXPECT_FALSE(done);
    EXPECT_EQ(lastChecked, 300u);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(items[static_cast<std::size_t>(i)].key, i + 1);
}

}  // namespace
