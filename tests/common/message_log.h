// A message target that records every message posted or sent to it, in order.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/message.h"

namespace vt::test {

struct PostedMessage {
  uint32_t msg;
  WPARAM wParam;
  LPARAM lParam;
};

class MessageLog : public IMessageTarget {
 public:
  bool Post(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    posted.push_back({msg, wParam, lParam});
    return true;
  }
  LRESULT Send(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    posted.push_back({msg, wParam, lParam});
    return 0;
  }
  std::vector<PostedMessage> posted;
};

}  // namespace vt::test
