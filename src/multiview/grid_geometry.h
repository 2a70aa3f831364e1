// Where the side-by-side grid puts things: 1, 4, 9 or 16 cells in a square arrangement over an
// area, the picture inside a cell with its shape kept, the cell under a point, and the whole
// grid drawn as one picture. Pixels; a rectangle is its top-left corner and size.
#pragma once

#include <span>
#include <vector>

namespace vt {

inline constexpr int kGridSizes[] = {1, 4, 9, 16};
inline constexpr int kMaxGridTiles = 16;
inline constexpr int kDefaultGridTiles = 4;
// Pixels between neighbouring cells, on screen and in the grid picture.
inline constexpr int kGridGap = 2;
// Cell of the grid picture when no tile has a picture to take the size from.
inline constexpr int kGridPictureDefaultWidth = 352;
inline constexpr int kGridPictureDefaultHeight = 288;

struct GridRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool Empty() const { return w <= 0 || h <= 0; }
  bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
  bool operator==(const GridRect&) const = default;
};

// The allowed size for a tile count: the smallest of 1, 4, 9, 16 that holds it (16 at most).
int NormalizeGridSize(int tiles);
// Cells per row (and rows): 1, 2, 3 or 4.
int GridColumns(int tiles);
// Cell index of the grid over area, left to right and top to bottom, gap pixels between cells
// and none at the edges. The pixels that do not divide evenly go to the first rows and columns,
// so the cells fill the area exactly. Empty for an index outside the grid.
GridRect GridCell(const GridRect& area, int tiles, int gap, int index);
// The cell under the point, -1 in a gap or outside the area.
int GridCellAt(const GridRect& area, int tiles, int gap, int px, int py);
// The largest rectangle of the picture's shape centred in cell; empty when either is empty.
GridRect FitPicture(const GridRect& cell, int pictureWidth, int pictureHeight);

struct PictureSize {
  int width = 0, height = 0;
};
// The whole grid as one picture: every cell as large as the largest tile picture (widths and
// heights taken apart; a tile without a picture is {0, 0}), gap pixels between cells.
struct GridPictureLayout {
  int width = 0, height = 0;
  int cellWidth = 0, cellHeight = 0;
};
GridPictureLayout GridPictureSize(int tiles, std::span<const PictureSize> pictures, int gap);

}  // namespace vt
