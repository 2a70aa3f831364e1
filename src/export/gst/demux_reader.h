// One recording opened for one of its streams: filesrc ! avidemux, the first video or audio
// stream into an appsink, samples pulled one by one in file order. Everything else the file
// holds is left unlinked (the demuxer drops it). The demuxer's thread hands samples over in
// batches: a wake-up per sample cost more than the remux itself.
#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace vt {

enum class MediaTrack { kVideo, kAudio };

class CDemuxReader {
 public:
  CDemuxReader() = default;
  ~CDemuxReader();
  CDemuxReader(const CDemuxReader&) = delete;
  CDemuxReader& operator=(const CDemuxReader&) = delete;

  enum OpenResult { kFailed = -1, kNoStream = 0, kOpened = 1 };
  // Opens path and, when seekNs > 0, goes to the key frame at or before that stream time.
  OpenResult Open(const std::string& path, MediaTrack track, int64_t seekNs, const std::atomic<bool>* cancel,
                  std::string* error);
  enum PullResult { kError = -1, kEnd = 0, kSample = 1 };
  // The next sample (a new reference) in *sample.
  PullResult Pull(GstSample** sample, const std::atomic<bool>* cancel, std::string* error);
  void Close();

 private:
  bool WaitPrerolled(const std::atomic<bool>* cancel, std::string* error, bool* noStream);
  bool TakeError(std::string* error);
  void DropQueued();
  static void OnNoMorePads(GstElement* demux, gpointer self);
  static GstFlowReturn OnNewSample(GstAppSink* sink, gpointer self);
  static void OnEos(GstAppSink* sink, gpointer self);

  GstElement* m_pPipeline = nullptr;
  GstElement* m_pSink = nullptr;
  GstBus* m_pBus = nullptr;
  std::mutex m_mutex;
  std::condition_variable m_cvTaken;  // the puller took the queue
  std::condition_variable m_cvReady;  // a batch, the end or closing
  bool m_bNoMorePads = false;
  std::deque<GstSample*> m_queued;  // from the demuxer's thread
  bool m_bEos = false;
  bool m_bClosing = false;
  std::deque<GstSample*> m_taken;  // the puller's own
};

// Stream time (ns) of the video frame on screen at offsetNs: the last frame that starts at or
// before it (the first frame when none does). -1 with a reason when the file has no readable
// video.
int64_t FindVideoFrameStart(const std::string& path, int64_t offsetNs, std::string* error);

}  // namespace vt
