#include "playback/frame_move.h"

namespace vt {

int64_t FrameIndexOf(int64_t position, int64_t frameTime) {
  if (frameTime <= 0 || position < 0) return -1;
  return (position + frameTime / 2) / frameTime;
}

FrameMovePlan PlanFrameMove(const FrameMoveState& s, int64_t target) {
  if (target < 0 || s.shown < 0) return {FrameMove::kSeek, 0};
  if (target == s.shown) return {FrameMove::kStay, 0};
  if (s.cached) return {FrameMove::kShowCached, 0};
  if (target == s.pipeline) return {FrameMove::kShowPipeline, 0};
  // Stepping past the last frame would run into the end of the stream. Where every frame is a
  // key frame, a seek decodes one frame: stepping only pays for the next one or two.
  const int64_t ahead = s.intraOnly ? kMaxIntraStepAhead : kMaxStepAhead;
  if (s.pipeline >= 0 && target > s.pipeline && target - s.pipeline <= ahead && (s.last < 0 || target <= s.last))
    return {FrameMove::kStep, target - s.pipeline};
  if (target < s.shown && s.shown - target <= kMaxFillBack) return {FrameMove::kFillBack, 0};
  return {FrameMove::kSeek, 0};
}

}  // namespace vt
