#pragma once
// Decoding a photo straight to the size its pane shows it at, turning it
// upright, and composing the pane's picture with the white strips.
#include <QImage>
#include <QRect>
#include <QSize>
#include <string>
#include <vector>

namespace pictavo::display {

// Where a picture of w x h goes in a pane of cw x ch: portrait and square fill
// the height and are centred; landscape fills the width and sits at the top
// (its bottom is cut off when that makes it taller than the pane).
struct PaneFit {
    bool portrait = false;
    double x = 0, drawnWidth = 0, drawnHeight = 0;
    QRect DrawRect() const;  // every value truncated toward zero
};
PaneFit FitIntoPane(double cw, double ch, double w, double h);

// The parts of the pane the picture leaves uncovered, filled white.
std::vector<QRect> UncoveredStrips(const PaneFit& fit, int cw, int ch);

// The size a picture of stored size has once an EXIF orientation is applied.
QSize ShownSize(QSize stored, int orientation);
QImage ApplyOrientation(const QImage& image, int orientation);

struct DecodedPhoto {
    QImage picture;        // already upright and at the drawn size; null when undecodable
    QSize fullSize{0, 0};  // the whole photo's size as shown; 0 x 0 when undecodable
    bool missing = false;  // the file no longer exists
};
// Decodes the file scaled to the pane (JPEG via DCT scaling), never at full
// size unless the format cannot scale while decoding.
DecodedPhoto DecodeForPane(const std::string& path, QSize pane, int orientation);

// The pane's whole picture: white, with the photo drawn by the fit rule.
QImage ComposePane(const DecodedPhoto& photo, QSize pane);

}  // namespace pictavo::display
