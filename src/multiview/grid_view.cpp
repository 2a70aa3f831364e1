#include "multiview/grid_view.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

#include "multiview/grid_geometry.h"
#include "multiview/tile_widget.h"

namespace vt {

CGridView::CGridView(CCameraGrid* grid, QWidget* parent) : QWidget(parent), m_pGrid(grid) {
  setObjectName(QStringLiteral("GridView"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(160, 120);
}

void CGridView::SyncTiles() {
  const int n = m_pGrid->TileCount();
  while (TileCount() > n) {
    // The grid has already let go of the tile's engines, so nothing posts to it any more.
    delete m_tiles.back();
    m_tiles.pop_back();
  }
  while (TileCount() < n) {
    auto* t = new CTileWidget(m_pGrid, TileCount(), this);
    t->installEventFilter(this);
    t->show();
    m_tiles.push_back(t);
  }
  for (int i = 0; i < n; ++i) m_pGrid->SetFrameNotify(i, m_tiles[static_cast<size_t>(i)], kMsgTileFrame);
  Place();
  for (CTileWidget* t : m_tiles) t->update();
}

void CGridView::RepaintTile(int i) {
  if (CTileWidget* t = Tile(i)) t->update();
}

void CGridView::Place() {
  const GridRect area{0, 0, width(), height()};
  for (int i = 0; i < TileCount(); ++i) {
    const GridRect c = GridCell(area, TileCount(), kGridGap, i);
    m_tiles[static_cast<size_t>(i)]->setGeometry(c.x, c.y, c.w, c.h);
  }
}

void CGridView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Place();
}

void CGridView::paintEvent(QPaintEvent*) {
  // The gaps between the tiles.
  QPainter(this).fillRect(rect(), Qt::black);
}

bool CGridView::eventFilter(QObject* watched, QEvent* e) {
  auto* tile = dynamic_cast<CTileWidget*>(watched);
  if (!tile) return QWidget::eventFilter(watched, e);
  if (e->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
    if (onDoubleClick) onDoubleClick(tile->Index());
    return true;
  }
  if (e->type() == QEvent::ContextMenu) {
    if (onTileMenu) onTileMenu(tile->Index(), static_cast<QContextMenuEvent*>(e)->globalPos());
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace vt
