#pragma once
// What the catalogue, navigation and store logic need from Pictavo's window.
// The Qt window implements it; tests replace it with a recording fake.
//
// Threads: EnableCullingControls, DrawPair and WarnNoPhotos are also called
// from the loading thread; an implementation runs them on the user-interface
// thread and returns when they are done. PumpEvents is only called on the
// user-interface thread. Status texts go through DesktopServices::SetStatus.
#include <cstdint>
#include <string>

namespace pictavo {

class PictavoView {
  public:
    virtual ~PictavoView() = default;

    // Export, delete left, delete right, previous and next, together.
    virtual void EnableCullingControls(bool enabled) = 0;
    // Undelete button: enabled exactly while the undelete stack is not empty.
    virtual void SetUndeleteEnabled(bool enabled) = 0;

    // Draws the left pane from `left`, then the right pane from `right`. A
    // position outside 0..count-1 hides its pane and empties its caption.
    // When recordStartPosition is true the logic has already copied the left
    // photo's time into the settings' start position.
    virtual void DrawPair(std::int32_t left, std::int32_t right, bool recordStartPosition) = 0;

    // Modal box owned by the main window: caption "Pictavo", warning icon, the
    // given text, OK. Returns when the user dismissed it.
    virtual void WarnNoPhotos(const std::string& text) = 0;
    // Posts the Configuration command (4) to the main window; returns at once.
    virtual void PostConfigurationCommand() = 0;

    // Keeps the window alive while the user-interface thread waits for the
    // loading thread: handle pending events for about this many milliseconds.
    virtual void PumpEvents(int milliseconds) = 0;
};

// A view that shows nothing (headless scans, before the window exists).
class NullPictavoView : public PictavoView {
  public:
    void EnableCullingControls(bool) override {}
    void SetUndeleteEnabled(bool) override {}
    void DrawPair(std::int32_t, std::int32_t, bool) override {}
    void WarnNoPhotos(const std::string&) override {}
    void PostConfigurationCommand() override {}
    void PumpEvents(int milliseconds) override;
};

}  // namespace pictavo
