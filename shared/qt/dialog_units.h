#pragma once
// Dialog units to pixels, as the dialogs' platform converts them: with the
// dialog's font, base width = average advance of "A".."Z" and "a".."z"
// (the total divided by 52, rounded), base height = the font's height;
// x px = dlu * baseW / 4, y px = dlu * baseH / 8 (rounded to nearest).
#include <QFont>
#include <QRect>
#include <QSize>

namespace shared {

// (base width, base height) of the font.
QSize DialogBaseUnits(const QFont& font);
int DialogUnitsToPixelsX(const QFont& font, int dluX);
int DialogUnitsToPixelsY(const QFont& font, int dluY);
QRect DialogUnitsToPixels(const QFont& font, int x, int y, int width, int height);
// The same conversion from known base units (no font needed).
QRect DialogUnitsToPixels(QSize baseUnits, int x, int y, int width, int height);

}  // namespace shared
