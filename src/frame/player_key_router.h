// Hands the Player's keys pressed in the main window (tree or Player focused, no dialog open) to
// the main window's message procedure as kWmKeyDown, which passes them to the Player's hook.
// An application event filter, so that it sees a key before the focused widget and before the
// keyboard shortcuts (Space is Play, except while paused).
#pragma once

#include <QObject>

#include <functional>

#include "platform/message.h"

class QKeyEvent;
class QWidget;

namespace vt {

class IPlayerWindow;

// Virtual-key code of a Qt key press: letters, digits (the keypad's as VK_NUMPAD0-9), Space,
// the arrows and F1-F24; 0 for any other key.
WPARAM VirtualKeyOf(const QKeyEvent& e);

class CPlayerKeyRouter : public QObject {
 public:
  // window: the main window (also the receiver of kWmKeyDown); player and leftPane are asked
  // anew for each key, as both may change.
  CPlayerKeyRouter(QWidget* window, IMessageTarget* target, std::function<IPlayerWindow*()> player,
                   std::function<QWidget*()> leftPane);
  ~CPlayerKeyRouter() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Routes(QObject* watched, const QKeyEvent& e, WPARAM* key) const;

  QWidget* m_pWindow;
  IMessageTarget* m_pTarget;
  std::function<IPlayerWindow*()> m_player;
  std::function<QWidget*()> m_leftPane;
};

}  // namespace vt
