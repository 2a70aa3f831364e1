// Targets of the Forward and Backward jumps between the events of a record. Times are 32-bit
// seconds since 1970; positions are 100 ns units.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace vt {

class CEventList;

// True when the list exists and holds at least one event; otherwise jumps step 5 seconds.
bool HasEvents(const CEventList* events);
// Forward: start of the next event between events, end of the current one inside one, tEnd
// after the last. events must hold at least one event.
time32 NextEventTarget(const CEventList& events, time32 now, time32 tEnd);
// Backward: start of the current event inside one, end of the previous between events, end of
// the last after it, tStart at or before the first event's start.
time32 PrevEventTarget(const CEventList& events, time32 now, time32 tStart);
// Frames in 5 seconds (negative backwards), truncated toward zero; 0 when frameTime is not
// positive.
int64_t FallbackStepFrames(int64_t frameTime, bool forward);
// Seek time of a jump target: (T - tStart) as signed 32-bit, times 10 000 000.
int64_t JumpSeekTime(time32 target, time32 tStart);
// Seek bar position after a jump to t (unclamped): t / frameTime + 1; 1 when frameTime is 0.
int64_t JumpSeekBarPos(int64_t t, int64_t frameTime);

}  // namespace vt
