// Ours in the playback benchmark: the Player (CPlayerCore on the GStreamer engine) driven as
// the seek bar and the frame commands drive it, with a stand-in for the window that counts and
// paints the frames handed to it, as the Player window does.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "playback/media_engine.h"
#include "playback/player_core.h"

namespace vt::bench {

class CBenchView;
class CFrameCounter;

class CPlayerRun {
 public:
  // Opens path paused on its first frame (auto-play off); exits the process when it cannot.
  explicit CPlayerRun(const std::string& path);
  ~CPlayerRun();

  // A seek request to 1-based frame n, as the seek bar posts it (the Next and Previous Frame
  // commands are n = position + 1 and position - 1), until the seek thread has shown it: ms.
  double Seek(int64_t n);
  int64_t Position() const;
  // Frames shown that were not the one asked for, over every Seek so far.
  int Wrong() const { return m_nWrong; }

  struct FastPlay {
    double seconds = 0;           // wall time measured
    int pictures = 0;             // distinct frames handed to the window
    double recordingSeconds = 0;  // recording time covered by the pictures shown
    std::string speedText;        // the info bar's speed text at the end
  };
  // Plays from the first frame at speed command id for at most seconds (or to the end).
  FastPlay Play(uint32_t speedId, double seconds);

 private:
  std::unique_ptr<IMediaEngine> m_engine;
  std::unique_ptr<CBenchView> m_view;
  std::unique_ptr<CFrameCounter> m_frames;
  std::unique_ptr<CPlayerCore> m_core;
  int64_t m_llFrameTime = 0;
  int m_nWrong = 0;
};

}  // namespace vt::bench
