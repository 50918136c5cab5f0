// The scan worker: phase order, pages shown, stops in every phase, and the
// start/stop/clear cycle across threads.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "cairnly/engine/scan_engine.h"
#include "tests/cairnly/engine/engine_fixture.h"

namespace engine_test {
namespace {

using namespace std::chrono_literals;

std::string Content(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(seed) * 7919) % 251);
    return s;
}

class ScanTest : public EngineTest {
  protected:
    ScanTest() { settings_.SetDuplicateMode(2); }
    void MakeDuplicateTree() {
        for (int i = 0; i < 10; ++i) {
            MakeFile("A/f" + std::to_string(i), Content(3000 + static_cast<std::size_t>(i), i));
            MakeFile("B/f" + std::to_string(i), Content(3000 + static_cast<std::size_t>(i), i));
        }
        for (int i = 0; i < 150; ++i)
            MakeFile("many/d" + std::to_string(i) + "/x", Content(100, 50 + i));
    }
    void RunWorker() {
        UseSettings();
        cairnly::RunScanWorker(*state_, view_);
    }
    // Waits (bounded) for the worker thread started by StartScan.
    void WaitForWorker() {
        for (int i = 0; i < 2000 && state_->Scan.Busy(); ++i) std::this_thread::sleep_for(5ms);
        ASSERT_FALSE(state_->Scan.Busy());
        state_->Scan.Join();
    }
    std::vector<std::string> PageCalls() const {
        std::vector<std::string> out;
        for (const auto& c : view_.Calls())
            if (c.rfind("Fill", 0) == 0 || c.rfind("ShowPage", 0) == 0 || c.rfind("Enable", 0) == 0)
                out.push_back(c);
        return out;
    }
    void StopWhenStatusStartsWith(const std::string& prefix) {
        OnStatus([this, prefix](const std::string& text) {
            if (text.rfind(prefix, 0) == 0) state_->Scan.RequestStop();
        });
    }
    void ExpectStoppedAfter(const std::vector<std::string>& expectedPageCalls) {
        EXPECT_EQ(PageCalls(), expectedPageCalls);
        EXPECT_EQ(Statuses().back(), "Search stopped");
        EXPECT_FALSE(state_->Scan.Running());
    }
};

