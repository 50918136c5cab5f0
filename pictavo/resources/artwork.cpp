#include "pictavo/resources/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>

namespace pictavo::artwork {
namespace {

const QColor kDeepBlue(28, 74, 122);
const QColor kSky(104, 168, 222);
const QColor kAmber(240, 170, 60);

QPixmap Blank(QSize size) {
    QPixmap pixmap(size.expandedTo(QSize(1, 1)));
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// Two overlapping photo frames: the pair Pictavo compares.
void DrawFrames(QPainter& p, double side) {
    p.setPen(QPen(Qt::white, side / 24));
    p.setBrush(kSky);
    p.drawRoundedRect(QRectF(side * 0.10, side * 0.18, side * 0.52, side * 0.58), side / 16,
                      side / 16);
    p.setBrush(kAmber);
    p.drawRoundedRect(QRectF(side * 0.38, side * 0.26, side * 0.52, side * 0.58), side / 16,
                      side / 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(side * 0.74, side * 0.42), side * 0.07, side * 0.07);
    QPolygonF hill({QPointF(side * 0.42, side * 0.80), QPointF(side * 0.60, side * 0.52),
                    QPointF(side * 0.86, side * 0.80)});
    p.drawPolygon(hill);
}

void DrawBanner(QPixmap& pixmap, const QString& text, bool reversed) {
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, pixmap.width(), 0);
    gradient.setColorAt(reversed ? 1 : 0, kDeepBlue);
    gradient.setColorAt(reversed ? 0 : 1, kSky);
    p.fillRect(pixmap.rect(), gradient);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(std::max(8, pixmap.height() * 5 / 10));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(pixmap.rect().adjusted(pixmap.height() / 2, 0, 0, 0),
               Qt::AlignVCenter | Qt::AlignLeft, text);
}

}  // namespace

QPixmap ProgramIconPixmap(int side) {
    QPixmap pixmap = Blank(QSize(side, side));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kDeepBlue);
    p.drawRoundedRect(QRectF(0, 0, side, side), side / 6.0, side / 6.0);
    DrawFrames(p, side);
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ProgramIconPixmap(side));
    return icon;
}

QPixmap UpperBanner(QSize size) {
    QPixmap pixmap = Blank(size);
    DrawBanner(pixmap, "Pictavo photo folder", false);
    return pixmap;
}

QPixmap LowerBanner(QSize size) {
    QPixmap pixmap = Blank(size);
    DrawBanner(pixmap, "Culled photos", true);
    return pixmap;
}

QPixmap ExportBanner(QSize size, int which) {
    static const char* const kTitles[] = {"Export destination", "What to export",
                                          "Export progress"};
    QPixmap pixmap = Blank(size);
    DrawBanner(pixmap, kTitles[std::clamp(which, 0, 2)], which == 1);
    return pixmap;
}

QPixmap LandscapePicture(QSize size) {
    QPixmap pixmap = Blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = pixmap.width(), h = pixmap.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(250, 214, 150));
    sky.setColorAt(0.6, QColor(200, 226, 245));
    p.fillRect(pixmap.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 180));
    p.drawEllipse(QPointF(w * 0.78, h * 0.30), h * 0.12, h * 0.12);
    p.setBrush(QColor(92, 124, 150));
    p.drawPolygon(QPolygonF({QPointF(0, h), QPointF(w * 0.28, h * 0.38), QPointF(w * 0.55, h)}));
    p.setBrush(QColor(60, 96, 124));
    p.drawPolygon(QPolygonF(
        {QPointF(w * 0.30, h), QPointF(w * 0.62, h * 0.46), QPointF(w, h * 0.9), QPointF(w, h)}));
    QPainterPath lake;
    lake.addRect(QRectF(0, h * 0.86, w, h * 0.14));
    p.fillPath(lake, QColor(70, 130, 180, 200));
    return pixmap;
}

}  // namespace pictavo::artwork
