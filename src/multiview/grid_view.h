// The tiles of the side-by-side window laid out as the grid's cells, with what the mouse does
// on them: a double click and the camera menu (right click) are handed to the window.
#pragma once

#include <QWidget>

#include <functional>
#include <vector>

#include "multiview/camera_grid.h"

namespace vt {

class CTileWidget;

class CGridView : public QWidget {
 public:
  CGridView(CCameraGrid* grid, QWidget* parent);
  // Makes one tile widget per tile of the grid (after its cameras changed) and places them.
  void SyncTiles();
  int TileCount() const { return static_cast<int>(m_tiles.size()); }
  CTileWidget* Tile(int i) const { return i >= 0 && i < TileCount() ? m_tiles[static_cast<size_t>(i)] : nullptr; }
  void RepaintTile(int i);

  std::function<void(int tile)> onDoubleClick;
  std::function<void(int tile, QPoint globalPos)> onTileMenu;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Place();
  CCameraGrid* m_pGrid;
  std::vector<CTileWidget*> m_tiles;
};

}  // namespace vt
