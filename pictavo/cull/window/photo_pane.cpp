#include "pictavo/cull/window/photo_pane.h"

#include <QPainter>

namespace pictavo {

PhotoPane::PhotoPane(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    setPalette(black);
}

void PhotoPane::SetPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PhotoPane::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect client = contentsRect();
    painter.fillRect(client, Qt::white);
    // A picture drawn for another size waits for the redraw after resizing.
    if (!picture_.isNull()) painter.drawImage(client.topLeft(), picture_);
}

}  // namespace pictavo

namespace pictavo {

PaneCaption::PaneCaption(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
}

void PaneCaption::SetLines(Fitter fitter, const QString& whole) {
    fitter_ = std::move(fitter);
    setToolTip(whole);
    Refit();
}

void PaneCaption::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Refit();
}

void PaneCaption::Refit() {
    setText(fitter_ ? fitter_(fontMetrics(), contentsRect().width()) : QString());
}

}  // namespace pictavo
