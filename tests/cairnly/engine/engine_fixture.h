#pragma once
// Shared pieces of the engine tests: a private HOME holding a tree the test
// builds, a state object wired to a recording view, and tree helpers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"
#include "tests/shared/temp_home.h"

namespace engine_test {

// Records every call; PageRowCount answers from the rows the calls produced.
class RecordingView : public cairnly::ScanView {
  public:
    explicit RecordingView(cairnly::CairnlyState* state = nullptr) : state_(state) {}
    void Attach(cairnly::CairnlyState* state) { state_ = state; }

    void EnableControls(bool idle) override {
        Record(idle ? "EnableControls(idle)" : "EnableControls(busy)");
    }
    void ShowPage(int page) override {
        Record("ShowPage(" + std::to_string(page) + ")");
        selected_.store(page);
    }
    int SelectedPage() override { return selected_.load(); }
    void ClearAllPages() override {
        Record("ClearAllPages");
        std::lock_guard<std::mutex> lock(mutex_);
        rows_ = {};
        duplicateRows.clear();
    }
    int PageRowCount(int page) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return rows_[static_cast<std::size_t>(page)];
    }
    void PreviewLargestFolder(int folderIndex) override {
        Record("Preview(" + std::to_string(folderIndex) + ")");
        std::lock_guard<std::mutex> lock(mutex_);
        previews.push_back(folderIndex);
    }
    void FillLargestFolders() override { Record("FillLargestFolders"); }
    void FillLargestFiles(bool refill) override {
        Record(refill ? "FillLargestFiles(refill)" : "FillLargestFiles");
    }
    void AddDuplicateRow(int row, const cairnly::FileRecord& record, int listIndex,
                         int group) override {
        Record("AddDuplicateRow");
        if (onDuplicateRow) onDuplicateRow();
        std::lock_guard<std::mutex> lock(mutex_);
        duplicateRows.push_back({row, &record, listIndex, group});
        ++rows_[cairnly::kDuplicatesPage];
    }
    void FillPartialFolders() override {
        Record("FillPartialFolders");
        int shown = 0;
        for (int i = 0; state_ && i < state_->Partials.Count(); ++i)
            if (state_->Partials.At(static_cast<std::size_t>(i))->PartialGroup != -1) ++shown;
        std::lock_guard<std::mutex> lock(mutex_);
        rows_[cairnly::kPartialPage] = shown;
    }
    void Pause(int milliseconds) override {
        Record("Pause");
        if (onPause) onPause();
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    bool Called(const std::string& call) const {
        for (const auto& c : Calls())
            if (c == call) return true;
        return false;
    }

    struct DuplicateRow {
        int row;
        const cairnly::FileRecord* record;
        int listIndex;
        int group;
    };
    std::vector<DuplicateRow> duplicateRows;
    std::vector<int> previews;
    std::function<void()> onDuplicateRow;
    std::function<void()> onPause;  // set before the thread that pauses starts

  private:
    void Record(const std::string& call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
    }

    std::atomic<int> selected_{-1};
    cairnly::CairnlyState* state_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::array<int, 4> rows_{};
};

// A private HOME with a "tree" folder, settings for it and a state object.
class EngineTest : public ::testing::Test {
  protected:
    explicit EngineTest(cairnly::TableCapacities capacities = SmallCapacities())
        : services_("Cairnly", [this] { return logLevel_.load(); }) {
        root_ = home_.Path() + "/tree";
        std::filesystem::create_directories(root_);
        settings_.SetDefaults();
        settings_.SetRootFolder(root_);
        settings_.SetMinFileSizeMB(0.0f);
        settings_.SetMinFolderSizeMB(0.0f);
        services_.SetStatusSink([this](const std::string& text) {
            std::function<void(const std::string&)> hook;
            {
                std::lock_guard<std::mutex> lock(statusMutex_);
                statuses_.push_back(text);
                hook = onStatus;
            }
            if (hook) hook(text);
        });
        state_ = std::make_unique<cairnly::CairnlyState>(settings_, services_, capacities);
        view_.Attach(state_.get());
    }

    static cairnly::TableCapacities SmallCapacities() {
        cairnly::TableCapacities c;
        c.files = 5000;
        c.folders = 1000;
        c.duplicates = 1000;
        c.partialFolders = 100;
        c.partialMembers = 500;
        return c;
    }

    // Takes the settings as StartScan would.
    void UseSettings() {
        state_->SetCriteria(cairnly::CriteriaFrom(settings_, state_->PhotoMode.load()));
    }

    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    void MakeFolder(const std::string& relative) {
        std::filesystem::create_directories(Path(relative));
    }

    // Writes a file (creating its folder); returns its full path.
    std::string MakeFile(const std::string& relative, const std::string& content) {
        std::filesystem::path p(Path(relative));
        std::filesystem::create_directories(p.parent_path());
        int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0) << p;
        if (fd >= 0) {
            EXPECT_EQ(::write(fd, content.data(), content.size()),
                      static_cast<ssize_t>(content.size()));
            ::close(fd);
        }
        return p.string();
    }
    std::string MakeSizedFile(const std::string& relative, std::size_t size, char fill = 'x') {
        return MakeFile(relative, std::string(size, fill));
    }
    void SetMtime(const std::string& relative, time_t seconds) {
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, Path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }

    // The hook runs on whichever thread sets the status.
    void OnStatus(std::function<void(const std::string&)> hook) {
        std::lock_guard<std::mutex> lock(statusMutex_);
        onStatus = std::move(hook);
    }

    std::vector<std::string> Statuses() const {
        std::lock_guard<std::mutex> lock(statusMutex_);
        return statuses_;
    }
    bool StatusSeen(const std::string& text) const {
        for (const auto& s : Statuses())
            if (s == text) return true;
        return false;
    }
    bool StatusStartsWith(const std::string& prefix) const {
        for (const auto& s : Statuses())
            if (s.rfind(prefix, 0) == 0) return true;
        return false;
    }

    // File names of the FileTable in table order.
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < state_->Files.Count(); ++i)
            names.push_back(state_->Files.At(i)->FileName);
        return names;
    }

    std::atomic<int> logLevel_{0};
    testing_support::TempHome home_;
    std::string root_;
    cairnly::ScanSettings settings_;
    shared::DesktopServices services_;
    std::unique_ptr<cairnly::CairnlyState> state_;
    RecordingView view_;
    std::function<void(const std::string&)> onStatus;
    mutable std::mutex statusMutex_;
    std::vector<std::string> statuses_;
};

}  // namespace engine_test
