#pragma once
// Decoding a photo straight to the size its pane shows it at, turning it
// upright, and composing the pane's picture with the white strips.
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <string>
#include <vector>

namespace pictavo::display {

// Where a picture of w x h goes in a pane of cw x ch: as large as fits whole
// (a culling view must never hide part of a photo), centred across and at the
// top. A portrait photo thus fills the height of a wide pane, a landscape one
// the width of a tall pane.
struct PaneFit {
    double x = 0, drawnWidth = 0, drawnHeight = 0;
    QRect DrawRect() const;  // every value truncated toward zero
};
PaneFit FitIntoPane(double cw, double ch, double w, double h);

// The parts of the pane the picture leaves uncovered (the strips left and
// right of it and the one below), filled white; empty strips are left out.
std::vector<QRect> UncoveredStrips(const PaneFit& fit, int cw, int ch);

// The size a picture of stored size has once an EXIF orientation is applied.
QSize ShownSize(QSize stored, int orientation);
QImage ApplyOrientation(const QImage& image, int orientation);

struct DecodedPhoto {
    QImage picture;        // already upright and at the drawn size; null when undecodable
    QSize fullSize{0, 0};  // the whole photo's size as shown; 0 x 0 when undecodable
    bool missing = false;  // the file no longer exists
};
// Whether the sizes a file's header declares can be true of a file this long:
// every PNG chunk ends inside the file (files of other kinds pass), and the
// declared picture needs no more pixels per byte than a real file of the
// format (as QImageReader names it) can pack.
bool PngChunksFitTheFile(const std::string& path);
bool PixelsFitTheFile(QSize declared, qint64 fileBytes, const QByteArray& format);

// Decodes the file scaled to the pane (JPEG via DCT scaling), never at full
// size unless the format cannot scale while decoding. A file whose header
// declares more than it can hold counts as undecodable, so it cannot keep a
// decoder busy for seconds.
DecodedPhoto DecodeForPane(const std::string& path, QSize pane, int orientation);
// The same checks, then every pixel: one image pixel per screen pixel.
DecodedPhoto DecodeFullSize(const std::string& path, int orientation);

// The pane's whole picture: white, with the photo drawn by the fit rule.
QImage ComposePane(const DecodedPhoto& photo, QSize pane);

}  // namespace pictavo::display
