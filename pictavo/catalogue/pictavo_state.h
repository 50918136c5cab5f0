#pragma once
// Pictavo's process-wide state: the catalogue, the displayed pair, the undelete
// stack, the loading thread's flags and the references every operation needs.
// Created once by main and passed by reference.
#include <atomic>
#include <cstdint>
#include <string>

#include "pictavo/catalogue/catalogue.h"
#include "pictavo/catalogue/pictavo_view.h"
#include "pictavo/catalogue/undelete_stack.h"
#include "pictavo/cull/photo_store_journal.h"
#include "pictavo/settings/settings_record.h"
#include "shared/desktop_services.h"
#include "shared/single_worker.h"

namespace pictavo {

class PictavoState {
  public:
    PictavoState(SettingsRecord& settings, shared::DesktopServices& services,
                 std::int32_t capacity = Catalogue::kUnlimited,
                 std::int32_t undeleteCapacity = UndeleteStack::kUnlimited);
    // Asks a running loading thread to stop and joins it; the view must no
    // longer block by then (see StopLoading).
    ~PictavoState();
    PictavoState(const PictavoState&) = delete;
    PictavoState& operator=(const PictavoState&) = delete;

    SettingsRecord& settings;
    shared::DesktopServices& services;

    Catalogue catalogue;
    // Positions shown in the left and right pane; −1 is an empty pane.
    std::atomic<std::int32_t> leftIndex{0};
    std::atomic<std::int32_t> rightIndex{0};
    UndeleteStack undeleteStack;
    // The store of culled photos, with a trailing '/'; set by CreateStoreFolder.
    std::string storeFolder;
    // Where the store's photos came from; the loading thread adds those below
    // the photo folder to the catalogue, culled, and rebuilds the undelete stack.
    StoreJournal storeJournal;

    // Set when a loading thread has finished; stays set for the run.
    std::atomic<bool> catalogueReady{false};
    // Cleared the first time the early pair is shown; never set again.
    std::atomic<bool> firstPairPending{true};
    // The photo folder changed, or the last scan found no photos.
    std::atomic<bool> reloadPending{false};

    // Numbers the folders of one scan; used by the loading thread only.
    std::int32_t folderCounter = 0;
    // The photo folder being scanned; loading thread only.
    std::string scanFolder;

    // The window installs itself here once it exists; never null (a view that
    // shows nothing stands in).
    void SetView(PictavoView* view);
    PictavoView& View() const;

    // The loading thread. Busy() while it may still call the view; its stop
    // request (set for good by StopLoading when the window closes) is what the
    // walk and the sort poll.
    shared::SingleWorker loader;

  private:
    std::atomic<PictavoView*> view_;
    mutable NullPictavoView nullView_;
};

}  // namespace pictavo
