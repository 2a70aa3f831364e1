// Drawing a CDib on a QPainter, with the source measured in the bitmap's own bottom-up
// coordinates (y = 0 is the bottom row). Each call returns 1, or 0 when the bitmap is empty or
// of a depth that cannot be drawn.
#pragma once

#include <QImage>

#include "skin/dib.h"
#include "skin/skin_layout.h"

class QPainter;

namespace vt {

// The whole bitmap at its own size, top-left corner at (x, y).
int DrawDib(QPainter& p, const CDib& dib, int x, int y);
// clip false: the whole bitmap stretched into w x h at (x, y). clip true: unscaled, the part
// min(w, width) x min(h, height) from the left edge and the bottom row, so a picture taller
// than h loses its top rows.
int DrawDib(QPainter& p, const CDib& dib, int x, int y, int w, int h, bool clip);
// The source rectangle (bottom-up) stretched into the destination rectangle.
int DrawDib(QPainter& p, const CDib& dib, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh);

// Bitmap as a QImage, rows top-down (a copy). Null image when it cannot be drawn.
QImage DibToImage(const CDib& dib);

// Left cap, middle tiles and right cap over a bar barWidth wide; caps at their own heights,
// each middle tile at its own height.
void DrawThreePiece(QPainter& p, const CDib& left, const CDib& mid, const CDib& right, int barWidth);
// Tiles of `tile` over the spans, at height y0.
void DrawTiles(QPainter& p, const CDib& tile, const std::vector<TileSpan>& spans, int y0);
// The same downwards: spans are y ranges, tiles stand at x0; the last one is clipped to the rest
// of the span and so shows the tile's bottom rows.
void DrawTilesDown(QPainter& p, const CDib& tile, const std::vector<TileSpan>& spans, int x0);

}  // namespace vt
