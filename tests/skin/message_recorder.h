// An IMessageTarget that records what it is posted or sent, and a QApplication for widget tests.
#pragma once

#include <QApplication>

#include <vector>

#include "platform/message.h"

namespace vt::test {

struct RecordedMessage {
  uint32_t msg;
  WPARAM wParam;
  LPARAM lParam;
};

class MessageRecorder : public IMessageTarget {
 public:
  bool Post(uint32_t msg, WPARAM w, LPARAM l) override {
    m_messages.push_back({msg, w, l});
    return true;
  }
  LRESULT Send(uint32_t msg, WPARAM w, LPARAM l) override {
    m_messages.push_back({msg, w, l});
    return 0;
  }
  std::vector<RecordedMessage> m_messages;
};

// One QApplication for the whole test program (offscreen platform from the environment).
inline void EnsureApplication() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "vt_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

}  // namespace vt::test
