#include "skin/info_bar.h"

#include <QFontMetrics>
#include <QPainter>

#include "skin/dib_draw.h"
#include "skin/skin_files.h"

namespace vt {

namespace {
QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
}  // namespace

CInfoBar::CInfoBar(QWidget* parent) : CSkinCanvas(parent) {
  setObjectName("Info");
  hide();
}

CInfoBar::~CInfoBar() = default;

int CInfoBar::Create(QWidget* parent, int x, int y, int width, const char* const* files, int count) {
  if (count < kBackgroundPieces) return 0;
  CDib* bg[kBackgroundPieces] = {&m_bmpLeft, &m_bmpMid, &m_bmpRight};
  for (int i = 0; i < kBackgroundPieces; ++i)
    if (!bg[i]->Load(SkinPath(m_strSkinFolder, files[i]))) return 0;
  m_cy = m_bmpMid.GetHeight();
  m_cx = width;
  setParent(parent);
  setGeometry(x, y, m_cx, m_cy);
  hide();
  return 1;
}

void CInfoBar::ShowTime(int flag) {
  m_bShowTime = flag;
  if (flag) m_nLastTextWidth = 0;
}

int CInfoBar::Measure(const std::string& text) const {
  return QFontMetrics(font()).horizontalAdvance(QString::fromLocal8Bit(text));
}

void CInfoBar::DrawInfo(QPainter* p, const time32* t) {
  if (t) m_time = *t;
  if (!p) {
    DrawNow(rect(), [this](QPainter& q) { DrawInfo(&q, nullptr); });
    return;
  }
  const QFontMetrics fm(font());
  // The line height of the font: what measuring any one line gives.
  if (m_nTextHeight == 0) m_nTextHeight = fm.height();
  if (m_rcText.bottom == 0) {
    m_rcText = ComputeInfoTextRect(m_cx, m_cy, m_nTextHeight, m_bmpLeft.GetWidth(), m_bmpRight.GetWidth());
    m_nTextMaxWidth = m_rcText.Width();
  }
  const InfoLine line = ChooseInfoLine(m_time, m_strSpeed, m_nTextMaxWidth, [this](const std::string& s) { return Measure(s); });
  const QRect rc(m_rcText.left, m_rcText.top, m_rcText.Width(), m_rcText.bottom - m_rcText.top);
  p->save();
  p->setFont(font());
  if (InfoLineNeedsClear(m_nLastTextWidth, line.width)) p->fillRect(rc, ToQColor(kInfoTextBackground));
  m_nLastTextWidth = line.width;
  // Opaque text: its own box is filled black, so a line drawn over a longer one only replaces
  // what it covers.
  const QString text = QString::fromLocal8Bit(line.text);
  const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
  p->fillRect(p->boundingRect(rc, flags, text), ToQColor(kInfoTextBackground));
  p->setPen(ToQColor(kInfoTextColor));
  p->drawText(rc, flags, text);
  p->restore();
  m_strLastLine = line.text;
}

void CInfoBar::PaintAll(QPainter& p) {
  p.fillRect(rect(), Qt::black);
  DrawThreePiece(p, m_bmpLeft, m_bmpMid, m_bmpRight, m_cx);
  if (m_bShowTime) DrawInfo(&p, nullptr);
}

void CInfoBar::resizeEvent(QResizeEvent* e) {
  CSkinCanvas::resizeEvent(e);
  m_cx = width();
  m_cy = height();
  m_rcText = InfoTextRect{};
  InvalidateAndUpdate();
}

}  // namespace vt
