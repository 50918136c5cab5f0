#pragma once
// The pixel work of a quarter turn, per format as losslessly as it allows
// (pixel_turner_formats.h); anything else decoded, turned and re-encoded with
// Qt and its metadata carried over with Exiv2. The file is replaced atomically.
#include <string>
#include <vector>

#include "pictavo/cull/window/photo_rotation.h"
#include "pictavo/cull/window/pixel_turner_formats.h"

namespace pictavo {

class QtPixelTurner : public PixelTurner {
  public:
    TurnResult TurnClockwise(const std::string& path, ImageEncoder encoder) override;
};

// The whole content of a regular file; false for folders and on any read error.
bool ReadRegularFile(const std::string& path, std::vector<unsigned char>& data);

// Writes data to a temporary file beside path with path's permission bits,
// owner and access and modification times, then renames it over path. Returns
// 0 or an error number; on failure path is untouched.
int ReplaceFileKeepingMode(const std::string& path, const std::vector<unsigned char>& data);

}  // namespace pictavo
