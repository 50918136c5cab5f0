#pragma once
// Real folder trees in a private temporary folder, scanned with the engine,
// with recording fakes for the page list and the confirmation dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/pages/deletion.h"
#include "cairnly/pages/headless_scan_view.h"
#include "cairnly/pages/result_pages.h"

namespace cairnly::pages::testing {

// Checks the change notifications a lazy list relies on: each change is
// announced while the page's rows are still as the list knows them, and
// reported once made, with exactly the announced effect (rows that were not
// inserted or removed keep their order; a reorder moves each row to where
// the announced order says).
class CheckingPageView : public PageView {
  public:
    void RowsChanging(int page, const RowChange& change) override {
        const auto p = static_cast<std::size_t>(page);
        ASSERT_FALSE(open[p]) << "page " << page << ": a change began inside another";
        ASSERT_EQ(Items(page), known[p]) << "page " << page << ": rows changed unannounced";
        const int size = static_cast<int>(known[p].size());
        if (change.kind == RowChange::Kind::Insert) {
            EXPECT_GT(change.count, 0);
            EXPECT_TRUE(change.first >= 0 && change.first <= size);
        }
        if (change.kind == RowChange::Kind::Remove) {
            EXPECT_GT(change.count, 0);
            EXPECT_TRUE(change.first >= 0 && change.first + change.count <= size);
        }
        if (change.kind == RowChange::Kind::Reorder) {
            std::vector<int> sorted = change.order;
            std::sort(sorted.begin(), sorted.end());
            for (int i = 0; i < static_cast<int>(sorted.size()); ++i)
                ASSERT_EQ(sorted[static_cast<std::size_t>(i)], i) << "not a permutation";
            EXPECT_EQ(static_cast<int>(sorted.size()), size);
        }
        open[p] = true;
    }
    void RowsChanged(int page, const RowChange& change) override {
        const auto p = static_cast<std::size_t>(page);
        ASSERT_TRUE(open[p]) << "page " << page << ": a change ended that never began";
        open[p] = false;
        std::vector<long> now = Items(page);
        if (change.kind == RowChange::Kind::Insert) {
            ASSERT_EQ(now.size(), known[p].size() + static_cast<std::size_t>(change.count));
        }
        std::vector<long> expected = Expected(known[p], change, now);
        known[p] = now;
        ASSERT_EQ(known[p], expected) << "page " << page << ": not the announced change";
        if (change.kind == RowChange::Kind::Insert && onInsert) onInsert(page);
    }
    void Repaint(int page) override { ++repaints[static_cast<std::size_t>(page)]; }

    const ResultPages* pages = nullptr;
    std::array<int, kPageCount> repaints{};
    std::function<void(int page)> onInsert;

  private:
    std::vector<long> Items(int page) const {
        std::vector<long> items;
        for (const PageRow& row : pages->Rows(page)) items.push_back(row.itemData);
        return items;
    }
    // The rows after the change as announced; inserted rows are taken from now.
    static std::vector<long> Expected(std::vector<long> before, const RowChange& change,
                                      const std::vector<long>& now) {
        const auto first = static_cast<std::ptrdiff_t>(change.first);
        switch (change.kind) {
            case RowChange::Kind::Insert:
                before.insert(before.begin() + first, now.begin() + first,
                              now.begin() + first + change.count);
                return before;
            case RowChange::Kind::Remove:
                before.erase(before.begin() + first, before.begin() + first + change.count);
                return before;
            case RowChange::Kind::Reset:
                return {};
            case RowChange::Kind::Reorder: {
                std::vector<long> moved;
                for (int from : change.order)
                    moved.push_back(before[static_cast<std::size_t>(from)]);
                return moved;
            }
        }
        return before;
    }

