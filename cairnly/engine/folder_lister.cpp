#include "cairnly/engine/folder_lister.h"

namespace cairnly {

FolderLister::FolderLister(std::function<bool()> stopped, unsigned helpers)
    : stopped_(std::move(stopped)) {
    for (unsigned i = 0; i < helpers; ++i) helpers_.emplace_back([this] { HelperLoop(); });
}

FolderLister::~FolderLister() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    work_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
}

void FolderLister::Expect(const std::vector<std::string>& folders) {
    if (helpers_.empty() || folders.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Reversed: the back of the stack is what the walk needs soonest.
        for (auto it = folders.rbegin(); it != folders.rend(); ++it)
            if (listings_.try_emplace(*it).second) pending_.push_back(*it);
    }
    work_.notify_all();
}

int FolderLister::List(const std::string& folder, std::vector<platform::DirEntry>& entries) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        auto it = listings_.find(folder);
        if (it == listings_.end() || it->second.progress == Progress::Waiting) {
            // Not started: the walk lists it now, and no helper will.
            if (it != listings_.end()) listings_.erase(it);
            lock.unlock();
            return platform::ReadFolder(folder, entries);
        }
        if (it->second.progress == Progress::Listed) {
            const int error = it->second.error;
            entries = std::move(it->second.entries);
            entriesAhead_ -= entries.size();
            listings_.erase(it);
            lock.unlock();
            work_.notify_all();  // room ahead again
            return error;
        }
        // A helper is listing it: rather than wait, list the next one meanwhile.
        std::string next;
        if (entriesAhead_ < kMaxEntriesAhead && TakeWaiting(next)) {
            lock.unlock();
            ListAhead(next);
            lock.lock();
        } else {
            listed_.wait(lock, [&] { return it->second.progress == Progress::Listed; });
        }
    }
}

bool FolderLister::TakeWaiting(std::string& folder) {
    while (!pending_.empty()) {
        folder = std::move(pending_.back());
        pending_.pop_back();
        auto it = listings_.find(folder);
        if (it == listings_.end() || it->second.progress != Progress::Waiting) continue;
        it->second.progress = Progress::Listing;
        return true;
    }
    return false;
}

void FolderLister::ListAhead(const std::string& folder) {
    std::vector<platform::DirEntry> entries;
    const int error = stopped_() ? 0 : platform::ReadFolder(folder, entries);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Listing& listing = listings_.at(folder);  // only the walk erases, once listed
        listing.progress = Progress::Listed;
        listing.error = error;
        entriesAhead_ += entries.size();
        listing.entries = std::move(entries);
    }
    listed_.notify_all();
}

// The pending folder the walk needs soonest, when there is room ahead; false
// when the lister closes.
bool FolderLister::TakeNext(std::string& folder) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_.wait(
            lock, [&] { return quit_ || (!pending_.empty() && entriesAhead_ < kMaxEntriesAhead); });
        if (quit_) return false;
        if (TakeWaiting(folder)) return true;
    }
}

void FolderLister::HelperLoop() {
    std::string folder;
    while (TakeNext(folder)) ListAhead(folder);
}

}  // namespace cairnly
