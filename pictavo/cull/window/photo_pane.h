#pragma once
// A pane of the pair: a black frame holding the last picture drawn into it.
// The picture is kept, so a covered and uncovered pane repaints itself.
// Under it a caption whose lines never wrap.
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <functional>

namespace pictavo {

class PhotoPane : public QFrame {
  public:
    explicit PhotoPane(QWidget* parent);
    QSize ClientSize() const { return contentsRect().size(); }
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage picture_;
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
