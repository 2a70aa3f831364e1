#include "skin/skin_button.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

#include "app/message_window.h"
#include "skin/dib_draw.h"
#include "skin/skin_layout.h"

namespace vt {

CSkinButton::CSkinButton(QWidget* parent) : QAbstractButton(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setText(" ");
  m_probe = []() -> std::optional<QWidget*> { return QApplication::widgetAt(QCursor::pos()); };
}

CSkinButton::~CSkinButton() = default;

int CSkinButton::LoadBitmap(const std::string& path) {
  int r = m_bitmap.Load(path);
  if (r >= 1) {
    m_nStripHeight = m_bitmap.GetHeight() / kSkinStripsPerButton;
    m_nWidth = m_bitmap.GetWidth();
  } else {
    m_nStripHeight = m_nWidth = 0;
  }
  return r;
}

bool CSkinButton::Create(QWidget* parent, const QRect& rect, int id) {
  setParent(parent);
  setGeometry(rect);
  m_nId = id;
  show();
  return true;
}

void CSkinButton::SetTexts(const std::string& text) {
  m_strTexts[0] = text;
  m_strTexts[1] = text;
}

void CSkinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int strip = SkinButtonStrip(!isEnabled(), isDown(), m_nState, m_bHovering != 0);
  m_nLastStrip = strip;
  DrawDib(p, m_bitmap, 0, 0, m_nWidth, m_nStripHeight, 0, strip * m_nStripHeight, m_nWidth, m_nStripHeight);
}

void CSkinButton::RepaintNow() {
  if (isVisible()) repaint();
}

void CSkinButton::PostStatus(QWidget* under, const char* text) {
  if (IMessageTarget* main = GetMainWndTarget())
    main->Post(kMsgStatusText, static_cast<WPARAM>(reinterpret_cast<uintptr_t>(under)),
               static_cast<LPARAM>(reinterpret_cast<intptr_t>(text)));
}

void CSkinButton::StartHover() {
  m_bHovering = 1;
  PostStatus(nullptr, m_strTexts[0].c_str());
  m_nQtTimer = startTimer(kHoverPeriodMs);
  m_nHoverTimer = kHoverTimerId;
  RepaintNow();
}

void CSkinButton::EndHover(QWidget* under) {
  if (m_nQtTimer) killTimer(m_nQtTimer);
  m_nQtTimer = 0;
  m_nHoverTimer = 0;
  m_bHovering = 0;
  PostStatus(under, nullptr);
  RepaintNow();
}

void CSkinButton::mouseMoveEvent(QMouseEvent* e) {
  if (!m_bHovering) {
    if (e->buttons() == Qt::NoButton && e->modifiers() == Qt::NoModifier) StartHover();
  } else if (e->buttons() & Qt::LeftButton) {
    EndHover(nullptr);
  }
  QAbstractButton::mouseMoveEvent(e);
}

void CSkinButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && m_nHoverTimer) EndHover(nullptr);
  QAbstractButton::mousePressEvent(e);
}

void CSkinButton::CheckHover() {
  if (!m_nHoverTimer) return;
  std::optional<QWidget*> under = m_probe ? m_probe() : std::nullopt;
  if (!under || *under == this) return;
  EndHover(*under);
}

void CSkinButton::timerEvent(QTimerEvent* e) {
  if (m_nQtTimer && e->timerId() == m_nQtTimer) {
    CheckHover();
    return;
  }
  QAbstractButton::timerEvent(e);
}

void CSkinButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) {
    m_nState = isEnabled() ? kButtonStateNormal : kButtonStateDisabled;
    update();
  }
  QAbstractButton::changeEvent(e);
}

}  // namespace vt
