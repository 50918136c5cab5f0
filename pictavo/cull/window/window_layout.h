#pragma once
// The main window's control ids, its layout on every size change and the key
// table. Pure arithmetic, so it can be checked number by number.
#include <QRect>
#include <QSize>
#include <map>

namespace pictavo {

namespace ids {
constexpr int kLeftPane = 1038, kRightPane = 1039;
constexpr int kLeftCaption = 1027, kRightCaption = 1030;
constexpr int kDeleteLeft = 1028, kDeleteRight = 1029, kPrevious = 1031, kNext = 1032;
constexpr int kStatus = 1026;
constexpr int kFindDuplicates = 6, kUndelete = 3, kConfiguration = 4, kExport = 5, kHelp = 7;
constexpr int kAbout = 1025, kExit = 1024;
}  // namespace ids

// The bottom row in slot order.
constexpr int kBottomRow[7] = {
    ids::kFindDuplicates, ids::kUndelete, ids::kConfiguration, ids::kExport,
    ids::kHelp,           ids::kAbout,    ids::kExit};

// Sizes the layout keeps, in pixels (converted from the designed dialog units).
struct LayoutMetrics {
    QSize bottomButton;  // every button of the bottom row
    QSize cullButton;    // "delete left" and its three neighbours
    int captionHeight = 0;
    int statusLeft = 0;
    int statusHeight = 0;
};

// Control id -> geometry for a client area of the given size.
std::map<int, QRect> LayOut(QSize client, const LayoutMetrics& metrics);

// The least client size at which the buttons of the bottom row keep their
// sizes, 5 pixels apart, and the photo panes a useful height. A narrower
// window (a screen too small for it) gets narrower bottom buttons, so every
// control stays inside.
QSize MinimumClientSize(const LayoutMetrics& metrics);

enum class KeyAction {
    None,
    PreviousMonth,
    PreviousYear,
    NextMonth,
    NextYear,
    Home,
    StepBack,
    StepForward,
    CullLeft,
    CullRight,
    RotateLeft,
    RotateRight,
};

// The culling keys by Qt key code; letters regardless of Shift and Caps Lock.
KeyAction ActionForKey(int key, bool shift);

}  // namespace pictavo
