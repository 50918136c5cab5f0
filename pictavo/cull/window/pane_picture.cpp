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

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qint64 kPngChunkFrame = 12;  // length, type, and the check sum after the data
constexpr quint32 kPngLargestChunk = 0x7FFFFFFF;

// The most pixels one byte of a real file holds: a baseline JPEG spends at
// least one bit per 8 x 8 block; a deflated 1-bit PNG at most some 8,300
// pixels per byte.
constexpr qint64 kJpegPixelsPerByte = 1024;
constexpr qint64 kOtherPixelsPerByte = 16384;

quint32 BigEndian32(const char* bytes) {
    auto byte = [bytes](int i) {
        return static_cast<quint32>(static_cast<unsigned char>(bytes[i]));
    };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

DecodedPhoto Undecodable(const std::string& path) {
    DecodedPhoto photo;
    photo.missing = !platform::FileExists(path);
    return photo;
}

}  // namespace

bool PngChunksFitTheFile(const std::string& path) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly)) return true;  // the reader will say
    if (file.read(8) != QByteArray(kPngSignature, 8)) return true;
    const qint64 size = file.size();
    for (qint64 at = 8; at < size;) {
        char header[8];
        if (!file.seek(at) || file.read(header, 8) != 8) return true;  // a short tail
        quint32 length = BigEndian32(header);
        if (length > kPngLargestChunk || length > size - at - kPngChunkFrame) return false;
        if (QByteArray(header + 4, 4) == "IEND") return true;
        at += kPngChunkFrame + length;
    }
    return true;
}

bool PixelsFitTheFile(QSize declared, qint64 fileBytes, const QByteArray& format) {
    qint64 perByte = format == "jpeg" ? kJpegPixelsPerByte : kOtherPixelsPerByte;
    return qint64{declared.width()} * declared.height() <= std::max<qint64>(fileBytes, 0) * perByte;
}

QRect PaneFit::DrawRect() const {
    return QRect(static_cast<int>(x), 0, static_cast<int>(drawnWidth),
                 static_cast<int>(drawnHeight));
}

PaneFit FitIntoPane(double cw, double ch, double w, double h) {
    PaneFit fit;
    if (w > 0 && h > 0) {
        // Whichever side meets the pane first limits the size.
        if (cw * h <= ch * w) {
            fit.drawnWidth = cw;
            fit.drawnHeight = cw * h / w;
        } else {
            fit.drawnHeight = ch;
            fit.drawnWidth = ch * w / h;
        }
    }
    fit.x = cw / 2 - fit.drawnWidth / 2;
    return fit;
}

std::vector<QRect> UncoveredStrips(const PaneFit& fit, int cw, int ch) {
    int left = static_cast<int>(fit.x);
    int right = static_cast<int>(cw - fit.x);
    int top = static_cast<int>(fit.drawnHeight);
    std::vector<QRect> strips{QRect(0, 0, left, ch + 5), QRect(right, 0, cw, ch + 5),
                              QRect(0, top, cw, static_cast<int>(ch - fit.drawnHeight + 5))};
    std::erase_if(strips, [cw, ch](const QRect& strip) {
        return strip.isEmpty() || strip.left() >= cw || strip.top() >= ch;
    });
    return strips;
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

namespace {

// Opens the file for decoding when the reader recognises it and the size its
// header declares is one the file can hold.
bool OpenChecked(const std::string& path, QFile& file, QImageReader& reader) {
    // The PNG reader fills the buffer of a declared chunk before it finds the file short.
    if (!PngChunksFitTheFile(path)) return false;
    file.setFileName(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly)) return false;
    reader.setDevice(&file);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(kAllocationLimitMb);
    const QByteArray format = reader.format();
    return !format.isEmpty() && reader.size().isValid() &&
           PixelsFitTheFile(reader.size(), file.size(), format);
}

}  // namespace

DecodedPhoto DecodeForPane(const std::string& path, QSize pane, int orientation) {
    QFile file;
    QImageReader reader;
    if (!OpenChecked(path, file, reader)) return Undecodable(path);
    DecodedPhoto photo;
    QSize shown = ShownSize(reader.size(), orientation);
    PaneFit fit = FitIntoPane(pane.width(), pane.height(), shown.width(), shown.height());
    QSize drawn(std::max(1, static_cast<int>(fit.drawnWidth)),
                std::max(1, static_cast<int>(fit.drawnHeight)));
    reader.setScaledSize(SwapsSides(orientation) ? Transposed(drawn) : drawn);
    QImage stored = reader.read();
    if (stored.isNull()) return Undecodable(path);
    photo.picture = ApplyOrientation(stored, orientation);
    photo.fullSize = shown;
    return photo;
}

DecodedPhoto DecodeFullSize(const std::string& path, int orientation) {
    QFile file;
    QImageReader reader;
    if (!OpenChecked(path, file, reader)) return Undecodable(path);
    QImage stored = reader.read();
    if (stored.isNull()) return Undecodable(path);
    DecodedPhoto photo;
    photo.picture = ApplyOrientation(stored, orientation);
    photo.fullSize = photo.picture.size();
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
