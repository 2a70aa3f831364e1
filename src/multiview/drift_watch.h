// How far a tile's picture is from the common clock, and what to do when it falls behind.
// Playing tiles render each frame when the clock reaches it and drop frames that come too late,
// so a tile never shows a frame late by itself; it falls behind only when its decoder cannot
// keep up and every frame comes too late. Then the tile alone is sought to where the clock will
// be a moment later (the others play on); a tile that keeps falling behind shows key frames
// only, each at its time: fewer pictures, never pictures of another moment.
#pragma once

#include <cstdint>
#include <deque>

namespace vt {

// Frames the picture is behind the clock: 0 while the frame shown covers it, 1 when the next
// frame is due, negative when the picture is ahead. Times and frame time in 100 ns units.
int64_t FramesBehind(int64_t clock, int64_t shownStart, int64_t frameTime);
// How long the clock has been past the end of the frame shown (100 ns); 0 while it covers the
// clock, negative when the frame lies ahead of the clock.
int64_t PictureLag(int64_t clock, int64_t shownStart, int64_t frameTime);

// A tile whose picture lags this long (wall time) gets sought.
inline constexpr int64_t kResyncLagNs = 250'000'000;
// This many resyncs within kKeyOnlyWindowNs and the tile shows key frames only.
inline constexpr int kResyncsBeforeKeyOnly = 2;
inline constexpr int64_t kKeyOnlyWindowNs = 5'000'000'000;
// After a start or resync the first frame gets this long past its due moment to come.
inline constexpr int64_t kStartGraceNs = 500'000'000;
// A tile on key frames tries every frame again after this long (the machine may have time again).
inline constexpr int64_t kKeyOnlyRetryNs = 10'000'000'000;

// kResync seeks the tile; kKeyFramesOnly seeks it on key frames only; kAllFrames seeks it on
// every frame again.
enum class DriftAction { kNone, kResync, kKeyFramesOnly, kAllFrames };

class CDriftWatch {
 public:
  // A new start of the whole grid (play, go to time, rate): forgets the resyncs, full frames.
  void Restart(int64_t dueNs);
  // What to do about a picture lagging lagNs of wall time at monoNow.
  DriftAction Judge(int64_t monoNow, int64_t lagNs);
  // The caller sought the tile, on key frames only when keyOnly; its first frame is due at dueNs.
  void Resynced(int64_t monoNow, int64_t dueNs, bool keyOnly);
  bool KeyFramesOnly() const { return m_bKeyOnly; }

 private:
  int64_t m_llGraceUntil = 0;
  int64_t m_llKeyOnlySince = 0;
  bool m_bKeyOnly = false;
  std::deque<int64_t> m_resyncs;  // monotonic moments of the recent resyncs
};

}  // namespace vt
