// Partial-duplicate folders: which folders get records, how they are matched,
// numbered and ordered, and the refresh after deletions.
#include "cairnly/engine/partial_folders.h"

#include <map>
#include <set>

#include "cairnly/engine/scan_engine.h"
#include "tests/cairnly/engine/engine_fixture.h"

namespace engine_test {
namespace {

std::string Content(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(seed) * 7919) % 251);
    return s;
}

class PartialFoldersTest : public EngineTest {
  protected:
    PartialFoldersTest() { settings_.SetDuplicateMode(2); }

    // count files of the given size with distinct contents seeded from seed, in folder.
    void Put(const std::string& folder, int seed, int count, std::size_t size = 2000) {
        for (int i = 0; i < count; ++i)
            MakeFile(folder + "/f" + std::to_string(seed + i),
                     Content(size + static_cast<std::size_t>(i), seed + i));
    }
    void Scan() {
        UseSettings();
        cairnly::RunScanWorker(*state_, view_);
    }
    // PartialGroup of each folder that has a record (by folder name under the root).
    std::map<std::string, int> GroupsByFolder() const {
        std::map<std::string, int> out;
        for (int i = 0; i < state_->Partials.Count(); ++i) {
            const auto* r = state_->Partials.At(i);
            out[r->Path->substr(root_.size() + 1)] = r->PartialGroup;
        }
        return out;
    }
    const cairnly::PartialFolderRecord* RecordOf(const std::string& folder) const {
        for (int i = 0; i < state_->Partials.Count(); ++i)
            if (*state_->Partials.At(i)->Path == Path(folder)) return state_->Partials.At(i);
        return nullptr;
    }
};

