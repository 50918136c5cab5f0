#pragma once
// Quarter turns clockwise that keep as much of a file as its format allows.
// Each answers false when the data is not of a kind it handles; the caller
// then falls back to a plain decode, turn and re-encode.
#include <vector>

namespace pictavo {

using TurnBytes = std::vector<unsigned char>;

// Lossless turn of JPEG data, keeping every marker; false when the picture's
// height is not a whole number of MCUs (the partial row would become the left
// edge, and no block grid can hold that) or the data is not a JPEG.
bool TurnJpegLosslessly(const TurnBytes& jpeg, TurnBytes& out);

// Re-encodes the turned component planes as stored (no colour conversion, no
// resampling) with the source's quantisation tables (transposed to follow the
// turn), sampling (turned), progressive mode and every APPn/COM marker.
bool TurnJpegReencoded(const TurnBytes& jpeg, TurnBytes& out);

// The source PNG's ancillary chunks (colour, text, metadata) around the
// header, palette and image data of turnedEncoding, a PNG of the turned pixels.
bool SplicePngChunks(const TurnBytes& source, const TurnBytes& turnedEncoding, TurnBytes& out);

// Turns an uncompressed BMP's pixel array byte for byte (any bit depth, alpha
// kept), keeping its headers, masks, palette and colour profile.
bool TurnBmpLosslessly(const TurnBytes& bmp, TurnBytes& out);

}  // namespace pictavo
