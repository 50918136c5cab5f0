#pragma once
// A pane of the pair: a black frame (blue while the pane is the active one)
// holding the last picture drawn into it. The picture is kept, so a covered
// and uncovered pane repaints itself. At 100% it shows the full-size picture
// instead, one image pixel per device pixel, around a point given relative to
// the photo's size. Under it a caption whose lines never wrap.
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPointF>
#include <functional>

namespace pictavo {

class PhotoPane : public QFrame {
  public:
    explicit PhotoPane(QWidget* parent);
    QSize ClientSize() const { return contentsRect().size(); }
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // A null picture goes back to the fitted one.
    void SetFullSize(const QImage& picture);
    bool ShowsFullSize() const { return !fullSize_.isNull(); }
    const QImage& FullSizePicture() const { return fullSize_; }
    void SetCentre(QPointF relative);
    QPointF Centre() const { return centre_; }
    void SetActive(bool active);
    bool IsActive() const { return active_; }

    std::function<void()> onPressed;
    std::function<void(QPoint moved)> onDragged;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
    QImage fullSize_;
    QPointF centre_{0.5, 0.5};
    QPoint lastMouse_;
    bool active_ = false;
};

// A pane's caption: its lines are fitted to the caption's width again whenever
// that changes; the whole text is the tool tip.
class PaneCaption : public QLabel {
  public:
    using Fitter = std::function<QString(const QFontMetrics& metrics, int width)>;
    explicit PaneCaption(QWidget* parent);
    void SetLines(Fitter fitter, const QString& whole);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Refit();
    Fitter fitter_;
};

}  // namespace pictavo
