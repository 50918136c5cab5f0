#include "pictavo/cull/window/pane_text.h"

#include <algorithm>

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

namespace {

std::string PositionLine(const CaptionFacts& f) {
    return std::to_string(f.position + 1) + " (of " + std::to_string(f.count) + ")" + f.ratingPart;
}

std::string SizeLine(const CaptionFacts& f) {
    return std::to_string(f.width) + " x " + std::to_string(f.height) + " (" +
           SizeText(f.fileSize) + ")";
}

bool BreaksLines(QChar c) {
    QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

QString NameLine(const QString& name, const QString& folder) { return name + " (" + folder + ")"; }

QString FittedNameLine(const QString& name, const QString& folder, const QFontMetrics& metrics,
                       int width) {
    QString whole = NameLine(name, folder);
    if (metrics.horizontalAdvance(whole) <= width) return whole;
    // The folder keeps at least a third of the line, the name the rest.
    int frame = metrics.horizontalAdvance(NameLine("", ""));
    int folderRoom = std::max(width - frame - metrics.horizontalAdvance(name), width / 3);
    QString folderShown = metrics.elidedText(folder, Qt::ElideMiddle, folderRoom);
    int nameRoom = width - frame - metrics.horizontalAdvance(folderShown);
    return NameLine(metrics.elidedText(name, Qt::ElideMiddle, std::max(nameRoom, 0)), folderShown);
}

}  // namespace

std::string CaptionText(const CaptionFacts& f) {
    if (f.position < 0) return "";
    return PositionLine(f) + "\n" + f.fileName + " (" + f.folderPath + ")\n" + SizeLine(f) + "\n" +
           DateLine(f.time, f.hasDateTaken);
}

std::string MissingFileCaption(const std::string& path) { return "File no longer exists: " + path; }

QString OneLine(const std::string& text) {
    QString line = QString::fromStdString(text);
    for (QChar& c : line)
        if (BreaksLines(c)) c = QChar::ReplacementCharacter;
    return line;
}

QString FittedLine(const std::string& text, const QFontMetrics& metrics, int width,
                   Qt::TextElideMode mode) {
    return metrics.elidedText(OneLine(text), mode, width);
}

QString FittedCaption(const CaptionFacts& f, const QFontMetrics& metrics, int width) {
    if (f.position < 0) return {};
    return FittedLine(PositionLine(f), metrics, width, Qt::ElideRight) + "\n" +
           FittedNameLine(OneLine(f.fileName), OneLine(f.folderPath), metrics, width) + "\n" +
           FittedLine(SizeLine(f), metrics, width, Qt::ElideRight) + "\n" +
           FittedLine(DateLine(f.time, f.hasDateTaken), metrics, width, Qt::ElideRight);
}

}  // namespace pictavo::display