    std::array<std::vector<long>, kPageCount> known;
    std::array<bool, kPageCount> open{};
};

// The confirmation dialog; the listing worker may call it from its thread.
class RecordingConfirmView : public ConfirmView {
  public:
    void AddRow(const std::string& path, long itemData) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            rows.push_back({path, itemData});
        }
        if (blockFirstRow) WaitForRelease();
    }
    void SetStatusText(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex);
        status = text;
    }
    void EnableDelete(bool enabled) override {
        std::lock_guard<std::mutex> lock(mutex);
        deleteEnabled = enabled;
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
    void WaitUntilBlocked() {
        std::unique_lock<std::mutex> lock(mutex);
        if (!changed.wait_for(lock, std::chrono::seconds(60), [this] { return blocked; }))
            ADD_FAILURE() << "the listing worker never reached its first row";
    }
    std::string Status() {
        std::lock_guard<std::mutex> lock(mutex);
        return status;
    }
    std::size_t RowCount() {
        std::lock_guard<std::mutex> lock(mutex);
        return rows.size();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ConfirmRow> rows;
    std::string status;
    bool deleteEnabled = false;
    bool blockFirstRow = false;  // holds the listing worker inside its first AddRow
    bool blocked = false;
    bool released = false;

  private:
    void WaitForRelease() {
        std::unique_lock<std::mutex> lock(mutex);
        if (blocked) return;
        blocked = true;
        changed.notify_all();
        changed.wait(lock, [this] { return released; });
    }
};

// Counts the partial-folder fills, to see when the analysis runs again.
class CountingScanView : public HeadlessScanView {
  public:
    using HeadlessScanView::HeadlessScanView;
    void FillPartialFolders() override {
        ++partialFills;
        HeadlessScanView::FillPartialFolders();
    }
    std::atomic<int> partialFills{0};
};

// Keeps a scan worker running (owning the tables) until it goes out of scope.
class HeldScan {
  public:
    explicit HeldScan(CairnlyState& state) : state_(state) {
        EXPECT_TRUE(state_.Scan.Start({[this] {
                                           while (!released_) std::this_thread::yield();
                                       },
                                       {}},
                                      {}));
    }
    ~HeldScan() {
        released_ = true;
        state_.Scan.Join();
    }

  private:
    CairnlyState& state_;
    std::atomic<bool> released_{false};
};

class PagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = MakeTempFolder();
        root = base_ + "/tree";
        std::filesystem::create_directories(root);
        std::filesystem::create_directories(base_ + "/home");
        ::setenv("HOME", (base_ + "/home").c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        settings.SetDefaults();
        settings.SetRootFolder(root);
        settings.SetMinFileSizeMB(0.0f);
        settings.SetMinFolderSizeMB(0.0f);
        settings.SetDuplicateMode(2);
        settings.SetLogLevel(1);
        services.SetClock([] { return platform::CalendarFields{2026, 3, 4, 10, 20, 30}; });
    }

    void TearDown() override {
        if (scanView) Pages().ClearAllPages();
        state.reset();
        std::error_code ignored;
        std::filesystem::remove_all(base_, ignored);
    }

    static std::string MakeTempFolder() {
        char pattern[] = "/tmp/cairnly-pages-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return made ? made : "";
    }

    // A file of size bytes whose content is decided by seed (same seed, same bytes).
    std::string WriteFile(const std::string& relative, std::size_t size, int seed) {
        std::string path = root + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::string bytes(size, '\0');
        unsigned value = static_cast<unsigned>(seed) * 2654435761u + 1;
        for (char& c : bytes) {
            value = value * 1103515245u + 12345u;
            c = static_cast<char>(value >> 16);
        }
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    void Scan() {
        state = std::make_unique<CairnlyState>(settings, services);
        pageView = std::make_unique<CheckingPageView>();
        pages = std::make_unique<ResultPages>(*state, *pageView);
        pageView->pages = pages.get();
        scanView = std::make_unique<CountingScanView>(*pages);
        ASSERT_TRUE(RunScanToEnd(*state, *scanView));
        scanView->partialFills = 0;
        services.CreateLogFolder();
    }

    ResultPages& Pages() { return *pages; }

    // The position of the row whose cells include text, or -1.
    int RowWith(int page, const std::string& text) const {
        const auto& rows = pages->Rows(page);
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (const std::string& cell : rows[i].cells)
                if (cell == text) return static_cast<int>(i);
        return -1;
    }
    std::vector<std::string> Column(int page, std::size_t column) const {
        std::vector<std::string> out;
        for (const PageRow& row : pages->Rows(page)) out.push_back(row.cells.at(column));
        return out;
    }
    std::string LogText() {
        std::ifstream in(services.LogFilePath(platform::CalendarFields{2026, 3, 4, 10, 20, 30}));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string LastStatus() const { return services.LastStatus(); }

    std::string base_;
    std::string root;
    ScanSettings settings;
    shared::DesktopServices services{"Cairnly", [this] { return settings.LogLevel(); }};
    std::unique_ptr<CairnlyState> state;
    std::unique_ptr<CheckingPageView> pageView;
    std::unique_ptr<ResultPages> pages;
    std::unique_ptr<CountingScanView> scanView;
};

}  // namespace cairnly::pages::testing
