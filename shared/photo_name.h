#pragma once
// The photo file test both programs apply to a listed file name.
#include <string_view>

namespace shared {

// True when the name's last extension is .jpg, .jpeg, .png or .bmp in any
// letter case. Only the last one counts: a sidecar such as IMG_0001.JPG.xmp or
// notes.jpg.txt is not a photo, and neither is a name without a dot.
bool IsPhotoName(std::string_view name);

}  // namespace shared
