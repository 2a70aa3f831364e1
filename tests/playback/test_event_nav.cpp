#include <gtest/gtest.h>

#include "playback/event_list.h"
#include "playback/event_nav.h"

namespace vt {
namespace {

// A record from 10:00:00 lasting two minutes, events 10:00:05-10:00:20 and 10:01:00-10:01:30.
constexpr time32 kStart = 36000;
constexpr time32 At(int minute, int second) { return kStart + minute * 60 + second; }

CEventList& Example() {
  static CEventList list;
  static const EVENT_RECORD ev[] = {{0, At(0, 5), At(0, 20)}, {0, At(1, 0), At(1, 30)}};
  if (list.GetCount() == 0) list.Assign(ev, 2);
  return list;
}

TEST(EventNav, ForwardTargets) {
  const struct {
    time32 now, target;
  } cases[] = {
      {At(0, 2), At(0, 5)},  {At(0, 5), At(0, 20)}, {At(0, 10), At(0, 20)}, {At(0, 20), At(1, 0)},
      {At(1, 0), At(1, 30)}, {At(1, 30), At(2, 0)}, {At(1, 40), At(2, 0)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.target, NextEventTarget(Example(), c.now, At(2, 0))) << c.now - kStart;
}

TEST(EventNav, BackwardTargets) {
  const struct {
    time32 now, target;
  } cases[] = {
      {At(0, 10), At(0, 5)}, {At(0, 40), At(0, 20)}, {At(1, 40), At(1, 30)}, {At(0, 5), At(0, 0)},
      {At(0, 0), At(0, 0)},  {At(1, 0), At(0, 20)},  {At(1, 20), At(1, 0)},  {At(0, 20), At(0, 5)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.target, PrevEventTarget(Example(), c.now, kStart)) << c.now - kStart;
}

TEST(EventNav, FallbackAndSeekArithmetic) {
  EXPECT_EQ(125, FallbackStepFrames(400000, true));
  EXPECT_EQ(-125, FallbackStepFrames(400000, false));
  EXPECT_EQ(0, FallbackStepFrames(60 * 10000000LL, true));  // a frame longer than 5 s
  EXPECT_EQ(0, FallbackStepFrames(0, true));
  EXPECT_FALSE(HasEvents(nullptr));
  CEventList empty;
  EXPECT_FALSE(HasEvents(&empty));
  EXPECT_TRUE(HasEvents(&Example()));
  EXPECT_EQ(50000000, JumpSeekTime(At(0, 5), kStart));
  EXPECT_EQ(-20000000, JumpSeekTime(kStart - 2, kStart));
  EXPECT_EQ(126, JumpSeekBarPos(50000000, 400000));
  EXPECT_EQ(1, JumpSeekBarPos(50000000, 0));
}

}  // namespace
}  // namespace vt
