#include "pictavo/cull/window/pane_picture_cache.h"

#include <sys/stat.h>

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace pictavo {
namespace {

// The pair's two decodes and one look-ahead run side by side.
constexpr int kHelperThreads = 3;
// Full-size decodes take their own threads: a long one never holds up the
// next pair's fitted pictures, which the window waits for.
constexpr int kFullSizeThreads = 2;

}  // namespace

PaneContent LoadPaneContent(const std::string& path, QSize client) {
    PaneContent content;
    if (!client.isValid()) {
        content.photo = display::DecodeFullSize(path, ReadOrientation(path).value_or(0));
        content.picture = content.photo.picture;
        return content;
    }
    content.photo = display::DecodeForPane(path, client, ReadOrientation(path).value_or(0));
    content.picture = display::ComposePane(content.photo, client);
    if (!content.photo.missing) content.metadata = ReadRatingAndDescription(path);
    return content;
}

PaneKey KeyNow(const std::string& path, QSize pane) {
    PaneKey key;
    key.path = path;
    key.pane = pane;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return key;
    key.device = static_cast<std::uint64_t>(info.st_dev);
    key.inode = static_cast<std::uint64_t>(info.st_ino);
    key.bytes = static_cast<std::int64_t>(info.st_size);
    key.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                     static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    return key;
}

PanePictureCache::PanePictureCache() {
    pool_.setMaxThreadCount(kHelperThreads);
    fullSizePool_.setMaxThreadCount(kFullSizeThreads);
}

PanePictureCache::~PanePictureCache() {
    // The pool waits for decodes already running; queued ones skip their work.
    Clear();
}

QFuture<PaneContent> PanePictureCache::Get(const PaneKey& key, bool& fromCache) {
    auto kept = std::find_if(entries_.begin(), entries_.end(),
                             [&key](const Entry& entry) { return entry.key == key; });
    fromCache = kept != entries_.end();
    return fromCache ? kept->content : Start(key).content;
}

void PanePictureCache::Prefetch(const PaneKey& key) {
    bool kept = std::any_of(entries_.begin(), entries_.end(),
                            [&key](const Entry& entry) { return entry.key == key; });
    if (!kept) Start(key);
}

void PanePictureCache::KeepOnly(const std::vector<PaneKey>& keys) {
    std::erase_if(entries_, [this, &keys](Entry& entry) {
        if (std::find(keys.begin(), keys.end(), entry.key) != keys.end()) return false;
        Drop(entry);
        return true;
    });
}

void PanePictureCache::DropPath(const std::string& path) {
    std::erase_if(entries_, [this, &path](Entry& entry) {
        if (entry.key.path != path) return false;
        Drop(entry);
        return true;
    });
}

PanePictureCache::Entry& PanePictureCache::Start(const PaneKey& key) {
    auto dropped = std::make_shared<std::atomic<bool>>(false);
    // Everything the helper needs is copied in: it reaches no widget or state.
    QFuture<PaneContent> content = QtConcurrent::run(
        key.pane.isValid() ? &pool_ : &fullSizePool_, [path = key.path, pane = key.pane, dropped] {
            return *dropped ? PaneContent{} : LoadPaneContent(path, pane);
        });
    entries_.push_back({key, content, dropped});
    return entries_.back();
}

void PanePictureCache::Drop(Entry& entry) { *entry.dropped = true; }

}  // namespace pictavo
