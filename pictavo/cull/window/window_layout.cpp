#include "pictavo/cull/window/window_layout.h"

#include <Qt>
#include <algorithm>

namespace pictavo {
namespace {

QSize LeastSizeFor(QSize bottomButton) {
    // Seven slots of button width + 5: below it the buttons would have to narrow.
    constexpr int kLeastPaneHeight = 100;
    return QSize(7 * (bottomButton.width() + 5) + 30, 120 + kLeastPaneHeight);
}

QRect BottomSlot(int slot, QSize client, QSize button) {
    double slotWidth = std::max(button.width() + 5.0, (client.width() - 30) / 7.0);
    if (client.width() < LeastSizeFor(button).width()) {
        // A window held below its least width by a small screen (large scale
        // factors): the buttons narrow so that Exit stays on the screen.
        slotWidth = std::max(6.0, (client.width() - 30) / 7.0);
        button.setWidth(static_cast<int>(slotWidth) - 5);
    }
    int x = static_cast<int>(slot * slotWidth + 15 + (slotWidth - button.width()) / 2);
    return QRect(QPoint(x, client.height() - button.height() - 15), button);
}

}  // namespace

std::map<int, QRect> LayOut(QSize client, const LayoutMetrics& m) {
    const int w = client.width(), h = client.height(), mid = w / 2;
    const int bw = m.cullButton.width(), bh = m.cullButton.height();
    std::map<int, QRect> rects;
    for (int slot = 0; slot < 7; ++slot)
        rects[kBottomRow[slot]] = BottomSlot(slot, client, m.bottomButton);
    rects[ids::kLeftPane] = QRect(0, 0, mid - 2, h - 120);
    rects[ids::kRightPane] = QRect(mid + 2, 0, mid - 2, h - 120);
    rects[ids::kDeleteLeft] = QRect(QPoint(mid - 2 - bw, h - 116), m.cullButton);
    rects[ids::kPrevious] = QRect(QPoint(mid - 2 - bw, h - 112 + bh), m.cullButton);
    rects[ids::kDeleteRight] = QRect(QPoint(mid + 2, h - 116), m.cullButton);
    rects[ids::kNext] = QRect(QPoint(mid + 2, h - 112 + bh), m.cullButton);
    rects[ids::kLeftCaption] = QRect(0, h - 116, mid - bw - 6, m.captionHeight);
    // Ends at the window's edge, mirroring the left caption, so no text is cut off.
    const int rightCaptionLeft = mid + bw + 6;
    rects[ids::kRightCaption] =
        QRect(rightCaptionLeft, h - 116, w - rightCaptionLeft, m.captionHeight);
    rects[ids::kStatus] =
        QRect(m.statusLeft, h - m.bottomButton.height() - 35, w - 40, m.statusHeight);
    return rects;
}

QSize MinimumClientSize(const LayoutMetrics& m) { return LeastSizeFor(m.bottomButton); }

KeyAction ActionForKey(int key, bool shift) {
    switch (key) {
        case Qt::Key_PageUp:
            return shift ? KeyAction::PreviousYear : KeyAction::PreviousMonth;
        case Qt::Key_PageDown:
            return shift ? KeyAction::NextYear : KeyAction::NextMonth;
        case Qt::Key_Home:
            return KeyAction::Home;
        case Qt::Key_Left:
            return KeyAction::StepBack;
        case Qt::Key_Right:
            return KeyAction::StepForward;
        case Qt::Key_A:
            return KeyAction::CullLeft;
        case Qt::Key_S:
            return KeyAction::CullRight;
        case Qt::Key_Q:
            return KeyAction::RotateLeft;
        case Qt::Key_W:
            return KeyAction::RotateRight;
        default:
            return KeyAction::None;
    }
}

}  // namespace pictavo
