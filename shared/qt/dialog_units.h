#pragma once
// Dialog units to pixels, as the dialogs' platform converts them: with the
// dialog's font, base width = average advance of "A".."Z" and "a".."z"
// (the total divided by 52, rounded), base height = the font's height;
// x px = dlu * baseW / 4, y px = dlu * baseH / 8 (rounded to nearest).
#include <QFont>
#include <QRect>
#include <QSize>
#include <vector>

namespace shared {

// (base width, base height) of the font.
QSize DialogBaseUnits(const QFont& font);
int DialogUnitsToPixelsX(const QFont& font, int dluX);
int DialogUnitsToPixelsY(const QFont& font, int dluY);
QRect DialogUnitsToPixels(const QFont& font, int x, int y, int width, int height);
// The same conversion from known base units (no font needed).
QRect DialogUnitsToPixels(QSize baseUnits, int x, int y, int width, int height);

// The font, made smaller where needed, at which a dialog designed at
// designedUnits (dialog units) fits into room: a small screen, or a large
// scale factor, must not push the dialog's buttons off the screen. The font
// itself when the dialog fits already; never lower than 10 of the screen's own
// pixels (pixelRatio of them to a logical pixel), fitting or not.
QFont FontThatFits(const QFont& font, QSize designedUnits, QSize room, qreal pixelRatio = 1);

}  // namespace shared

class QPushButton;
class QWidget;

namespace shared {

// Gives the dialog the font FontThatFits finds for the room it has on its
// parent's screen (the available area less a frame like the parent's); a
// dialog that fits keeps the font it inherits.
void FitDialogToScreen(QWidget& dialog, QSize designedUnits);

// Gives a row of buttons (narrowed by a small screen) the largest font, from
// base down in half points to 4, at which every text fits inside its button,
// so that each stays whole; a font equal to base is left inherited.
void FitButtonTexts(const std::vector<QPushButton*>& buttons, const QFont& base);

}  // namespace shared
