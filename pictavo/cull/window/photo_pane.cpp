#include "pictavo/cull/window/photo_pane.h"

#include <QMouseEvent>
#include <QPainter>

namespace pictavo {

PhotoPane::PhotoPane(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    // The frame keeps its width when active, so the pictures' size stays the same.
    setLineWidth(1);
    SetActive(false);
}

void PhotoPane::SetActive(bool active) {
    active_ = active;
    QPalette framed = palette();
    framed.setColor(QPalette::WindowText, active ? QColor(0, 90, 230) : QColor(Qt::black));
    setPalette(framed);
}

void PhotoPane::SetPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PhotoPane::SetFullSize(const QImage& picture) {
    fullSize_ = picture;
    // One image pixel to one device pixel.
    if (!fullSize_.isNull()) fullSize_.setDevicePixelRatio(devicePixelRatioF());
    update();
}

void PhotoPane::SetCentre(QPointF relative) {
    centre_ = relative;
    update();
}

void PhotoPane::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect client = contentsRect();
    painter.fillRect(client, Qt::white);
    if (!fullSize_.isNull()) {
        const QSizeF shown = fullSize_.deviceIndependentSize();
        const QPointF topLeft = QRectF(client).center() -
                                QPointF(centre_.x() * shown.width(), centre_.y() * shown.height());
        painter.setClipRect(client);
        painter.drawImage(topLeft, fullSize_);
        return;
    }
    // A picture drawn for another size waits for the redraw after resizing.
    if (!picture_.isNull()) painter.drawImage(client.topLeft(), picture_);
}

void PhotoPane::mousePressEvent(QMouseEvent* event) {
    lastMouse_ = event->position().toPoint();
    if (onPressed) onPressed();
    event->accept();
}

void PhotoPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint at = event->position().toPoint();
    if (onDragged) onDragged(at - lastMouse_);
    lastMouse_ = at;
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
