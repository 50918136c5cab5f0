#pragma once
// A pane of the pair: a black frame holding the last picture drawn into it.
// The picture is kept, so a covered and uncovered pane repaints itself.
#include <QFrame>
#include <QImage>

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

}  // namespace pictavo
