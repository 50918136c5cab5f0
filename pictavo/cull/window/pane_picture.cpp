#include "pictavo/cull/window/pane_picture.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTransform>
#include <algorithm>

#include "platform/files.h"

namespace pictavo::display {
namespace {

bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

QSize Transposed(QSize size) { return QSize(size.height(), size.width()); }

QImage Rotated(const QImage& image, int degrees) {
    return image.transformed(QTransform().rotate(degrees));
}

// A 200-megapixel PNG must still decode (it cannot be scaled while decoding).
constexpr int kAllocationLimitMb = 1024;

}  // namespace

QRect PaneFit::DrawRect() const {
    return QRect(static_cast<int>(x), 0, static_cast<int>(drawnWidth),
                 static_cast<int>(drawnHeight));
}

PaneFit FitIntoPane(double cw, double ch, double w, double h) {
    PaneFit fit;
    fit.portrait = h >= w;
    if (fit.portrait) {
        fit.drawnHeight = ch;
        fit.drawnWidth = h > 0 ? ch * w / h : 0;
    } else {
        fit.drawnWidth = cw;
        fit.drawnHeight = cw * h / w;
    }
    fit.x = cw / 2 - fit.drawnWidth / 2;
    return fit;
}

std::vector<QRect> UncoveredStrips(const PaneFit& fit, int cw, int ch) {
    if (fit.portrait) {
        int left = static_cast<int>(fit.x);
        int right = static_cast<int>(cw - fit.x);
        return {QRect(0, 0, left, ch + 5), QRect(right, 0, cw, ch + 5)};
    }
    int top = static_cast<int>(fit.drawnHeight);
    return {QRect(0, top, cw, static_cast<int>(ch - fit.drawnHeight + 5))};
}

QSize ShownSize(QSize stored, int orientation) {
    return SwapsSides(orientation) ? Transposed(stored) : stored;
}

QImage ApplyOrientation(const QImage& image, int orientation) {
    switch (orientation) {
        case 2:
            return image.mirrored(true, false);
        case 3:
            return Rotated(image, 180);
        case 4:
            return image.mirrored(false, true);
        case 5:
            return Rotated(image, 90).mirrored(true, false);
        case 6:
            return Rotated(image, 90);
        case 7:
            return Rotated(image, 270).mirrored(true, false);
        case 8:
            return Rotated(image, 270);
        default:
            return image;
    }
}

DecodedPhoto DecodeForPane(const std::string& path, QSize pane, int orientation) {
    DecodedPhoto photo;
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)));
    reader.setAutoTransform(false);
    reader.setAllocationLimit(kAllocationLimitMb);
    // Only an image the reader recognises has a size worth scaling to.
    if (reader.format().isEmpty() || !reader.size().isValid()) {
        photo.missing = !platform::FileExists(path);
        return photo;
    }
    QSize shown = ShownSize(reader.size(), orientation);
    PaneFit fit = FitIntoPane(pane.width(), pane.height(), shown.width(), shown.height());
    QSize drawn(std::max(1, static_cast<int>(fit.drawnWidth)),
                std::max(1, static_cast<int>(fit.drawnHeight)));
    reader.setScaledSize(SwapsSides(orientation) ? Transposed(drawn) : drawn);
    QImage stored = reader.read();
    if (stored.isNull()) {
        photo.missing = !platform::FileExists(path);
        return photo;
    }
    photo.picture = ApplyOrientation(stored, orientation);
    photo.fullSize = shown;
    return photo;
}

QImage ComposePane(const DecodedPhoto& photo, QSize pane) {
    QImage canvas(pane.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    // An undecodable or missing photo leaves the pane white.
    if (photo.picture.isNull() || photo.fullSize.isEmpty()) return canvas;
    PaneFit fit =
        FitIntoPane(pane.width(), pane.height(), photo.fullSize.width(), photo.fullSize.height());
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(fit.DrawRect(), photo.picture);
    for (const QRect& strip : UncoveredStrips(fit, pane.width(), pane.height()))
        painter.fillRect(strip, Qt::white);
    return canvas;
}

}  // namespace pictavo::display
