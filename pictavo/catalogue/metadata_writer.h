#pragma once
// Writing a photo's star rating (XMP xmp:Rating, the tag the catalogue reads)
// into the file in place. Only the XMP packet changes: every other byte of
// metadata, the pixels, the mode and the times stay as they were.
#include <string>

namespace pictavo {

struct RatingWriteResult {
    enum Outcome {
        Written,        // the file now holds the rating (or already did)
        ReadOnly,       // owner-write bit clear: refused, nothing changed
        CannotHoldXmp,  // BMP and other formats without XMP: nothing changed
        CannotOpen,     // missing, a folder, unreadable, not a JPEG or PNG inside
        UnreadableXmp,  // the file's XMP packet is malformed: left as it was
        SaveFailed      // writing failed; code says why, the file is unchanged
    };
    Outcome outcome = Written;
    int code = 0;
    int previousStars = 0;  // the rating the XMP held before (0: none), once it was read
};

// stars 1..5 gives the photo that many stars; 0 removes its rating. Other
// values change nothing and answer SaveFailed with EINVAL.
RatingWriteResult WritePhotoRating(const std::string& path, int stars);

}  // namespace pictavo
