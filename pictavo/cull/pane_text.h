#pragma once
// The texts of the pair display: date line, rating part and the
// four-line caption under each pane.
#include <cstdint>
#include <optional>
#include <string>

#include "pictavo/settings/settings_record.h"

namespace pictavo::display {

// "%d/%02d/%02d  %02d:%02d:%02d (date taken)" or "... (file date)".
std::string DateLine(const PhotoTime& time, bool hasDateTaken);

struct RatingPart {
    std::string text;   // " - Rating: 5 stars - Beach", or ""
    bool high = false;  // 4 or 5 stars: the caption is shown in red
};
// From the rating text and description as read (nothing when the read failed).
RatingPart MakeRatingPart(const std::optional<std::string>& ratingText,
                          const std::string& description);

struct CaptionFacts {
    int position = 0;  // catalogue position (culled entries included)
    int count = 0;
    std::string ratingPart;
    std::string fileName;
    std::string folderPath;
    int width = 0, height = 0;  // as shown, after the orientation is applied
    std::int64_t fileSize = 0;
    PhotoTime time;
    bool hasDateTaken = false;
};
// "%d (of %d)%s\n%s (%s)\n%d x %d (%s)\n%s"; "" for a negative position.
std::string CaptionText(const CaptionFacts& facts);

std::string MissingFileCaption(const std::string& path);  // "File no longer exists: %s"

// The caption's first and third lines: "%d (of %d)%s" and "%d x %d (%s)".
std::string PositionLine(const CaptionFacts& facts);
std::string SizeLine(const CaptionFacts& facts);

// Files above this many bytes get the waiting notice before they are decoded.
constexpr std::int64_t kLargeFileBytes = 20971520;
inline const char* kLargeFileNotice = "Large image file. Please wait while loading image...";

}  // namespace pictavo::display