TEST_F(PartialFoldersTest, TwoFoldersSharingTenFilesFormOneSet) {
    Put("A", 100, 10);
    Put("B", 100, 10);
    Scan();
    EXPECT_EQ(GroupsByFolder(), (std::map<std::string, int>{{"A", 1}, {"B", 1}}));
    const auto* a = RecordOf("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->DuplicateCount, 10);
    EXPECT_EQ(a->MemberCount(), 10);
    for (int m = 1; m < a->MemberCount(); ++m)
        EXPECT_LE(a->Members[m - 1]->Size, a->Members[m]->Size);
    EXPECT_TRUE(StatusSeen("Analyzing duplicate file folders for partial duplicate folders"));
    EXPECT_TRUE(StatusSeen("Sorting partial duplicate folders based (largest to smallest)"));
    EXPECT_TRUE(StatusSeen("Matching partial duplicate folders"));
    EXPECT_TRUE(StatusSeen("Finalizing partial duplicate folder information"));
    EXPECT_EQ(view_.Calls().back(), "EnableControls(idle)");
    EXPECT_TRUE(view_.Called("ShowPage(3)"));
}

TEST_F(PartialFoldersTest, TooFewSharedFilesGiveNoRecords) {
    settings_.SetMinPartialDuplicates(11);
    Put("A", 100, 10);
    Put("B", 100, 10);
    Scan();
    EXPECT_EQ(state_->Partials.Count(), 0);
    EXPECT_TRUE(view_.Called("FillPartialFolders"));
    EXPECT_FALSE(view_.Called("ShowPage(3)"));
}

TEST_F(PartialFoldersTest, ThreeFoldersSharingNineGroupsFormOneSetOfThree) {
    Put("A", 200, 9);
    Put("B", 200, 9);
    Put("C", 200, 9);
    Put("C", 500, 2);  // extra unshared files do not matter
    Scan();
    EXPECT_EQ(GroupsByFolder(), (std::map<std::string, int>{{"A", 1}, {"B", 1}, {"C", 1}}));
}

TEST_F(PartialFoldersTest, FoldersSharingTooLittleWithEachOtherStayUnmatched) {
    // X shares 4 groups with Y and 4 with Z; Y and Z share 4: each has 8 duplicates.
    Put("X", 300, 4);
    Put("Y", 300, 4);
    Put("X", 400, 4);
    Put("Z", 400, 4);
    Put("Y", 500, 4);
    Put("Z", 500, 4);
    Scan();
    EXPECT_EQ(GroupsByFolder(), (std::map<std::string, int>{{"X", -1}, {"Y", -1}, {"Z", -1}}));
    for (int i = 0; i < state_->Partials.Count(); ++i)
        EXPECT_EQ(state_->Partials.At(i)->MatchKey, -1);
    EXPECT_FALSE(view_.Called("ShowPage(3)"));
}

TEST_F(PartialFoldersTest, TheSetWithTheLargerFolderIsNumberedFirst) {
    // P shares one big file and seven tiny ones; Q shares eight medium files.
    MakeFile("P1/big", Content(50000, 1));
    MakeFile("P2/big", Content(50000, 1));
    Put("P1", 600, 7, 100);
    Put("P2", 600, 7, 100);
    Put("Q1", 700, 8, 20000);
    Put("Q2", 700, 8, 20000);
    Scan();
    EXPECT_EQ(GroupsByFolder(),
              (std::map<std::string, int>{{"P1", 2}, {"P2", 2}, {"Q1", 1}, {"Q2", 1}}));
    for (int i = 1; i < state_->Partials.Count(); ++i)
        EXPECT_LE(state_->Partials.At(i - 1)->PartialGroup, state_->Partials.At(i)->PartialGroup);
    // P's key is the biggest file's group, the smallest number of all.
    EXPECT_EQ(RecordOf("P1")->MatchKey, 1);
}

TEST_F(PartialFoldersTest, RefreshRecountsWithoutDeletedFilesAndGivesUpWhenNoLongerStale) {
    Put("A", 100, 10);
    Put("B", 100, 10);
    Scan();
    ASSERT_EQ(GroupsByFolder().size(), 2u);
    auto deleteFromA = [this](int count) {
        for (int i = 0; i < state_->FilesByFolder.Count() && count > 0; ++i) {
            auto* f = state_->FilesByFolder.At(i);
            if (*f->FolderPath == Path("A") && f->IsNormal()) {
                f->DeleteState.store(cairnly::DeleteState::Deleted);
                --count;
            }
        }
    };
    // One deleted: it is neither counted nor a member any more.
    deleteFromA(1);
    state_->PartialPageStale.store(true);
    cairnly::FindPartialDuplicateFolders(*state_, view_, true);
    EXPECT_EQ(GroupsByFolder(), (std::map<std::string, int>{{"A", 1}, {"B", 1}}));
    EXPECT_EQ(RecordOf("A")->DuplicateCount, 9);
    EXPECT_EQ(RecordOf("A")->MemberCount(), 9);
    // Two more: A falls to 7, below 8.
    deleteFromA(2);
    state_->PartialPageStale.store(false);
    auto callsBefore = view_.Calls().size();
    cairnly::FindPartialDuplicateFolders(*state_, view_, true);
    EXPECT_EQ(view_.Calls().size(), callsBefore) << "not stale: the refresh gives up at once";
    EXPECT_EQ(GroupsByFolder().size(), 2u);

    state_->PartialPageStale.store(true);
    cairnly::FindPartialDuplicateFolders(*state_, view_, true);
    EXPECT_TRUE(StatusSeen("Refreshing duplicate file folders for partial duplicate folders"));
    EXPECT_EQ(GroupsByFolder(), (std::map<std::string, int>{{"B", -1}}));
    EXPECT_EQ(RecordOf("B")->DuplicateCount, 10);
    EXPECT_EQ(view_.Calls().back(), "FillPartialFolders");
}

TEST_F(PartialFoldersTest, ZeroOrNegativeMinimumCountsAsTwo) {
    for (int stored : {0, -5}) {
        settings_.SetMinPartialDuplicates(stored);
        UseSettings();
        EXPECT_EQ(state_->Criteria().EffectiveMinPartial(), 2);
    }
    Put("A", 100, 2);
    Put("B", 100, 2);
    Put("lonely1", 800, 1);
    Put("lonely2", 800, 1);
    Put("C", 900, 1);
    Put("D", 900, 1);
    Put("C", 950, 1, 3000);
    Put("E", 950, 1, 3000);
    Scan();
    EXPECT_EQ(GroupsByFolder(), (std::map<std::string, int>{{"A", 1}, {"B", 1}, {"C", -1}}))
        << "one shared group is not enough, and folders with one duplicate get no record";
}

TEST_F(PartialFoldersTest, MemberAndFolderCapacitiesCutSilently) {
    auto c = SmallCapacities();
    c.partialMembers = 3;
    c.partialFolders = 2;
    state_ = std::make_unique<cairnly::CairnlyState>(settings_, services_, c);
    view_.Attach(state_.get());
    settings_.SetMinPartialDuplicates(2);
    Put("A", 100, 5);
    Put("B", 100, 5);
    Put("C", 100, 5);
    Scan();
    ASSERT_EQ(state_->Partials.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(state_->Partials.At(i)->DuplicateCount, 5);
        EXPECT_EQ(state_->Partials.At(i)->MemberCount(), 3);
    }
}

TEST(SharesEnough, CountsCommonGroupsAndGivesUpOnHopelessRecords) {
    std::vector<std::unique_ptr<cairnly::FileRecord>> files;
    auto record = [&](std::vector<int> groups) {
        cairnly::PartialFolderRecord r;
        for (int g : groups) {
            files.push_back(std::make_unique<cairnly::FileRecord>());
            files.back()->DupGroup = g;
            r.Members.push_back(files.back().get());
        }
        r.MatchKey = groups.empty() ? -1 : groups.back();
        return r;
    };
    // Members in ascending size: descending group numbers.
    auto a = record({9, 7, 5, 3});
    auto b = record({8, 7, 6, 5, 2, 1});
    EXPECT_TRUE(cairnly::SharesEnough(a, b, 2));
    EXPECT_EQ(a.MatchKey, 3);
    EXPECT_EQ(b.MatchKey, 1);
    // Two in common: a (4 members) can no longer reach 3, b (6 members) still can.
    EXPECT_FALSE(cairnly::SharesEnough(a, b, 3));
    EXPECT_EQ(a.MatchKey, -1);
    EXPECT_EQ(b.MatchKey, 1);
    EXPECT_FALSE(cairnly::SharesEnough(a, b, 5));
    EXPECT_EQ(b.MatchKey, -1);
}

}  // namespace
}  // namespace engine_test
