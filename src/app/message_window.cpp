#include "app/message_window.h"

#include <QCoreApplication>

#include <atomic>

namespace vt {

QEvent::Type CMessageEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool CMessageWindow::Post(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (!m_self) return false;
  QCoreApplication::postEvent(m_self, new CMessageEvent(msg, wParam, lParam));
  return true;
}

bool CMessageWindow::DispatchMessageEvent(QEvent* e) {
  if (e->type() != CMessageEvent::EventType()) return false;
  auto* m = static_cast<CMessageEvent*>(e);
  WindowProc(m->m_msg, m->m_wParam, m->m_lParam);
  return true;
}

void CMessageWindow::RemovePosted() {
  if (m_self) QCoreApplication::removePostedEvents(m_self, CMessageEvent::EventType());
}

namespace {
std::atomic<IMessageTarget*> g_mainWnd{nullptr};
}

IMessageTarget* GetMainWndTarget() { return g_mainWnd.load(); }
void SetMainWndTarget(IMessageTarget* target) { g_mainWnd.store(target); }

}  // namespace vt
