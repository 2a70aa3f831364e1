// View > Full Screen: the main window covers the screen and every part of it but the video gives
// way (menu, bars, panes, timeline); Esc or the command again brings the window back as it was.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <utility>
#include <vector>

class QMainWindow;
class QShortcut;
class QWidget;

namespace vt {

class CFullScreen : public QObject {
 public:
  // parts: the window's parts that give way, asked for at each switch; apply(on): the video
  // view and the Player follow the switch.
  CFullScreen(QMainWindow* window, std::function<std::vector<QWidget*>()> parts, std::function<void(bool)> apply);

  bool IsOn() const { return m_bOn; }
  void Set(bool on);

 private:
  QMainWindow* m_pWindow;
  std::function<std::vector<QWidget*>()> m_parts;
  std::function<void(bool)> m_apply;
  QShortcut* m_pEsc = nullptr;
  bool m_bOn = false;
  bool m_bWasMaximized = false;
  std::vector<std::pair<QPointer<QWidget>, bool>> m_hidden;  // part, was visible
};

}  // namespace vt
