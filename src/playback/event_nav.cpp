#include "playback/event_nav.h"

#include "playback/event_list.h"

namespace vt {

bool HasEvents(const CEventList* events) { return events && events->GetCount() > 0; }

time32 NextEventTarget(const CEventList& events, time32 now, time32 tEnd) {
  uint32_t i = 0;
  const EVENT_RECORD* ev = events.GetNext(&i);
  if (!ev) return tEnd;
  if (now < ev->tStart) return ev->tStart;
  const EVENT_RECORD* prev = nullptr;
  for (i = 0; (ev = events.GetNext(&i)) != nullptr; prev = ev) {
    if (prev && now >= prev->tEnd && now < ev->tStart) return ev->tStart;
    if (ev->tStart <= now && now < ev->tEnd) return ev->tEnd;
  }
  return tEnd;
}

time32 PrevEventTarget(const CEventList& events, time32 now, time32 tStart) {
  uint32_t i = 0;
  const EVENT_RECORD* ev = events.GetNext(&i);
  if (!ev) return tStart;
  if (now <= ev->tStart) return tStart;
  const EVENT_RECORD* prev = nullptr;
  for (i = 0; (ev = events.GetNext(&i)) != nullptr; prev = ev) {
    if (prev && now > prev->tEnd && now <= ev->tStart) return prev->tEnd;
    if (ev->tStart < now && now <= ev->tEnd) return ev->tStart;
  }
  return prev->tEnd;
}

int64_t FallbackStepFrames(int64_t frameTime, bool forward) {
  if (frameTime <= 0) return 0;
  const int64_t n = 50000000 / frameTime;
  return forward ? n : -n;
}

int64_t JumpSeekTime(time32 target, time32 tStart) {
  const auto d = static_cast<int32_t>(static_cast<uint32_t>(target) - static_cast<uint32_t>(tStart));
  return static_cast<int64_t>(d) * 10000000;
}

int64_t JumpSeekBarPos(int64_t t, int64_t frameTime) {
  if (frameTime == 0) return 1;
  return t / frameTime + 1;
}

}  // namespace vt
