#pragma once
// Real folder trees in a private temporary folder, scanned with the engine,
// with recording fakes for the page list and the confirmation dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Mirrors the lists from the view calls alone, so a test can check that the
// window would show exactly the rows the page logic holds.
class RecordingPageView : public PageView {
  public:
    void InsertRow(int page, int position, const PageRow& row) override {
        auto& rows = lists[static_cast<std::size_t>(page)];
        ASSERT_LE(position, static_cast<int>(rows.size()));
        rows.insert(rows.begin() + position, row);
        if (onInsert) onInsert(page);
    }
    void DeleteRow(int page, int position) override {
        auto& rows = lists[static_cast<std::size_t>(page)];
        ASSERT_LT(position, static_cast<int>(rows.size()));
        rows.erase(rows.begin() + position);
    }
    void DeleteAllRows(int page) override { lists[static_cast<std::size_t>(page)].clear(); }
    void RowsReordered(int page, const std::vector<int>& order) override {
        auto& rows = lists[static_cast<std::size_t>(page)];
        ASSERT_EQ(order.size(), rows.size());
        std::vector<PageRow> sorted;
        for (int from : order) sorted.push_back(rows[static_cast<std::size_t>(from)]);
        rows = sorted;
    }
    void Repaint(int page) override { ++repaints[static_cast<std::size_t>(page)]; }

    std::array<std::vector<PageRow>, kPageCount> lists;
    std::array<int, kPageCount> repaints{};
    std::function<void(int page)> onInsert;
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
        pageView = std::make_unique<RecordingPageView>();
        pages = std::make_unique<ResultPages>(*state, *pageView);
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
    void ExpectViewMirrorsPages() const {
        for (int page = 0; page < kPageCount; ++page) {
            const auto& mine = pages->Rows(page);
            const auto& shown = pageView->lists[static_cast<std::size_t>(page)];
            ASSERT_EQ(mine.size(), shown.size()) << "page " << page;
            for (std::size_t i = 0; i < mine.size(); ++i) {
                EXPECT_EQ(mine[i].cells, shown[i].cells);
                EXPECT_EQ(mine[i].itemData, shown[i].itemData);
            }
        }
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
    std::unique_ptr<RecordingPageView> pageView;
    std::unique_ptr<ResultPages> pages;
    std::unique_ptr<CountingScanView> scanView;
};

}  // namespace cairnly::pages::testing
