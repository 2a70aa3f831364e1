#include "multiview/tile_widget.h"

#include <QPainter>

#include "multiview/grid_geometry.h"
#include "playback/frame_paint.h"

namespace vt {

namespace {
constexpr int kLabelPad = 3;
}

CTileWidget::CTileWidget(CCameraGrid* grid, int index, QWidget* parent)
    : QWidget(parent), CMessageWindow(this), m_pGrid(grid), m_nIndex(index) {
  setObjectName(QStringLiteral("GridTile%1").arg(index));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CTileWidget::event(QEvent* e) {
  if (DispatchMessageEvent(e)) return true;
  return QWidget::event(e);
}

LRESULT CTileWidget::WindowProc(uint32_t msg, WPARAM, LPARAM) {
  if (msg == kMsgTileFrame) update();
  return 0;
}

QRect CTileWidget::PictureRect() const {
  IMediaEngine* e = m_pGrid->Engine(m_nIndex);
  int32_t w = 0, h = 0;
  if (!e || Failed(e->GetVideoSize(&w, &h))) return {};
  const GridRect r = FitPicture({0, 0, width(), height()}, w, h);
  return QRect(r.x, r.y, r.w, r.h);
}

QString CTileWidget::OverlayText() const {
  switch (m_pGrid->State(m_nIndex)) {
    case TileState::kNoCamera: return QString::fromLatin1(kNoCameraText);
    case TileState::kNoRecording: return QString::fromLatin1(kNoRecordingText);
    case TileState::kFailed: return QString::fromLocal8Bit(m_pGrid->FailureText(m_nIndex).c_str());
    case TileState::kPicture: return {};
  }
  return {};
}

void CTileWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor::fromRgb(kTileDarkColour));
  // Asking for the frame also lets the engine post the next one.
  IMediaEngine* e = m_pGrid->Engine(m_nIndex);
  std::shared_ptr<const VideoFrame> frame = e ? e->LatestFrame() : nullptr;
  const QRect pic = PictureRect();
  if (frame && !pic.isEmpty()) {
    QImage img(pic.size(), QImage::Format_RGB32);
    if (ScaleFrameToRgb32(*frame, reinterpret_cast<uint32_t*>(img.bits()), pic.width(), pic.height(),
                          static_cast<int>(img.bytesPerLine() / 4)))
      p.drawImage(pic.topLeft(), img);
  }
  p.setPen(QColor::fromRgb(kTileTextColour));
  const QString text = OverlayText();
  if (!text.isEmpty())
    p.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, text);
  if (const CameraEntry* cam = m_pGrid->Camera(m_nIndex)) {
    const QString label = QString::fromLocal8Bit(cam->strLabel.c_str());
    const QRect box = fontMetrics().boundingRect(label).adjusted(-kLabelPad, -kLabelPad, kLabelPad, kLabelPad);
    // Bottom left: the top of a camera's picture often carries its own text.
    const QRect at(kLabelPad, height() - kLabelPad - box.height(), box.width(), box.height());
    p.fillRect(at, QColor::fromRgba(kTileLabelBack));
    p.drawText(at, Qt::AlignCenter, label);
  }
}

}  // namespace vt
