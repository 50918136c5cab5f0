#pragma once
// The pixel work of a quarter turn, per format as losslessly as it allows
// (pixel_turner_formats.h); anything else decoded, turned and re-encoded with
// Qt and its metadata carried over with Exiv2. The file is replaced atomically.
#include <string>
#include <vector>

#include "pictavo/cull/photo_rotation.h"
#include "pictavo/cull/pixel_turner_formats.h"

namespace pictavo {

class QtPixelTurner : public PixelTurner {
  public:
    TurnResult TurnClockwise(const std::string& path, ImageEncoder encoder) override;
};

}  // namespace pictavo
