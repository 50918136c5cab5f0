#pragma once
// The pixel work of a quarter turn: JPEGs losslessly with libjpeg-turbo where
// the size allows, everything else decoded, turned and re-encoded with Qt, the
// metadata carried over with Exiv2, and the file replaced atomically.
#include <string>
#include <vector>

#include "pictavo/cull/window/photo_rotation.h"

namespace pictavo {

class QtPixelTurner : public PixelTurner {
  public:
    TurnResult TurnClockwise(const std::string& path, ImageEncoder encoder) override;
};

// Lossless 90-degree turn of JPEG data keeping every marker; false when the
// size is not a whole number of blocks or the data is not a JPEG.
bool TurnJpegLosslessly(const std::vector<unsigned char>& jpeg, std::vector<unsigned char>& out);

// Writes data to a temporary file beside path with path's permission bits and
// owner, then renames it over path. Returns 0 or an error number; on failure
// path is untouched.
int ReplaceFileKeepingMode(const std::string& path, const std::vector<unsigned char>& data);

}  // namespace pictavo
