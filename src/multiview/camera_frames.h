// Which recording and which frame of each camera a common time falls on, and where a frame step
// of the whole grid goes. Times are 100 ns units since 1970 (common_clock.h). A recording covers
// its index span [start, end): its frames follow each other from the start, and the last one
// stays until the end; frames of a file longer than its span are not shown.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "timeline/time_resolution.h"

namespace vt {

// Frame time assumed for a recording not opened yet, when nothing of its camera is known.
inline constexpr int64_t kAssumedFrameTime = 400000;  // 25 frames a second

struct RecordFrames {
  int64_t llStart = 0;      // first frame
  int64_t llEnd = 0;        // end of the span
  int64_t llFrameTime = 0;  // > 0
  int64_t llFrames = 0;     // frames shown inside the span, >= 1
  int64_t FrameStart(int64_t k) const { return llStart + k * llFrameTime; }
  // The frame that covers t, -1 outside the span.
  int64_t FrameAt(int64_t t) const;
};

// The frames of span: frameTime and frames as the file reports them (a file that reports none
// is taken as frames of frameTime filling the span; a frame time of 0 as kAssumedFrameTime).
RecordFrames FramesOf(const TimelineSpan& span, int64_t frameTime, int64_t frames = 0);

// The recording of seq (sorted by start) that covers t, -1 when none.
int RecordingAt(std::span<const TimelineSpan> seq, int64_t t);
// The first recording that starts after t, -1 when none.
int RecordingAfter(std::span<const TimelineSpan> seq, int64_t t);

// One camera for the step arithmetic: its recordings, the frames of the one whose file is open
// (as the file reports them), and the frame time assumed for the others.
struct CameraFrames {
  std::span<const TimelineSpan> seq;
  int nKnown = -1;
  RecordFrames known;
  int64_t llFrameTime = kAssumedFrameTime;
  RecordFrames Frames(int index) const;
  // Start of the frame this camera shows at t, or of the darkness after a recording's end;
  // none before its first recording.
  std::optional<int64_t> ChangeAtOrBefore(int64_t t) const;
  // The latest frame start before t.
  std::optional<int64_t> FrameBefore(int64_t t) const;
  // The first frame start after t.
  std::optional<int64_t> FrameAfter(int64_t t) const;
};

// Next Frame of the grid: the next moment after t at which any camera shows a new frame (the
// fastest camera's next frame, or a recording that begins); none when no camera has one.
std::optional<int64_t> NextStepTime(std::span<const CameraFrames> cams, int64_t t);
// Previous Frame: the latest frame start before the moment the pictures shown at t began
// (so that the step always changes a picture); none when there is nothing before.
std::optional<int64_t> PrevStepTime(std::span<const CameraFrames> cams, int64_t t);

}  // namespace vt
