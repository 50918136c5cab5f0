#include "pictavo/catalogue/pictavo_state.h"

#include <chrono>

namespace pictavo {

void NullPictavoView::PumpEvents(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

PictavoState::PictavoState(SettingsRecord& settingsRecord, shared::DesktopServices& desktop,
                           std::int32_t capacity, std::int32_t undeleteCapacity)
    : settings(settingsRecord),
      services(desktop),
      catalogue(capacity),
      undeleteStack(undeleteCapacity),
      view_(nullptr) {}

PictavoState::~PictavoState() {
    loader.RequestStop();
    loader.Join();
}

void PictavoState::SetView(PictavoView* view) { view_.store(view); }

PictavoView& PictavoState::View() const {
    PictavoView* view = view_.load();
    return view ? *view : nullView_;
}

}  // namespace pictavo
