#include "playback/seek_bar.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "skin/dib_draw.h"
#include "skin/skin_files.h"

namespace vt {

constexpr int kGrooveY = 3;  // the groove tile repaints the thumb's trail from this row down
constexpr COLORREF kMarkBaseline = RGB(0, 128, 0);
constexpr COLORREF kMarkEvent = RGB(255, 0, 0);

namespace {
QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
}  // namespace

// ---- CSeekButton ----

int CSeekButton::Load(const std::string& path) {
  if (!m_bitmap.Load(path)) return 0;
  m_nWidth = m_bitmap.GetWidth() / kSeekFrames;
  m_nHeight = m_bitmap.GetHeight();
  return 1;
}

int CSeekButton::HitTest(int px, int py) const {
  return (px >= m_x && px <= m_x + m_nWidth && py >= m_y && py <= m_y + m_nHeight) ? m_nKind : 0;
}

void CSeekButton::SetState(int s, bool redraw) {
  if (s >= 0 && s <= 4) {
    m_nState = s;
  } else if (s == kSeekStateAddHover) {
    if (m_nState == 1) m_nState = 2;
    else if (m_nState == 3) m_nState = 4;
  } else if (s == kSeekStateRemoveHover) {
    if (m_nState == 2) m_nState = 1;
    else if (m_nState == 4) m_nState = 3;
  }
  if (redraw) Draw(nullptr);
}

void CSeekButton::Draw(QPainter* p) {
  if (m_nState > 4) return;
  if (!p) {
    if (m_pOwner)
      m_pOwner->DrawNow(QRect(m_x, m_y, m_nWidth, m_nHeight), [this](QPainter& q) { Draw(&q); });
    return;
  }
  // Frame k of the strip is the source rectangle (k * width, 0, width, height).
  DrawDib(*p, m_bitmap, m_x, m_y, m_nWidth, m_nHeight, m_nState * m_nWidth, 0, m_nWidth, m_nHeight);
}

// ---- CSeekBar ----

CSeekBar::CSeekBar(QWidget* parent) : CSkinCanvas(parent) {
  setObjectName("Navigator");
  setMouseTracking(true);
  hide();
}

CSeekBar::~CSeekBar() = default;

int CSeekBar::Create(QWidget* parent, IMessageTarget* owner, int x, int y, int width, uint32_t range,
                     const char* const* backgrounds, int backgroundCount, const char* const* elements,
                     const int* kinds, const uint32_t* messages, int elementCount) {
  if (backgroundCount < kSeekBackgroundPieces || elementCount < kSeekElements) return 0;
  CDib* bg[kSeekBackgroundPieces] = {&m_bmpLeft, &m_bmpTrack, &m_bmpGroove, &m_bmpRight};
  for (int i = 0; i < kSeekBackgroundPieces; ++i)
    if (!bg[i]->Load(SkinPath(m_strSkinFolder, backgrounds[i]))) return 0;
  m_cy = m_bmpTrack.GetHeight();
  CSeekButton* el[kSeekElements] = {&m_thumb, &m_prev, &m_next};
  for (int i = 0; i < kSeekElements; ++i) {
    if (!el[i]->Load(SkinPath(m_strSkinFolder, elements[i]))) return 0;
    el[i]->SetKind(kinds[i]);
    el[i]->SetMessage(messages[i]);
    el[i]->SetOwner(this);
  }
  m_nRange = range;
  m_cx = width;
  // Step stays at its initial value until the placing resize recalculates it.
  const SeekTrack t = ComputeSeekTrack(width, Sizes(), range);
  m_track.trackStart = t.trackStart;
  m_track.trackEnd = t.trackEnd;
  m_track.trackLen = t.trackLen;
  m_track.nextX = t.nextX;
  m_nPos = 1;
  m_nPosShared = 1;
  m_hOwner = owner;
  m_prev.MoveTo(m_bmpLeft.GetWidth(), CentredY(m_cy, m_prev.GetHeight()));
  m_next.MoveTo(t.nextX, CentredY(m_cy, m_next.GetHeight()));
  m_thumb.MoveTo(m_track.trackStart, CentredY(m_cy, m_thumb.GetHeight()));
  setParent(parent);
  setGeometry(x, y, m_cx, m_cy);
  hide();
  return 1;
}

SeekBarSizes CSeekBar::Sizes() const {
  return {m_bmpLeft.GetWidth(), m_bmpRight.GetWidth(), m_prev.GetWidth(), m_next.GetWidth(), m_thumb.GetWidth()};
}

const CSeekButton& CSeekBar::Element(int kind) const {
  return kind == kSeekKindPrev ? m_prev : kind == kSeekKindNext ? m_next : m_thumb;
}

void CSeekBar::Recalculate() {
  m_track = ComputeSeekTrack(m_cx, Sizes(), m_nRange);
  m_next.MoveTo(m_track.nextX, m_next.GetY());
}

void CSeekBar::PlaceThumb() { m_thumb.MoveTo(SeekThumbX(m_track, m_nPos, m_nRange), m_thumb.GetY()); }

void CSeekBar::SetRange(uint32_t n) {
  m_nRange = n;
  Recalculate();
}

void CSeekBar::resizeEvent(QResizeEvent* e) {
  CSkinCanvas::resizeEvent(e);
  m_cy = height();
  m_cx = width();
  Recalculate();
  PlaceThumb();
  InvalidateAndUpdate();
}

void CSeekBar::SetPos(uint32_t p) {
  m_nPos = p > m_nRange ? m_nRange : p;
  m_nPosShared.store(m_nPos, std::memory_order_relaxed);
  const int a = m_thumb.GetX();
  PlaceThumb();
  const int b = m_thumb.GetX();
  const int w = m_thumb.GetWidth();
  if (auto strip = SeekTrailStrip(a, b, w)) {
    const QRect changed(strip->x, kGrooveY, strip->width, m_bmpGroove.GetHeight());
    DrawNow(changed, [&](QPainter& q) { DrawTiles(q, m_bmpGroove, TileSpans(strip->x, strip->width, m_bmpGroove.GetWidth()), kGrooveY); });
  }
  m_thumb.Draw(nullptr);
}

void CSeekBar::SetEvents(std::vector<uint32_t> pairs) {
  ClearEvents();
  pairs.resize(pairs.size() / 2 * 2);
  m_eventMarks = std::move(pairs);
  if (!m_eventMarks.empty()) InvalidateAndUpdate();
}

void CSeekBar::ClearEvents() {
  if (!m_eventMarks.empty()) {
    m_eventMarks.clear();
    InvalidateAndUpdate();
  }
}

void CSeekBar::PaintAll(QPainter& p) {
  p.fillRect(rect(), Qt::black);
  DrawDib(p, m_bmpLeft, 0, 0);
  DrawTiles(p, m_bmpTrack, TileSpans(m_track.trackStart, m_track.trackLen + m_thumb.GetWidth(), m_bmpTrack.GetWidth()), 0);
  DrawDib(p, m_bmpRight, m_cx - m_bmpRight.GetWidth(), 0);
  if (!m_eventMarks.empty()) {
    std::vector<std::pair<uint32_t, uint32_t>> events;
    events.reserve(m_eventMarks.size() / 2);
    for (size_t i = 0; i + 1 < m_eventMarks.size(); i += 2) events.emplace_back(m_eventMarks[i], m_eventMarks[i + 1]);
    const SeekMarks marks = ComputeSeekMarks(m_track, m_thumb.GetWidth(), events);
    auto fill = [&](const SeekMarkRect& r, COLORREF c) {
      if (r.right > r.left) p.fillRect(QRect(r.left, 0, r.right - r.left, kSeekMarkHeight), ToQColor(c));
    };
    fill(marks.baseline, kMarkBaseline);
    for (const SeekMarkRect& r : marks.marks) fill(r, kMarkEvent);
  }
  m_prev.Draw(&p);
  m_next.Draw(&p);
  m_thumb.Draw(&p);
}

int CSeekBar::HitTest(int x, int y, int* offset) const {
  for (const CSeekButton* e : {&m_thumb, &m_prev, &m_next}) {
    if (int kind = e->HitTest(x, y)) {
      if (offset) *offset = x - e->GetX();
      return kind;
    }
  }
  return 0;
}

CSeekButton* CSeekBar::ElementAt(int x, int y, int* offset) {
  switch (HitTest(x, y, offset)) {
    case kSeekKindThumb: return &m_thumb;
    case kSeekKindPrev: return &m_prev;
    case kSeekKindNext: return &m_next;
    default: return nullptr;
  }
}

void CSeekBar::Post(uint32_t msg) {
  if (m_hOwner) m_hOwner->Post(msg, 0, 0);
}

void CSeekBar::PrevFrame() {
  if (m_nPos > 1) SetPos(m_nPos - 1);
  Post(kMsgSeekRequest);
}

void CSeekBar::NextFrame() {
  if (SeekNextFrameMoves(m_nPos, m_nRange)) SetPos(m_nPos + 1);
  Post(kMsgSeekRequest);
}

void CSeekBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return CSkinCanvas::mousePressEvent(e);
  const QPoint pt = e->position().toPoint();
  if (m_bCaptured) {
    m_bCaptured = 0;
    if (m_pHot) m_pHot->SetState(kSeekStateRemoveHover, true);
  }
  int offset = m_nDragOffset;
  m_pHot = ElementAt(pt.x(), pt.y(), &offset);
  m_nDragOffset = offset;
  if (m_pHot == &m_prev || m_pHot == &m_next) {
    m_nDragOffset = 0;
    m_pHot->SetState(kSeekStatePressed, true);
    if (m_pHot == &m_prev)
      SetPos(SeekPrevPos(m_nPos));
    else
      SetPos(m_nPos + 1);
    Post(m_pHot->GetMessage());
  }
  if (!m_pHot && SeekOnTrack(m_track, pt.x(), m_thumb.GetWidth())) {
    // A click on the bare track goes to the frame under it, and a drag carries on from there.
    SetPos(SeekPosAtTrackX(m_track, pt.x(), m_thumb.GetWidth(), m_nRange));
    Post(m_thumb.GetMessage());
    m_pHot = &m_thumb;
    m_nDragOffset = pt.x() - m_thumb.GetX();
  }
  if (m_pHot) {
    m_bCaptured = 1;
    m_bDown = 1;
    m_ptPress = pt;
  }
  CSkinCanvas::mousePressEvent(e);
}

