#include "shared/qt/dialog_units.h"

#include <QFontMetrics>
#include <QString>

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

}  // namespace shared
