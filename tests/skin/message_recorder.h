// An IMessageTarget that records what it is posted or sent, and a QApplication for widget tests.
#pragma once

#include <QApplication>

#include <vector>

#include "common/message_log.h"

namespace vt::test {

using MessageRecorder = MessageLog;

// One QApplication for the whole test program (offscreen platform from the environment).
inline void EnsureApplication() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "vt_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

}  // namespace vt::test
