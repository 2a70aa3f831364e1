#include "multiview/grid_geometry.h"

#include <algorithm>

namespace vt {

namespace {

// Start and length of span index i when total pixels are split into n spans with gap between.
void Split(int total, int n, int gap, int i, int* start, int* length) {
  const int free = std::max(0, total - (n - 1) * gap);
  const int base = free / n, extra = free % n;
  *start = i * (base + gap) + std::min(i, extra);
  *length = base + (i < extra ? 1 : 0);
}

}  // namespace

int NormalizeGridSize(int tiles) {
  for (int n : kGridSizes)
    if (tiles <= n) return n;
  return kMaxGridTiles;
}

int GridColumns(int tiles) {
  const int n = NormalizeGridSize(tiles);
  int c = 1;
  while (c * c < n) ++c;
  return c;
}

GridRect GridCell(const GridRect& area, int tiles, int gap, int index) {
  const int n = NormalizeGridSize(tiles), cols = GridColumns(n);
  if (index < 0 || index >= n || area.Empty()) return {};
  GridRect r;
  Split(area.w, cols, gap, index % cols, &r.x, &r.w);
  Split(area.h, cols, gap, index / cols, &r.y, &r.h);
  r.x += area.x;
  r.y += area.y;
  return r;
}

int GridCellAt(const GridRect& area, int tiles, int gap, int px, int py) {
  const int n = NormalizeGridSize(tiles);
  for (int i = 0; i < n; ++i)
    if (GridCell(area, n, gap, i).Contains(px, py)) return i;
  return -1;
}

GridRect FitPicture(const GridRect& cell, int pictureWidth, int pictureHeight) {
  if (cell.Empty() || pictureWidth <= 0 || pictureHeight <= 0) return {};
  // Width-limited unless the picture is relatively taller than the cell (64-bit products).
  GridRect r;
  if (static_cast<long long>(pictureWidth) * cell.h >= static_cast<long long>(pictureHeight) * cell.w) {
    r.w = cell.w;
    r.h = std::max(1, static_cast<int>(static_cast<long long>(cell.w) * pictureHeight / pictureWidth));
  } else {
    r.h = cell.h;
    r.w = std::max(1, static_cast<int>(static_cast<long long>(cell.h) * pictureWidth / pictureHeight));
  }
  r.x = cell.x + (cell.w - r.w) / 2;
  r.y = cell.y + (cell.h - r.h) / 2;
  return r;
}

GridPictureLayout GridPictureSize(int tiles, std::span<const PictureSize> pictures, int gap) {
  const int cols = GridColumns(tiles);
  GridPictureLayout l;
  for (const PictureSize& p : pictures) {
    if (p.width <= 0 || p.height <= 0) continue;
    l.cellWidth = std::max(l.cellWidth, p.width);
    l.cellHeight = std::max(l.cellHeight, p.height);
  }
  if (l.cellWidth == 0) {
    l.cellWidth = kGridPictureDefaultWidth;
    l.cellHeight = kGridPictureDefaultHeight;
  }
  l.width = cols * l.cellWidth + (cols - 1) * gap;
  l.height = cols * l.cellHeight + (cols - 1) * gap;
  return l;
}

}  // namespace vt
