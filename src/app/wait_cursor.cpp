#include "app/wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace vt {
namespace {
bool g_on = false;
}

void WaitCursor(bool on) {
  if (on && !g_on) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    g_on = true;
  } else if (!on && g_on) {
    QGuiApplication::restoreOverrideCursor();
    g_on = false;
  }
}

bool IsWaitCursorOn() { return g_on; }

}  // namespace vt
