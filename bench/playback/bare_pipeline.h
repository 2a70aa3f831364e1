// The outside reference of the playback benchmark: a bare GStreamer playbin with the same
// video sink chain as the Player's engine (videoconvert into an appsink that takes the same
// formats), driven directly, without the Player, its engine or its threads.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <string>

namespace vt::bench {

class CBarePipeline {
 public:
  // Opens path paused on its first frame; Ok() is false when that fails.
  explicit CBarePipeline(const std::string& path);
  ~CBarePipeline();
  CBarePipeline(const CBarePipeline&) = delete;
  CBarePipeline& operator=(const CBarePipeline&) = delete;
  bool Ok() const { return m_pPipe != nullptr; }

  // Accurate flushing seek to 0-based frame n, until that frame is prerolled: ms. *exact is
  // false when another frame came.
  double Seek(int64_t n, bool* exact);

  struct Run {
    double totalMs = 0;     // from the seek to the last frame out
    double perFrameMs = 0;  // steady state: from the first frame out to the last, per frame
    bool exact = false;     // every frame came, in order
  };
  // Decodes count frames from frame first as fast as the decoder goes (sink not synchronised).
  Run Decode(int64_t first, int count);

 private:
  GstElement* m_pPipe = nullptr;
  GstElement* m_pSink = nullptr;
  int64_t m_llFrameNs = 40000000;  // from the stream's frame rate
};

}  // namespace vt::bench
