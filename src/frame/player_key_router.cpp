#include "frame/player_key_router.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "frame/key_route.h"
#include "frame/player_window_iface.h"

namespace vt {

WPARAM VirtualKeyOf(const QKeyEvent& e) {
  const int k = e.key();
  if (k >= Qt::Key_0 && k <= Qt::Key_9)
    return (e.modifiers() & Qt::KeypadModifier) ? 0x60 + (k - Qt::Key_0) : 0x30 + (k - Qt::Key_0);
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return 0x41 + (k - Qt::Key_A);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 0x70 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Space: return 0x20;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    default: return 0;
  }
}

CPlayerKeyRouter::CPlayerKeyRouter(QWidget* window, IMessageTarget* target, std::function<IPlayerWindow*()> player,
                                   std::function<QWidget*()> leftPane)
    : QObject(window), m_pWindow(window), m_pTarget(target), m_player(std::move(player)), m_leftPane(std::move(leftPane)) {
  qApp->installEventFilter(this);
}

CPlayerKeyRouter::~CPlayerKeyRouter() { qApp->removeEventFilter(this); }

bool CPlayerKeyRouter::Routes(QObject* watched, const QKeyEvent& e, WPARAM* key) const {
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != m_pWindow) return false;
  IPlayerWindow* player = m_player ? m_player() : nullptr;
  if (!player) return false;
  MainWindowKey k;
  k.key = VirtualKeyOf(e);
  k.commandModifier = (e.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
  k.busy = QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr;
  QWidget* left = m_leftPane ? m_leftPane() : nullptr;
  if (player->Widget() && (w == player->Widget() || player->Widget()->isAncestorOf(w)))
    k.focus = KeyFocus::kPlayer;
  else if (left && left->isAncestorOf(w) && qobject_cast<QAbstractItemView*>(w))
    k.focus = KeyFocus::kTree;
  k.playerTakes = k.key != 0 && player->WantsKey(k.key);
  *key = k.key;
  return RouteKeyToPlayer(k);
}

bool CPlayerKeyRouter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
  auto* e = static_cast<QKeyEvent*>(event);
  WPARAM key = 0;
  if (!Routes(watched, *e, &key)) return false;
  if (type == QEvent::ShortcutOverride) {
    // Taken as a plain key press: the keyboard shortcut of the same key does not fire.
    e->accept();
    return true;
  }
  m_pTarget->Send(kWmKeyDown, key, 0);
  e->accept();
  return true;
}

}  // namespace vt
