#include "pictavo/cull/photo_rating.h"

#include "pictavo/catalogue/exiv2_access.h"
#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/metadata_writer.h"

namespace pictavo {
namespace {

std::string RatedText(int stars, const std::string& path) {
    if (stars == 0) return "Rating removed: " + path;
    return "Rated " + std::to_string(stars) + (stars == 1 ? " star: " : " stars: ") + path;
}

std::string ReadOnlyText(const std::string& path) {
    return "Unable to save the rating of " + path +
           " as the file is READ only. Please make it writable (chmod u+w, or "
           "Properties \u2192 Permissions in the file manager) to allow changes to the image.";
}

}  // namespace

int StoredStars(const std::string& path) {
    // Not the caption's reader: that one answers for JPEG content only, and a
    // rated PNG taken back must get its own rating again.
    exiv2::ImagePtr image = exiv2::OpenFile(path);
    std::string text;
    if (image) exiv2::Guarded([&] { text = image->xmpData()["Xmp.xmp.Rating"].toString(); });
    int stars = StarRatingValue(text);
    return stars >= 1 && stars <= 5 ? stars : 0;
}

RatingReport RateShownPhoto(const RatingRequest& request) {
    const std::string& path = request.path;
    if (request.readOnly) return {false, ReadOnlyText(path)};
    RatingWriteResult result = WritePhotoRating(path, request.stars);
    switch (result.outcome) {
        case RatingWriteResult::Written:
            return {true, RatedText(request.stars, path)};
        case RatingWriteResult::ReadOnly:
            return {false, ReadOnlyText(path)};
        case RatingWriteResult::CannotHoldXmp:
            return {false, "This file type cannot hold a rating: " + path + ". No change made."};
        case RatingWriteResult::CannotOpen:
            return {false, "Unable to open file to rate it: " + path};
        case RatingWriteResult::UnreadableXmp:
            return {false, "Unable to read the XMP metadata of " + path + ". No change made."};
        case RatingWriteResult::SaveFailed:
            break;
    }
    return {false, "Unable to save the rating of " + path + ". No change made to image.", true,
            result.code};
}

}  // namespace pictavo
