#pragma once
// Lists folders ahead of the walk on the other cores. The walk still visits
// every folder itself, in its own order; it only finds many listings already
// read, so the system calls of a large tree are shared between the cores.
//
// Usage (walk thread only): Expect() the subfolders the walk will enter, in
// the order it will enter them, except the first, which the walk lists next
// itself; List() each folder when the walk gets there.
// A listing read ahead is as the folder was a moment earlier, which the walk
// cannot tell from a folder changed a moment later.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/files.h"

namespace cairnly {

class FolderLister {
  public:
    // helpers: threads that list ahead (0 lists everything on the walk thread).
    FolderLister(std::function<bool()> stopped, unsigned helpers);
    ~FolderLister();
    FolderLister(const FolderLister&) = delete;
    FolderLister& operator=(const FolderLister&) = delete;

    void Expect(const std::vector<std::string>& folders);
    // As platform::ReadFolder: the entries, and 0 or the error of the listing.
    int List(const std::string& folder, std::vector<platform::DirEntry>& entries);

  private:
    enum class Progress { Waiting, Listing, Listed };
    struct Listing {
        Progress progress = Progress::Waiting;
        int error = 0;
        std::vector<platform::DirEntry> entries;
    };

    void HelperLoop();
    bool TakeNext(std::string& folder);
    // With the lock held: claims the pending folder needed soonest.
    bool TakeWaiting(std::string& folder);
    void ListAhead(const std::string& folder);

    // Listings read ahead and not yet taken are bounded, so a wide tree does
    // not fill memory ahead of the walk.
    static constexpr std::size_t kMaxEntriesAhead = 65'536;

    std::function<bool()> stopped_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable listed_;
    // A stack: the walk goes depth first, so the folders expected last are
    // needed soonest, the first of them first. Helpers take from the back and
    // the walk takes over any it reaches before a helper did.
    std::vector<std::string> pending_;
    std::unordered_map<std::string, Listing> listings_;
    std::size_t entriesAhead_ = 0;
    bool quit_ = false;
    std::vector<std::thread> helpers_;
};

}  // namespace cairnly
