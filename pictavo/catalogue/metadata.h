#pragma once
// What Pictavo reads from image files beyond the directory listing: date
// taken, orientation, star rating and description (Exiv2 underneath).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pictavo/settings/settings_record.h"

namespace pictavo {

// Call once on the main thread before any worker reads metadata.
void InitializeMetadata();

// EXIF DateTimeOriginal (0x9003, type ASCII) as stored; only for paths that
// contain ".jpg" or ".jpeg" anywhere (case-insensitive). A value that does not
// fit the 40-byte text (39 bytes and a terminator) counts as no date taken.
// Well-formed JPEG files are answered from their head alone; the rest through
// ReadDateTakenFully, which parses the whole metadata and gives the same answer.
std::optional<std::string> ReadDateTaken(const std::string& path);
std::optional<std::string> ReadDateTakenFully(const std::string& path);

// The form checks and field reading of a date-taken text; nullopt when the
// form is wrong or the year lies outside 1900..3000.
std::optional<PhotoTime> PhotoTimeFromDateTaken(std::string_view text);

// The local calendar time of a file's last write (the fallback photo time).
PhotoTime PhotoTimeFromFileTime(std::int64_t lastWriteFileTime);

// EXIF orientation (0x0112) of JPEG content; nullopt when missing or unreadable.
std::optional<std::uint16_t> ReadOrientation(const std::string& path);

struct RatingAndDescription {
    std::string rating;       // XMP xmp:Rating text, "" when none or 64 characters or more
    std::string description;  // EXIF ImageDescription, else IPTC caption; at most 63 characters
};
// nullopt when the file's metadata cannot be read (not JPEG content, unreadable).
std::optional<RatingAndDescription> ReadRatingAndDescription(const std::string& path);

// The rating text read as a decimal integer (leading blanks and a sign allowed,
// stops at the first non-digit, no digits gives 0).
int StarRatingValue(std::string_view ratingText);
inline bool IsHighRating(int value) { return value == 4 || value == 5; }

// Qt-free description of the turn that shows a photo upright.
enum class RotateFlip {
    None = 0,
    Rotate90 = 1,
    Rotate180 = 2,
    Rotate270 = 3,
    FlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7
};
RotateFlip RotateFlipForOrientation(int orientation);

}  // namespace pictavo

namespace pictavo {
// The walk's photo file test (shared with Cairnly's photo mode): the name's last
// extension is .jpg, .jpeg, .png or .bmp in any letter case.
bool IsPhotoFile(std::string_view name);
}  // namespace pictavo