std::string CSeekBar::ToolTipAt(int x) const {
  if (!m_fnPosText || !SeekOnTrack(m_track, x, m_thumb.GetWidth())) return {};
  return m_fnPosText(SeekPosAtTrackX(m_track, x, m_thumb.GetWidth(), m_nRange));
}

bool CSeekBar::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(e);
    const std::string text = ToolTipAt(help->pos().x());
    if (text.empty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), QString::fromLocal8Bit(text.c_str()), this);
    return true;
  }
  return CSkinCanvas::event(e);
}

void CSeekBar::HoverTo(CSeekButton* e) {
  if (e == m_pHot) return;
  if (m_pHot) m_pHot->SetState(kSeekStateNormal, true);
  m_pHot = e;
  if (m_pHot) m_pHot->SetState(kSeekStateHover, true);
}

void CSeekBar::mouseMoveEvent(QMouseEvent* ev) {
  const QPoint pt = ev->position().toPoint();
  CSeekButton* e = ElementAt(pt.x(), pt.y(), nullptr);
  if (m_bDown) {
    if (m_pHot == &m_thumb && pt != m_ptPress) {
      SetPos(SeekPosFromX(m_track, pt.x(), m_nDragOffset, m_nRange));
      Post(m_thumb.GetMessage());
    } else if (m_pHot == &m_prev || m_pHot == &m_next) {
      m_pHot->SetState(e == m_pHot ? kSeekStatePressed : kSeekStateNormal, true);
    }
  } else {
    // Qt delivers moves only while the cursor is over the bar; leaveEvent covers leaving it.
    m_bCaptured = e ? 1 : 0;
    HoverTo(e);
  }
  CSkinCanvas::mouseMoveEvent(ev);
}

void CSeekBar::mouseReleaseEvent(QMouseEvent* ev) {
  if (ev->button() == Qt::LeftButton && m_bDown) {
    const QPoint pt = ev->position().toPoint();
    m_bDown = 0;
    m_bCaptured = 0;
    CSeekButton* e = ElementAt(pt.x(), pt.y(), nullptr);
    if (m_pHot) m_pHot->SetState(e == m_pHot ? kSeekStateHover : kSeekStateNormal, true);
    m_pHot = nullptr;
    m_nDragOffset = 0;
  }
  CSkinCanvas::mouseReleaseEvent(ev);
}

void CSeekBar::leaveEvent(QEvent* e) {
  if (!m_bDown) {
    m_bCaptured = 0;
    HoverTo(nullptr);
  }
  CSkinCanvas::leaveEvent(e);
}

}  // namespace vt
