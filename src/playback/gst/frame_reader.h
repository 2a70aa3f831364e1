// A second, video-only pipeline on the open file that decodes a run of frames as fast as the
// decoder goes, for the frame cache: stepping backwards through a group of pictures decodes the
// group from its key frame once here, while the Player's own pipeline stays where it is.
// Opened on first use; calls come from one thread at a time.
#pragma once

#include <gst/gst.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "playback/media_engine.h"

namespace vt {

class CFrameReader {
 public:
  explicit CFrameReader(std::string uri) : m_strUri(std::move(uri)) {}
  ~CFrameReader();
  CFrameReader(const CFrameReader&) = delete;
  CFrameReader& operator=(const CFrameReader&) = delete;

  // Called on the decoding thread with each frame number (0-based) and its picture.
  using Take = std::function<void(int64_t index, std::shared_ptr<const VideoFrame> frame)>;
  // Decodes from the key frame at or before frame `from` up to frame `to` (frameTime 100 ns
  // apart) and hands over the frames decoded from frame `keepFrom` on (keepFrom <= from: an
  // earlier keepFrom keeps more of the key frame's group, never decodes more). False when the
  // file cannot be decoded here or the run does not end within the time-out.
  bool Read(int64_t from, int64_t to, int64_t keepFrom, int64_t frameTime, const Take& take);

 private:
  bool Open();
  static GstFlowReturn OnSample(GstElement* sink, gpointer self, bool preroll);
  void Finish(bool ok);

  std::string m_strUri;
  GstElement* m_pPipe = nullptr;
  GstElement* m_pSink = nullptr;
  bool m_bFailed = false;  // did not open once: not tried again

  std::mutex m_mutex;  // guards the run below, written by the streaming thread
  std::condition_variable m_cv;
  bool m_bDone = false, m_bOk = false;
  int64_t m_llKeepFrom = 0, m_llTo = 0, m_llFrameTime = 0;
  const Take* m_pTake = nullptr;
};

}  // namespace vt
