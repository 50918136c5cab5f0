#pragma once
// The pair display's texts fitted to the width of their labels.
#include <QFontMetrics>
#include <QString>
#include <string>

#include "pictavo/cull/pane_text.h"

namespace pictavo::display {

// A text for one line: control characters and line or paragraph separators
// (a newline in a file name, say) show as U+FFFD instead of breaking the line.
QString OneLine(const std::string& text);
// One line shortened with an ellipsis to the width, where the mode says.
QString FittedLine(const std::string& text, const QFontMetrics& metrics, int width,
                   Qt::TextElideMode mode);
// The caption's four lines, none wider than the width, so a long name never
// pushes the size and date out of view: the folder gives way first, then the
// name, both shortened in the middle; other lines lose their end.
QString FittedCaption(const CaptionFacts& facts, const QFontMetrics& metrics, int width);

}  // namespace pictavo::display
