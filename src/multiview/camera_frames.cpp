#include "multiview/camera_frames.h"

#include <algorithm>

#include "multiview/common_clock.h"

namespace vt {

int64_t RecordFrames::FrameAt(int64_t t) const {
  if (t < llStart || t >= llEnd || llFrameTime <= 0) return -1;
  return std::min((t - llStart) / llFrameTime, llFrames - 1);
}

RecordFrames FramesOf(const TimelineSpan& span, int64_t frameTime, int64_t frames) {
  RecordFrames r;
  r.llStart = TicksOf(span.tStart);
  r.llEnd = std::max(TicksOf(span.tEnd), r.llStart + 1);
  r.llFrameTime = frameTime > 0 ? frameTime : kAssumedFrameTime;
  // Frames that begin inside the span.
  const int64_t fit = (r.llEnd - r.llStart + r.llFrameTime - 1) / r.llFrameTime;
  r.llFrames = std::max<int64_t>(1, frames > 0 ? std::min(frames, fit) : fit);
  return r;
}

int RecordingAt(std::span<const TimelineSpan> seq, int64_t t) {
  // Spans are whole seconds, so the second that holds t decides exactly.
  const TimeResolution r = ResolveTime(seq, static_cast<double>(SecondsOf(t)));
  return r.kind == TimeResolution::kInside ? r.nRecord : -1;
}

int RecordingAfter(std::span<const TimelineSpan> seq, int64_t t) {
  const auto it = std::upper_bound(seq.begin(), seq.end(), t,
                                   [](int64_t x, const TimelineSpan& s) { return x < TicksOf(s.tStart); });
  return it == seq.end() ? -1 : static_cast<int>(it - seq.begin());
}

RecordFrames CameraFrames::Frames(int index) const {
  if (index == nKnown) return known;
  return FramesOf(seq[static_cast<size_t>(index)], llFrameTime);
}

std::optional<int64_t> CameraFrames::ChangeAtOrBefore(int64_t t) const {
  const TimeResolution r = ResolveTime(seq, static_cast<double>(SecondsOf(t)));
  if (r.kind == TimeResolution::kInside) {
    const RecordFrames f = Frames(r.nRecord);
    return f.FrameStart(f.FrameAt(t));
  }
  // Dark since the end of the recording that ended last.
  if (r.nBefore >= 0) return TicksOf(seq[static_cast<size_t>(r.nBefore)].tEnd);
  return std::nullopt;
}

std::optional<int64_t> CameraFrames::FrameBefore(int64_t t) const {
  const TimeResolution r = ResolveTime(seq, static_cast<double>(SecondsOf(t - 1)));
  const int index = r.kind == TimeResolution::kInside ? r.nRecord : r.nBefore;
  if (index < 0) return std::nullopt;
  const RecordFrames f = Frames(index);
  // Inside: the frame that covers the moment before t; after a recording: its last frame.
  return f.FrameStart(r.kind == TimeResolution::kInside ? f.FrameAt(t - 1) : f.llFrames - 1);
}

std::optional<int64_t> CameraFrames::FrameAfter(int64_t t) const {
  std::optional<int64_t> next;
  const int at = RecordingAt(seq, t);
  if (at >= 0) {
    const RecordFrames f = Frames(at);
    const int64_t k = f.FrameAt(t) + 1;
    if (k < f.llFrames) next = f.FrameStart(k);
  }
  const int after = RecordingAfter(seq, t);
  if (after >= 0) {
    const int64_t start = TicksOf(seq[static_cast<size_t>(after)].tStart);
    next = std::min(next.value_or(start), start);
  }
  return next;
}

std::optional<int64_t> NextStepTime(std::span<const CameraFrames> cams, int64_t t) {
  std::optional<int64_t> best;
  for (const CameraFrames& c : cams)
    if (const std::optional<int64_t> n = c.FrameAfter(t)) best = std::min(best.value_or(*n), *n);
  return best;
}

std::optional<int64_t> PrevStepTime(std::span<const CameraFrames> cams, int64_t t) {
  // The pictures shown at t have all been there since m.
  std::optional<int64_t> m;
  for (const CameraFrames& c : cams)
    if (const std::optional<int64_t> x = c.ChangeAtOrBefore(t)) m = std::max(m.value_or(*x), *x);
  if (!m) return std::nullopt;
  std::optional<int64_t> best;
  for (const CameraFrames& c : cams)
    if (const std::optional<int64_t> p = c.FrameBefore(*m)) best = std::max(best.value_or(*p), *p);
  return best;
}

}  // namespace vt
