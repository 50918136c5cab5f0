#include "pictavo/cull/window/fitted_text.h"

#include <algorithm>

namespace pictavo::display {
namespace {

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
    // Parts measured apart can come to a pixel less than the line they make:
    // the line is measured whole and the name given less room until it fits.
    for (;;) {
        QString line =
            NameLine(metrics.elidedText(name, Qt::ElideMiddle, std::max(nameRoom, 0)), folderShown);
        const int over = metrics.horizontalAdvance(line) - width;
        if (over <= 0 || nameRoom <= 0) return line;
        nameRoom -= over;
    }
}

}  // namespace

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
