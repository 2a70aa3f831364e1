// A widget that paints into its own persistent picture, so that drawing done between paints
// (a moved thumb, a new information line) stays until the next full paint, as on a window
// device context. A paint event shows the picture; an invalidation makes the next paint event
// draw everything again through PaintAll.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

namespace vt {

class CSkinCanvas : public QWidget {
 public:
  explicit CSkinCanvas(QWidget* parent = nullptr);

  // The next paint draws everything again (an erasing invalidation).
  void Invalidate();
  // Invalidate and paint at once.
  void InvalidateAndUpdate();
  // Draws on the picture now, outside a paint, and shows the changed rectangle.
  void DrawNow(const QRect& changed, const std::function<void(QPainter&)>& draw);
  // The picture as last painted (full paint done first when one is pending).
  const QImage& Picture();

 protected:
  virtual void PaintAll(QPainter& p) = 0;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void EnsurePicture();
  QImage m_picture;
  bool m_bFullPaint = true;
};

}  // namespace vt
