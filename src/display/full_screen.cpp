#include "display/full_screen.h"

#include <QMainWindow>
#include <QShortcut>

namespace vt {

CFullScreen::CFullScreen(QMainWindow* window, std::function<std::vector<QWidget*>()> parts,
                         std::function<void(bool)> apply)
    : QObject(window), m_pWindow(window), m_parts(std::move(parts)), m_apply(std::move(apply)) {
  m_pEsc = new QShortcut(QKeySequence(Qt::Key_Escape), window, [this] { Set(false); });
  m_pEsc->setContext(Qt::WindowShortcut);
  m_pEsc->setEnabled(false);
}

void CFullScreen::Set(bool on) {
  if (on == m_bOn) return;
  m_bOn = on;
  m_pEsc->setEnabled(on);
  if (on) {
    m_bWasMaximized = m_pWindow->isMaximized();
    m_hidden.clear();
    for (QWidget* part : m_parts()) {
      if (!part) continue;
      m_hidden.emplace_back(part, !part->isHidden());
      part->hide();
    }
    if (m_apply) m_apply(true);
    m_pWindow->showFullScreen();
    return;
  }
  if (m_apply) m_apply(false);
  for (auto& [part, visible] : m_hidden)
    if (part) part->setVisible(visible);
  m_hidden.clear();
  if (m_bWasMaximized)
    m_pWindow->showMaximized();
  else
    m_pWindow->showNormal();
}

}  // namespace vt
