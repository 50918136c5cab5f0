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
