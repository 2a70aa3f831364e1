#include "snapshot/snapshot_caption.h"

#include <QImage>
#include <QPainter>

#include <cstring>

#include "snapshot/caption_font.h"
#include "snapshot/snapshot_dlg.h"
#include "snapshot/snapshot_layout.h"
#include "snapshot/snapshot_picture.h"
#include "snapshot/snapshot_save.h"

namespace vt {

void DrawSnapshotCaption(QPainter* painter, const QRect& rect, const QFont& font, COLORREF color, time32 time) {
  painter->save();
  painter->setFont(font);
  painter->setPen(ColorRefToQColor(color));
  painter->setClipRect(rect);
  painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop, QString::fromLocal8Bit(SnapshotCaptionText(time).c_str()));
  painter->restore();
}

bool BurnSnapshotCaption(PackedDib* picture, const QRect& rect, const QFont& font, COLORREF color, time32 time) {
  const BITMAPINFOHEADER* h = SnapshotPictureHeader(picture->data(), picture->size());
  if (!h) return false;
  uint8_t* bits = picture->data() + sizeof(BITMAPINFOHEADER);
  QImage img = SnapshotPictureToImage(h, bits);
  if (img.isNull()) return false;
  {
    QPainter painter(&img);
    if (!painter.isActive()) return false;
    DrawSnapshotCaption(&painter, rect, font, color, time);
  }
  const size_t stride = (static_cast<size_t>(h->biWidth) * 3 + 3) & ~size_t{3};
  for (int y = 0; y < h->biHeight; ++y)
    std::memcpy(bits + static_cast<size_t>(h->biHeight - 1 - y) * stride, img.constScanLine(y),
                static_cast<size_t>(h->biWidth) * 3);
  return true;
}

PackedDib RenderSnapshotPicture(const uint8_t* frame, size_t frameSize, time32 time, bool caption,
                                const LOGFONT& font, COLORREF color) {
  PackedDib picture = MakeSnapshotPicture(frame, frameSize);
  if (picture.empty() || !WidenSnapshotPicture(&picture)) return {};
  if (caption) {
    const BITMAPINFOHEADER* h = SnapshotPictureHeader(picture.data(), picture.size());
    BurnSnapshotCaption(&picture, QRect(0, 0, h->biWidth, h->biHeight), LogFontToQFont(font), color, time);
  }
  return picture;
}

}  // namespace vt