TEST_F(ScanTest, AFullScanRunsThePhasesInOrderAndEndsOnTheLastPageWithResults) {
    MakeDuplicateTree();
    RunWorker();
    EXPECT_EQ(PageCalls(),
              (std::vector<std::string>{"FillLargestFolders", "ShowPage(0)", "FillLargestFiles",
                                        "ShowPage(1)", "ShowPage(2)", "FillPartialFolders",
                                        "ShowPage(3)", "EnableControls(idle)"}));
    auto first = [&](const std::string& prefix) {
        auto statuses = Statuses();
        for (std::size_t i = 0; i < statuses.size(); ++i)
            if (statuses[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    };
    std::vector<int> order{first("Scanning folders (1 complete)"),
                           first("Preparing to analyze 154 folders by size: 0% complete"),
                           first("Preparing to analyze folders: 100% complete"),
                           first("Preparing to analyze 170 files by directory"),
                           first("Preparing to analyze 170 files by size"),
                           first("Displaying 20 duplicate files"),
                           first("Analyzing duplicate file folders for partial duplicate folders")};
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_GE(order[i], 0) << i;
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(state_->FilesByFolder.Count(), 170);
    EXPECT_FALSE(state_->Scan.Running());
    EXPECT_FALSE(StatusSeen("Search stopped"));
}

TEST_F(ScanTest, AnEmptyFolderEndsOnTheLargestFilesPage) {
    RunWorker();
    EXPECT_EQ(PageCalls(), (std::vector<std::string>{
                               "FillLargestFolders", "ShowPage(0)", "FillLargestFiles",
                               "ShowPage(1)", "FillPartialFolders", "EnableControls(idle)"}));
}

TEST_F(ScanTest, PhotoModeEndsOnTheDuplicatesPageEvenWithoutDuplicates) {
    state_->PhotoMode.store(true);
    MakeFile("a.jpg", "x");
    RunWorker();
    auto calls = PageCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "ShowPage(2)");
}

TEST_F(ScanTest, StopDuringTheWalk) {
    MakeDuplicateTree();
    StopWhenStatusStartsWith("Scanning folders");
    RunWorker();
    ExpectStoppedAfter({"EnableControls(idle)"});
    EXPECT_TRUE(StatusSeen("Preparing to analyze folders: 100% complete"))
        << "the folder sort always ends with its text";
    EXPECT_FALSE(StatusStartsWith("Preparing to analyze 0 files"));
}

TEST_F(ScanTest, StopDuringTheFolderSort) {
    MakeDuplicateTree();
    StopWhenStatusStartsWith("Preparing to analyze 154 folders");
    RunWorker();
    ExpectStoppedAfter({"EnableControls(idle)"});
}

TEST_F(ScanTest, StopDuringTheFileSorts) {
    MakeDuplicateTree();
    StopWhenStatusStartsWith("Preparing to analyze 170 files by directory");
    RunWorker();
    ExpectStoppedAfter({"FillLargestFolders", "ShowPage(0)", "EnableControls(idle)"});
    EXPECT_FALSE(StatusStartsWith("Preparing to analyze 170 files by size"));

    // Again while the digest cache answers the walk's files on another core
    // (as it does during the sorts): the next scan reads nothing and lists
    // what the scan that filled the cache listed.
    OnStatus(nullptr);
    state_->HashCachePath = home_.Path() + "/hashes.bin";
    auto fullScan = [this] {
        cairnly::ClearResults(*state_, view_);
        RunWorker();
        state_->Background.Wait();
        std::vector<std::string> rows;
        for (const auto& row : view_.duplicateRows) rows.push_back(row.record->FullPath());
        return rows;
    };
    const auto filled = fullScan();
    ASSERT_EQ(filled.size(), 20u);
    StopWhenStatusStartsWith("Preparing to analyze 170 files by directory");
    cairnly::ClearResults(*state_, view_);
    RunWorker();
    EXPECT_EQ(Statuses().back(), "Search stopped");
    OnStatus(nullptr);
    const std::int64_t headsRead = state_->HeadKeysRead, hits = state_->CacheHits;
    EXPECT_EQ(fullScan(), filled);
    EXPECT_EQ(state_->HeadKeysRead, headsRead);
    EXPECT_EQ(state_->CacheHits - hits, 170);
}

TEST_F(ScanTest, StopDuringTheDuplicatePass) {
    MakeDuplicateTree();
    view_.onDuplicateRow = [this] { state_->Scan.RequestStop(); };
    RunWorker();
    // The pass ends and its rows are shown; the partial analysis is skipped.
    ExpectStoppedAfter({"FillLargestFolders", "ShowPage(0)", "FillLargestFiles", "ShowPage(1)",
                        "ShowPage(2)", "EnableControls(idle)"});
    EXPECT_TRUE(StatusSeen("Displaying 2 duplicate files with a total size of 0.0 MB"));
    EXPECT_FALSE(StatusStartsWith("Analyzing duplicate file folders"));
}

TEST_F(ScanTest, StopDuringThePartialFolderAnalysis) {
    MakeDuplicateTree();
    StopWhenStatusStartsWith("Matching partial duplicate folders");
    RunWorker();
    // The folders collected so far are listed, none matched, and the page stays hidden.
    ExpectStoppedAfter({"FillLargestFolders", "ShowPage(0)", "FillLargestFiles", "ShowPage(1)",
                        "ShowPage(2)", "FillPartialFolders", "EnableControls(idle)"});
    ASSERT_GT(state_->Partials.Count(), 0);
    for (int i = 0; i < state_->Partials.Count(); ++i)
        EXPECT_EQ(state_->Partials.At(i)->PartialGroup, -1);
}

TEST_F(ScanTest, StartScanRefusesAMissingRootWithoutTouchingResults) {
    settings_.SetRootFolder("");
    EXPECT_FALSE(cairnly::StartScan(*state_, view_));
    EXPECT_EQ(Statuses().back(),
              "No folder to scan. Please select an existing folder with the Configuration "
              "button.");
    settings_.SetRootFolder(Path("missing"));
    EXPECT_FALSE(cairnly::StartScan(*state_, view_));
    EXPECT_EQ(Statuses().back(), "The folder specified does not exist (" + Path("missing") +
                                     "). Please select an existing folder with the "
                                     "Configuration button.");
    EXPECT_FALSE(view_.Called("ClearAllPages"));
    EXPECT_FALSE(state_->Scan.Busy());
}

TEST_F(ScanTest, StartScanRunsTheWorkerOnItsOwnThreadAndClearsTheOldResults) {
    MakeDuplicateTree();
    state_->FilesPageStale.store(true);
    state_->SetPageStatusText(1, "old");
    ASSERT_TRUE(cairnly::StartScan(*state_, view_));
    EXPECT_FALSE(state_->FilesPageStale.load());
    EXPECT_EQ(state_->PageStatusText(1), "");
    WaitForWorker();
    EXPECT_EQ(state_->Duplicates.Count(), 20);
    ASSERT_TRUE(cairnly::StartScan(*state_, view_));
    WaitForWorker();
    EXPECT_EQ(state_->Duplicates.Count(), 20) << "the second scan started from empty tables";
    EXPECT_EQ(state_->Files.Count(), 170);
}

TEST_F(ScanTest, StartRightAfterStopWaitsForTheRunningWorker) {
    MakeDuplicateTree();
    // Hold the worker inside the duplicate pass until the second start is waiting.
    std::atomic<bool> hold{true}, held{false}, release{false};
    view_.onDuplicateRow = [&] {
        if (!hold.load()) return;
        held.store(true);
        while (!release.load()) std::this_thread::sleep_for(1ms);
    };
    ASSERT_TRUE(cairnly::StartScan(*state_, view_));
    while (!held.load()) std::this_thread::sleep_for(1ms);
    cairnly::StopScan(*state_, view_);
    EXPECT_TRUE(state_->Scan.Running());
    hold.store(false);
    // A second Start arriving while the first waits is turned away.
    int nestedStarts = 0;
    bool nestedResult = true;
    view_.onPause = [&] {
        if (nestedStarts++ == 0) nestedResult = cairnly::StartScan(*state_, view_);
        release.store(true);
    };
    ASSERT_TRUE(cairnly::StartScan(*state_, view_));
    view_.onPause = nullptr;
    EXPECT_FALSE(nestedResult);
    EXPECT_TRUE(StatusSeen("Waiting for search to stop"));
    WaitForWorker();
    EXPECT_TRUE(release.load());
    EXPECT_EQ(state_->Duplicates.Count(), 20);
    EXPECT_FALSE(state_->Scan.StopRequested());
}

TEST_F(ScanTest, ShutdownStopsAndJoinsARunningWorker) {
    MakeDuplicateTree();
    view_.onDuplicateRow = [this] {
        while (!state_->Scan.StopRequested()) std::this_thread::sleep_for(1ms);
    };
    ASSERT_TRUE(cairnly::StartScan(*state_, view_));
    cairnly::ShutdownScan(*state_, view_);
    EXPECT_FALSE(state_->Scan.Busy());
    EXPECT_EQ(Statuses().back(), "Search stopped");
}

TEST_F(ScanTest, ClearResultsEmptiesEveryTableAndShowsTheFirstPage) {
    MakeDuplicateTree();
    // Records are freed through the folder-ordered table when it holds every
    // one, else by the size-ordered one: a scan stopped between the two sorts
    // leaves it holding only some.
    for (const bool partFolderTable : {true, false}) {
        RunWorker();
        if (partFolderTable) {
            state_->FilesByFolder.Clear();
            state_->FilesByFolder.Append(state_->Files.At(1));
        }
        // A folder path lives as long as a record of the folder does.
        std::vector<std::weak_ptr<const std::string>> folderPaths;
        for (int i = 0; i < state_->Files.Count(); ++i)
            folderPaths.push_back(state_->Files.At(static_cast<std::size_t>(i))->FolderPath);
        cairnly::ClearResults(*state_, view_);
        for (const auto& path : folderPaths) EXPECT_TRUE(path.expired()) << "the records are freed";
    }
    RunWorker();
    ASSERT_GT(state_->Partials.Count(), 0);
    cairnly::ClearResults(*state_, view_);
    EXPECT_EQ(state_->Files.Count(), 0);
    EXPECT_EQ(state_->FilesByFolder.Count(), 0);
    EXPECT_EQ(state_->Folders.Count(), 0);
    EXPECT_EQ(state_->Duplicates.Count(), 0);
    EXPECT_EQ(state_->Partials.Count(), 0);
    EXPECT_EQ(state_->Partials.SlotAt(0), nullptr);
    auto calls = view_.Calls();
    EXPECT_EQ(calls[calls.size() - 2], "ClearAllPages");
    EXPECT_EQ(calls.back(), "ShowPage(0)");
}

// Work runs on another thread, one piece after the other, and Wait()
// returns only once it is done.
TEST(BackgroundWorkTest, RunsElsewhereInOrderAndWaitsForIt) {
    std::atomic<std::thread::id> first{}, second{};
    std::atomic<bool> firstDoneBeforeSecond{false};
    cairnly::BackgroundWork work;
    work.Run([&] {
        std::this_thread::sleep_for(20ms);  // slow work
        first.store(std::this_thread::get_id());
    });
    work.Run([&] {
        firstDoneBeforeSecond.store(first.load() != std::thread::id{});
        second.store(std::this_thread::get_id());
    });
    work.Wait();
    EXPECT_TRUE(firstDoneBeforeSecond.load());
    EXPECT_NE(second.load(), std::thread::id{});
    EXPECT_NE(second.load(), std::this_thread::get_id());
}

}  // namespace
}  // namespace engine_test
