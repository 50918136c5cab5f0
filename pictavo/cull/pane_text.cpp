#include "pictavo/cull/pane_text.h"

#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/size_text.h"
#include "platform/text.h"
#include "shared/text_format.h"

namespace pictavo::display {

std::string DateLine(const PhotoTime& t, bool hasDateTaken) {
    return shared::Format("%d/%02d/%02d  %02d:%02d:%02d %s", t.year, t.month, t.day, t.hour,
                          t.minute, t.second, hasDateTaken ? "(date taken)" : "(file date)");
}

RatingPart MakeRatingPart(const std::optional<std::string>& ratingText,
                          const std::string& description) {
    RatingPart part;
    if (!ratingText) return part;
    int stars = StarRatingValue(*ratingText);
    if (stars >= 1 && stars <= 5) part.text = " - Rating: " + *ratingText + " stars";
    part.high = IsHighRating(stars);
    std::size_t units = platform::Utf8ToUtf16(description).size();
    // A blank description would leave a dangling " - ".
    if (units >= 1 && units <= 255 && !shared::IsBlank(description))
        part.text += " - " + description;
    return part;
}

std::string PositionLine(const CaptionFacts& f) {
    return std::to_string(f.position + 1) + " (of " + std::to_string(f.count) + ")" + f.ratingPart;
}

std::string SizeLine(const CaptionFacts& f) {
    return std::to_string(f.width) + " x " + std::to_string(f.height) + " (" +
           SizeText(f.fileSize) + ")";
}

std::string CaptionText(const CaptionFacts& f) {
    if (f.position < 0) return "";
    return PositionLine(f) + "\n" + f.fileName + " (" + f.folderPath + ")\n" + SizeLine(f) + "\n" +
           DateLine(f.time, f.hasDateTaken);
}

std::string MissingFileCaption(const std::string& path) { return "File no longer exists: " + path; }

}  // namespace pictavo::display
