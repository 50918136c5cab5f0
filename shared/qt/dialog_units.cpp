#include "shared/qt/dialog_units.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace shared {
namespace {

// a * b / c rounded half away from zero, as the platform's MulDiv.
int MulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : -((-p + half) / c));
}

}  // namespace

QSize DialogBaseUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int total = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    int baseWidth = (total + 26) / 52;
    if (baseWidth < 1) baseWidth = 1;
    int baseHeight = metrics.height();
    if (baseHeight < 1) baseHeight = 1;
    return QSize(baseWidth, baseHeight);
}

QRect DialogUnitsToPixels(QSize base, int x, int y, int width, int height) {
    return QRect(MulDiv(x, base.width(), 4), MulDiv(y, base.height(), 8),
                 MulDiv(width, base.width(), 4), MulDiv(height, base.height(), 8));
}

QRect DialogUnitsToPixels(const QFont& font, int x, int y, int width, int height) {
    return DialogUnitsToPixels(DialogBaseUnits(font), x, y, width, height);
}

int DialogUnitsToPixelsX(const QFont& font, int dluX) {
    return MulDiv(dluX, DialogBaseUnits(font).width(), 4);
}

int DialogUnitsToPixelsY(const QFont& font, int dluY) {
    return MulDiv(dluY, DialogBaseUnits(font).height(), 8);
}

QFont FontThatFits(const QFont& font, QSize designedUnits, QSize room, qreal pixelRatio) {
    // Text lower than this on the screen's own pixels is no longer read comfortably.
    constexpr int kLeastScreenPixels = 10;
    auto fits = [&](const QFont& f) {
        QSize size =
            DialogUnitsToPixels(f, 0, 0, designedUnits.width(), designedUnits.height()).size();
        return size.width() <= room.width() && size.height() <= room.height();
    };
    QFont fitted = font;
    while (!fits(fitted) && fitted.pointSizeF() > 1) {
        QFont smaller = fitted;
        smaller.setPointSizeF(fitted.pointSizeF() - 0.5);
        if (QFontMetrics(smaller).height() * pixelRatio < kLeastScreenPixels) break;
        fitted = smaller;
    }
    return fitted;
}

void FitDialogToScreen(QWidget& dialog, QSize designedUnits) {
    const QWidget* parent = dialog.parentWidget();
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QSize room = screen->availableGeometry().size();
    // The dialog gets a frame like its parent's (title bar and borders).
    if (parent && parent->isVisible()) room -= parent->frameGeometry().size() - parent->size();
    QFont fitted = FontThatFits(dialog.font(), designedUnits, room, screen->devicePixelRatio());
    if (fitted != dialog.font()) dialog.setFont(fitted);
}

void FitButtonTexts(const std::vector<QPushButton*>& buttons, const QFont& base) {
    QFont fitted = base;
    auto allFit = [&] {
        QFontMetrics metrics(fitted);
        return std::all_of(buttons.begin(), buttons.end(), [&](const QPushButton* button) {
            const int room =
                button->width() - 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
            return metrics.horizontalAdvance(button->text()) <= room;
        });
    };
    while (fitted.pointSizeF() > 4 && !allFit()) fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    for (QPushButton* button : buttons) button->setFont(fitted == base ? QFont() : fitted);
}

}  // namespace shared
