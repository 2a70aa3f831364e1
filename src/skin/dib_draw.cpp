#include "skin/dib_draw.h"

#include <QPainter>

namespace vt {

namespace {

// The pixel rows wrapped without copying: QImage row r is the bitmap's row r from the bottom.
QImage WrapBottomUp(const CDib& dib) {
  if (dib.IsEmpty()) return {};
  const BITMAPINFOHEADER* h = dib.GetHeader();
  if (h->biCompression != BI_RGB) return {};
  const uint64_t stride = dib.GetStride();
  if (stride == 0 || stride * static_cast<uint64_t>(dib.GetHeight()) > dib.GetPixelBytes()) return {};
  QImage::Format format;
  switch (h->biBitCount) {
    case 8: format = QImage::Format_Indexed8; break;
    case 16: format = QImage::Format_RGB555; break;
    case 24: format = QImage::Format_BGR888; break;
    case 32: format = QImage::Format_RGB32; break;
    default: return {};
  }
  const uchar* bits = dib.GetPixels();
  QImage img(bits, dib.GetWidth(), dib.GetHeight(), static_cast<qsizetype>(stride), format);
  if (reinterpret_cast<uintptr_t>(bits) % 4 != 0) img = img.copy();  // QImage wants aligned rows
  if (format == QImage::Format_Indexed8) {
    const uint64_t entries = std::min<uint64_t>(DibColorTableSize(*h) / 4, 256);
    const uchar* table = dib.GetPackedDib() + h->biSize;
    QList<QRgb> colors(256, qRgb(0, 0, 0));
    for (uint64_t i = 0; i < entries; ++i)
      colors[static_cast<qsizetype>(i)] = qRgb(table[i * 4 + 2], table[i * 4 + 1], table[i * 4]);
    img.setColorTable(colors);
  }
  return img;
}

}  // namespace

int DrawDib(QPainter& p, const CDib& dib, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
  QImage img = WrapBottomUp(dib);
  if (img.isNull()) return 0;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 1;
  // The wrapped rows are upside down; flip the painter so the source rectangle keeps the
  // bitmap's bottom-up coordinates and the picture lands the right way up.
  p.save();
  p.translate(dx, dy + dh);
  p.scale(1, -1);
  p.drawImage(QRect(0, 0, dw, dh), img, QRect(sx, sy, sw, sh));
  p.restore();
  return 1;
}

int DrawDib(QPainter& p, const CDib& dib, int x, int y) {
  return DrawDib(p, dib, x, y, dib.GetWidth(), dib.GetHeight(), 0, 0, dib.GetWidth(), dib.GetHeight());
}

int DrawDib(QPainter& p, const CDib& dib, int x, int y, int w, int h, bool clip) {
  if (!clip) return DrawDib(p, dib, x, y, w, h, 0, 0, dib.GetWidth(), dib.GetHeight());
  const int cw = std::min(w, dib.GetWidth());
  const int ch = std::min(h, dib.GetHeight());
  return DrawDib(p, dib, x, y, cw, ch, 0, 0, cw, ch);
}

QImage DibToImage(const CDib& dib) {
  QImage img = WrapBottomUp(dib);
  return img.isNull() ? img : img.mirrored(false, true);
}

void DrawTiles(QPainter& p, const CDib& tile, const std::vector<TileSpan>& spans, int y0) {
  for (const TileSpan& s : spans) {
    if (s.clipped)
      DrawDib(p, tile, s.x, y0, s.width, tile.GetHeight(), true);
    else
      DrawDib(p, tile, s.x, y0);
  }
}

void DrawTilesDown(QPainter& p, const CDib& tile, const std::vector<TileSpan>& spans, int x0) {
  for (const TileSpan& s : spans) {
    if (s.clipped)
      DrawDib(p, tile, x0, s.x, tile.GetWidth(), s.width, true);
    else
      DrawDib(p, tile, x0, s.x);
  }
}

void DrawThreePiece(QPainter& p, const CDib& left, const CDib& mid, const CDib& right, int barWidth) {
  const ThreePieceLayout l = LayoutThreePiece(barWidth, left.GetWidth(), mid.GetWidth(), right.GetWidth());
  DrawDib(p, left, l.leftX, 0);
  DrawTiles(p, mid, l.tiles, 0);
  DrawDib(p, right, l.rightX, 0);
}

}  // namespace vt
