// How the engine reaches a frame while paused, cheapest first: the frame on screen stays, a
// decoded frame kept from stepping backwards is shown, the frame the pipeline already holds is
// shown, the pipeline steps a few frames forward (one decode each), a short step backwards
// decodes the group from its key frame once into the frame cache, and anything else is an
// accurate seek. Frame numbers are 0-based; positions 100 ns.
#pragma once

#include <cstdint>

namespace vt {

// Forward distances the pipeline steps instead of seeking (the keys 1-9 step up to 9).
constexpr int64_t kMaxStepAhead = 9;
constexpr int64_t kMaxIntraStepAhead = 2;
// Backward distances served by decoding the group into the frame cache; farther is a seek.
constexpr int64_t kMaxFillBack = 9;
// Where every frame is a key frame, a step back decodes this many frames ending there at once
// (a second at 25 fps): a seek per step costs a flush and a preroll on top of the decode, and
// each run of the frame reader has a fixed cost of its own.
constexpr int64_t kIntraFillBack = 25;

// Frame number of a position: the nearest frame start (a position inside a frame is rounded
// to that frame or the next, whichever start is closer); -1 when frameTime is not positive or
// the position is negative.
int64_t FrameIndexOf(int64_t position, int64_t frameTime);

enum class FrameMove {
  kStay,          // the target is on screen
  kShowCached,    // from the frame cache
  kShowPipeline,  // the frame the pipeline has prerolled (not on screen yet)
  kStep,          // step the pipeline `amount` frames forward
  kFillBack,      // decode the target's group into the cache, then show it from there
  kSeek,          // accurate seek
};

struct FrameMoveState {
  int64_t shown = -1;      // frame on screen; -1 unknown
  int64_t pipeline = -1;   // frame the pipeline has prerolled; -1 unknown or unusable
  int64_t last = -1;       // last frame of the stream
  bool cached = false;     // the target is in the frame cache
  bool intraOnly = false;  // every frame is a key frame
};

struct FrameMovePlan {
  FrameMove move = FrameMove::kSeek;
  int64_t amount = 0;  // frames to step for kStep
};

FrameMovePlan PlanFrameMove(const FrameMoveState& s, int64_t target);

}  // namespace vt
