#pragma once
// Turning a shown photo a quarter turn clockwise on disk. The procedure (the
// read-only refusal, the backup in the store, the encoder choice and the status
// texts) is independent of how pixels are turned; PixelTurner does that part.
#include <string>
#include <string_view>

namespace pictavo {

enum class ImageEncoder { None, Jpeg, Bmp, Png, Tiff };

// The encoder a rotated photo is saved with, by the path's extension text
// (case-insensitive; ".jpg"/".jpeg", ".bmp", ".png", ".tif" tested in that order).
ImageEncoder EncoderForPath(std::string_view path);

// "<stem> (Rotated copy)<.ext>" split at the last '.', or the name itself.
std::string RotatedCopyName(const std::string& fileName);

struct TurnResult {
    enum Outcome { Turned, CannotOpen, Unsupported, SaveFailed };
    Outcome outcome = Turned;
    int code = 0;  // error number of a failed save
};

// Replaces the file at path by the same picture turned 90 degrees clockwise,
// keeping its metadata. Never leaves a half-written file: on any failure the
// file is unchanged.
class PixelTurner {
  public:
    virtual ~PixelTurner() = default;
    virtual TurnResult TurnClockwise(const std::string& path, ImageEncoder encoder) = 0;
};

struct RotationRequest {
    std::string folderPath;
    std::string fileName;
    bool readOnly = false;    // the record's read-only attribute
    std::string storeFolder;  // the deleted-photo store, where the backup goes
};

struct RotationReport {
    bool turned = false;
    bool attempted = false;     // the photo was opened: the pane is drawn again
    std::string status;         // the status-line text of a refusal or failure; "" when turned
    bool hasErrorCode = false;  // status is to be reported with errorCode appended
    int errorCode = 0;
};

// Keeps the first backup, turns the photo and says what went wrong, if anything.
RotationReport RotateShownPhoto(const RotationRequest& request, PixelTurner& turner);

}  // namespace pictavo
