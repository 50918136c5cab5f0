// The three table sorts: the naive procedure's order among equal keys, their
// progress texts, their stop checks and the copy into FolderFileTable.
#include <random>

#include "cairnly/engine/walk.h"
#include "shared/selection_order.h"
#include "tests/cairnly/engine/engine_fixture.h"

namespace engine_test {
namespace {

class SortTest : public EngineTest {
  protected:
    // Files with few distinct sizes and folder numbers, so ties abound.
    void FillFiles(int count, unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < count; ++i) {
            auto r = std::make_unique<cairnly::FileRecord>();
            r->FileName = "f" + std::to_string(i);
            r->Size =
                static_cast<std::int64_t>(random() % 7) - 2 + (random() % 3 == 0 ? (1LL << 33) : 0);
            r->FolderNumber = static_cast<std::int32_t>(random() % 5);
            ASSERT_TRUE(state_->Files.Append(std::move(r)));
        }
    }
    void FillFolders(int count, unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < count; ++i) {
            auto r = std::make_unique<cairnly::FolderRecord>();
            r->Path = std::make_shared<const std::string>("d" + std::to_string(i));
            r->OwnSize = static_cast<std::int64_t>(random() % 4);
            ASSERT_TRUE(state_->Folders.Append(std::move(r)));
        }
    }
    template <typename Key>
    std::vector<std::string> NaiveFileOrder(Key key) {
        std::vector<cairnly::FileRecord*> v;
        for (int i = 0; i < state_->Files.Count(); ++i) v.push_back(state_->Files.At(i));
        shared::NaiveSelectionOrder(v.begin(), v.end(),
                                    [&](auto* a, auto* b) { return key(*a) < key(*b); });
        std::vector<std::string> names;
        for (auto* r : v) names.push_back(r->FileName);
        return names;
    }
};

TEST_F(SortTest, FileSortsMatchTheNaiveProcedureOnTies) {
    for (unsigned seed : {1u, 2u, 3u}) {
        state_->Files.Clear();
        FillFiles(1500, seed);
        auto byFolder = NaiveFileOrder([](const cairnly::FileRecord& r) { return r.FolderNumber; });
        cairnly::SortFilesByFolder(*state_);
        EXPECT_EQ(FileNames(), byFolder);
        cairnly::CopyFilesToFolderTable(*state_);
        auto bySize = NaiveFileOrder([](const cairnly::FileRecord& r) { return r.Size; });
        cairnly::SortFilesBySize(*state_);
        EXPECT_EQ(FileNames(), bySize);
        // FolderFileTable kept the folder order.
        ASSERT_EQ(state_->FilesByFolder.Count(), 1500);
        for (int i = 0; i < 1500; ++i)
            EXPECT_EQ(state_->FilesByFolder.At(i)->FileName, byFolder[i]);
    }
}

TEST_F(SortTest, FolderSortMatchesTheNaiveProcedure) {
    FillFolders(700, 9);
    std::vector<cairnly::FolderRecord*> v;
    for (int i = 0; i < 700; ++i) v.push_back(state_->Folders.At(i));
    shared::NaiveSelectionOrder(v.begin(), v.end(),
                                [](auto* a, auto* b) { return a->OwnSize < b->OwnSize; });
    cairnly::SortFoldersBySize(*state_);
    for (int i = 0; i < 700; ++i) EXPECT_EQ(state_->Folders.At(i), v[static_cast<std::size_t>(i)]);
}

TEST_F(SortTest, ProgressTextsAtTheirPositions) {
    FillFolders(201, 4);
    FillFiles(2001, 5);
    cairnly::SortFoldersBySize(*state_);
    cairnly::SortFilesByFolder(*state_);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{
                              "Preparing to analyze 201 folders by size: 0% complete",
                              "Preparing to analyze 201 folders by size: 50% complete",
                              "Preparing to analyze folders: 100% complete",
                              "Preparing to analyze 2001 files by directory: 0% complete",
                              "Preparing to analyze 2001 files by directory: 50% complete",
                              "Preparing to analyze files: 100% complete",
                          }));
}

TEST_F(SortTest, EmptyAndSingleTablesStillShowTheEndText) {
    cairnly::SortFoldersBySize(*state_);
    FillFiles(1, 1);
    cairnly::SortFilesBySize(*state_);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Preparing to analyze folders: 100% complete",
                                                    "Preparing to analyze files: 100% complete"}));
}

TEST_F(SortTest, FileSortStopsBeforeTheNextPositionAndKeepsWhatItDid) {
    FillFiles(3000, 7);
    std::vector<std::string> before = FileNames();
    OnStatus([this](const std::string&) { state_->Scan.RequestStop(); });
    cairnly::SortFilesBySize(*state_);
    // Position 0 was filled, then the stop was seen: only one swap at most.
    auto after = FileNames();
    int moved = 0;
    for (std::size_t i = 0; i < after.size(); ++i) moved += after[i] != before[i];
    EXPECT_LE(moved, 2);
    EXPECT_EQ(Statuses().back(), "Preparing to analyze files: 100% complete");
}

TEST_F(SortTest, FolderSortNoticesAStopOnlyAtItsStatusPositions) {
    FillFolders(250, 3);
    OnStatus([this](const std::string&) { state_->Scan.RequestStop(); });
    cairnly::SortFoldersBySize(*state_);
    std::vector<cairnly::FolderRecord*> v;
    // The first 100 positions hold the 100 smallest, in naive order; the rest is unsorted.
    for (int i = 0; i < 250; ++i) v.push_back(state_->Folders.At(i));
    for (int i = 1; i < 100; ++i) EXPECT_LE(v[i - 1]->OwnSize, v[i]->OwnSize);
    bool restUnsorted = false;
    for (int i = 101; i < 250; ++i) restUnsorted |= v[i - 1]->OwnSize > v[i]->OwnSize;
    EXPECT_TRUE(restUnsorted) << "the sort went on after the stop";
    EXPECT_EQ(Statuses().size(), 2u);
}

}  // namespace
}  // namespace engine_test
