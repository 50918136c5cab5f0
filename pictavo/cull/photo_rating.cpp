#include "pictavo/cull/photo_rating.h"

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

RatingReport RateShownPhoto(const RatingRequest& request) {
    const std::string& path = request.path;
    if (request.readOnly) return {false, ReadOnlyText(path)};
    RatingWriteResult result = WritePhotoRating(path, request.stars);
    switch (result.outcome) {
        case RatingWriteResult::Written:
            return {true, RatedText(request.stars, path), false, 0, result.previousStars};
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
