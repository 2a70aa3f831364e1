#include "skin/skin_canvas.h"

#include <QPaintEvent>
#include <QPainter>

namespace vt {

CSkinCanvas::CSkinCanvas(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void CSkinCanvas::Invalidate() {
  m_bFullPaint = true;
  update();
}

void CSkinCanvas::InvalidateAndUpdate() {
  m_bFullPaint = true;
  if (isVisible()) repaint();
}

void CSkinCanvas::EnsurePicture() {
  const QSize want(std::max(width(), 1), std::max(height(), 1));
  if (m_picture.size() != want) {
    m_picture = QImage(want, QImage::Format_RGB32);
    m_picture.fill(Qt::black);
    m_bFullPaint = true;
  }
  if (m_bFullPaint) {
    m_bFullPaint = false;
    QPainter p(&m_picture);
    PaintAll(p);
  }
}

void CSkinCanvas::DrawNow(const QRect& changed, const std::function<void(QPainter&)>& draw) {
  EnsurePicture();
  {
    QPainter p(&m_picture);
    draw(p);
  }
  update(changed);
}

const QImage& CSkinCanvas::Picture() {
  EnsurePicture();
  return m_picture;
}

void CSkinCanvas::paintEvent(QPaintEvent* e) {
  EnsurePicture();
  QPainter p(this);
  p.drawImage(e->rect(), m_picture, e->rect());
}

void CSkinCanvas::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  m_bFullPaint = true;
}

}  // namespace vt
