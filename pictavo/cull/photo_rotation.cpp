#include "pictavo/cull/photo_rotation.h"

#include <algorithm>
#include <cctype>

#include "platform/files.h"

namespace pictavo {
namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// The record's bit comes from the scan; the file may have been made read-only since.
bool IsReadOnly(const RotationRequest& request, const std::string& path) {
    if (request.readOnly) return true;
    auto attributes = platform::GetAttributes(path);
    return attributes && attributes->readOnly;
}

}  // namespace

ImageEncoder EncoderForPath(std::string_view path) {
    std::string lower = LowerAscii(path);
    if (Contains(lower, ".jpg") || Contains(lower, ".jpeg")) return ImageEncoder::Jpeg;
    if (Contains(lower, ".bmp")) return ImageEncoder::Bmp;
    if (Contains(lower, ".png")) return ImageEncoder::Png;
    if (Contains(lower, ".tif")) return ImageEncoder::Tiff;
    return ImageEncoder::None;
}

std::string RotatedCopyName(const std::string& fileName) {
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return fileName;
    return fileName.substr(0, dot) + " (Rotated copy)" + fileName.substr(dot);
}

RotationReport RotateShownPhoto(const RotationRequest& request, PixelTurner& turner) {
    const std::string path = platform::JoinPath(request.folderPath, request.fileName);
    if (IsReadOnly(request, path)) {
        return {false, false,
                "Unable to save rotated file: " + path +
                    " as the file is READ only. Please make it writable (chmod u+w, or "
                    "Properties \u2192 Permissions in the file manager) to allow changes to the "
                    "image."};
    }
    // Only the state before the first rotation is kept: an existing backup wins.
    std::string backup = platform::JoinPath(request.storeFolder, RotatedCopyName(request.fileName));
    platform::CopyFileTo(path, backup, /*failIfExists=*/true);

    TurnResult result = turner.TurnClockwise(path, EncoderForPath(path));
    switch (result.outcome) {
        case TurnResult::Turned:
            return {true, true, ""};
        case TurnResult::CannotOpen:
            return {false, false, "Unable to open file to rotate file: " + path};
        case TurnResult::Unsupported:
            return {false, true, "Rotation of file type not supported: " + path};
        case TurnResult::SaveFailed:
            break;
    }
    return {false, true, "Unable to save rotated file: " + path + ". No change made to image.",
            true, result.code};
}

}  // namespace pictavo
