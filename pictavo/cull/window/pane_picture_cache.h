#pragma once
// The panes' pictures decoded on helper threads: those of the shown pair and
// of the photo the next step forward (or a cull) brings in, so that step
// draws at once. Helpers touch no widget; the user-interface thread owns the
// cache and takes finished pictures from it.
#include <QFuture>
#include <QImage>
#include <QSize>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/cull/window/pane_picture.h"

namespace pictavo {

// What a pane shows, prepared without touching any widget. For an invalid
// pane size: the upright photo at full size alone, without its metadata.
struct PaneContent {
    display::DecodedPhoto photo;
    QImage picture;  // the whole pane
    std::optional<RatingAndDescription> metadata;
};
PaneContent LoadPaneContent(const std::string& path, QSize client);

// A file as it is on disk now, at a pane size. A picture is reused only for an
// equal key: a rotated, replaced or moved file, or another size, decodes anew.
struct PaneKey {
    std::string path;
    std::uint64_t device = 0, inode = 0;
    std::int64_t bytes = -1;  // -1: the file is not there
    std::int64_t modifiedNs = 0;
    QSize pane;
    bool operator==(const PaneKey&) const = default;
};
PaneKey KeyNow(const std::string& path, QSize pane);
inline PaneKey FullSizeKeyNow(const std::string& path) { return KeyNow(path, QSize()); }

class PanePictureCache {
  public:
    PanePictureCache();
    ~PanePictureCache();
    PanePictureCache(const PanePictureCache&) = delete;
    PanePictureCache& operator=(const PanePictureCache&) = delete;

    // The kept or running decode for the key, or a new one on a helper thread.
    // fromCache tells which.
    QFuture<PaneContent> Get(const PaneKey& key, bool& fromCache);
    // Starts decoding in the background unless the key is kept already.
    void Prefetch(const PaneKey& key);
    // Drops every picture but those of these keys.
    void KeepOnly(const std::vector<PaneKey>& keys);
    void DropPath(const std::string& path);
    void Clear() { KeepOnly({}); }
    std::size_t Size() const { return entries_.size(); }

  private:
    struct Entry {
        PaneKey key;
        QFuture<PaneContent> content;
        std::shared_ptr<std::atomic<bool>> dropped;  // a queued decode then skips its work
    };
    Entry& Start(const PaneKey& key);
    void Drop(Entry& entry);

    QThreadPool pool_;
    QThreadPool fullSizePool_;
    std::vector<Entry> entries_;
};

}  // namespace pictavo
