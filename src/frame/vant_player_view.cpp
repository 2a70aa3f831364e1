#include "frame/vant_player_view.h"

#include <QPainter>

#include "frame/empty_player_area.h"
#include "frame/frame_layout.h"

namespace vt {

std::vector<QRect> MarginBands(const QRect& client, const QRect& player) {
  std::vector<QRect> bands;
  auto add = [&](int l, int t, int r, int b) {
    if (r > l && b > t) bands.emplace_back(QPoint(l, t), QPoint(r - 1, b - 1));
  };
  const int x = player.x(), y = player.y(), w = player.width(), h = player.height();
  const int cl = client.left(), ct = client.top(), cr = client.left() + client.width(),
            cb = client.top() + client.height();
  add(cl, ct, cr, y);          // above
  add(cl, y + h, cr, cb);      // below
  add(cl, ct, x, cb);          // left
  add(x + w, ct, cr, cb);      // right
  return bands;
}

CVantPlayerView::CVantPlayerView(QWidget* parent, PlayerFactory makePlayer) : QWidget(parent), m_nMargin(kPlayerMargin) {
  m_pPlayer = makePlayer ? makePlayer(this) : nullptr;
  if (!m_pPlayer) m_pPlayer = new CEmptyPlayerArea(this);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

CVantPlayerView::~CVantPlayerView() { ClosePlayer(); }

void CVantPlayerView::Init(const std::string& iniPath, const std::string& programFolder) {
  if (!m_pPlayer) return;
  // The Player makes its window when it has the paths.
  m_pPlayer->SetPaths(iniPath, programFolder);
  if (m_pPlayer->GetWndWidth() > 0 && m_pPlayer->GetWndHeight() > 0) {
    m_pPlayer->Widget()->show();
    return;
  }
  // One that could not be made gives way to the empty Player area: the window keeps its size
  // around it and nothing can be played.
  delete m_pPlayer->Widget();
  m_pPlayer = new CEmptyPlayerArea(this);
  m_pPlayer->Widget()->show();
}

void CVantPlayerView::ClosePlayer() {
  if (m_pPlayer && m_pPlayer->IsOpen()) m_pPlayer->CloseClip();
}

void CVantPlayerView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Where the Player stands now: its fitted rectangle, or larger in a larger view.
  QRect player;
  if (m_pPlayer)
    player = m_pPlayer->Widget()->isVisible() ? m_pPlayer->Widget()->geometry()
                                              : QRect(m_pPlayer->GetWndX(), m_pPlayer->GetWndY(),
                                                      m_pPlayer->GetWndWidth(), m_pPlayer->GetWndHeight());
  const QColor margin = IsFullScreen() ? QColor(Qt::black) : QColor::fromRgb(kViewMarginColour);
  for (const QRect& band : MarginBands(rect(), player)) p.fillRect(band, margin);
}

void CVantPlayerView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  GiveArea();
}

void CVantPlayerView::GiveArea() {
  if (m_pPlayer) m_pPlayer->SetDisplayArea(width() - 2 * m_nMargin, height() - 2 * m_nMargin);
}

void CVantPlayerView::SetFullScreen(bool on) {
  m_nMargin = on ? 0 : kPlayerMargin;
  if (m_pPlayer) m_pPlayer->SetFullScreen(on);
  GiveArea();
  update();
}

}  // namespace vt
