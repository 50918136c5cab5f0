#include "cairnly/pages/headless_scan_view.h"

#include <chrono>
#include <thread>

#include "cairnly/engine/scan_engine.h"

namespace cairnly::pages {

void HeadlessScanView::ShowPage(int page) {
    shown_.store(page);
    pages_.PageShown(page, *this);
}

void HeadlessScanView::Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool RunScanToEnd(CairnlyState& state, HeadlessScanView& view) {
    if (!StartScan(state, view)) return false;
    state.Scan.Join([&view](int milliseconds) { view.Pause(milliseconds); });
    return true;
}

}  // namespace cairnly::pages
