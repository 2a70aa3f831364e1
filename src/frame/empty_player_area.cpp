#include "frame/empty_player_area.h"

#include <QPainter>

#include "frame/frame_layout.h"

namespace vt {

CEmptyPlayerArea::CEmptyPlayerArea(QWidget* parent) : QWidget(parent), CMessageWindow(this) {
  setGeometry(kPlayerMargin, kPlayerMargin, kPlayerInitialWidth, kPlayerInitialHeight);
}

LRESULT CEmptyPlayerArea::WindowProc(uint32_t msg, WPARAM, LPARAM lParam) {
  if (msg == kMsgOpenRecord) {
    ++m_nOpenRecord;
    m_lastOpenRecord = lParam;
  }
  return 0;
}

bool CEmptyPlayerArea::event(QEvent* e) {
  if (DispatchMessageEvent(e)) return true;
  return QWidget::event(e);
}

void CEmptyPlayerArea::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
}

}  // namespace vt
