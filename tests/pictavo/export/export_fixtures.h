#pragma once
// Temporary photo trees for the export tests: small JPEGs and PNGs with
// Exiv2-written dates taken and ratings, and a private HOME.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace pictavo::testing {

// A temporary folder removed with everything in it; HOME and the XDG folders
// point into it while it lives.
class TempHome {
  public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
    std::string LogText() const;  // today's Pictavo log, "" when none

  private:
    std::string root_;
    std::optional<std::string> oldHome_;
};

// Creates every missing folder of path's parent chain and path itself.
void MakeFolders(const std::string& path);
// A small JPEG whose pixels depend on seed, so two seeds give two different files.
void WriteJpeg(const std::string& path, int seed = 0);
void WritePng(const std::string& path);
// Writes EXIF DateTimeOriginal and/or XMP xmp:Rating with Exiv2.
void TagPhoto(const std::string& path, const std::optional<std::string>& dateTaken,
              const std::optional<std::string>& rating = std::nullopt);
void SetWriteTime(const std::string& path, std::int64_t unixSeconds);
std::int64_t WriteTimeOf(const std::string& path);
std::int64_t AccessTimeOf(const std::string& path);
std::string ReadAll(const std::string& path);
// Regular files below folder, as paths relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& folder);

// Holds a worker inside a fault hook until the test lets it go.
class Gate {
  public:
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void WaitUntilEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::seconds(60), [this] { return entered_; }))
            ADD_FAILURE() << "the worker never reached the gate";
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

}  // namespace pictavo::testing
