// One stream (video or audio) of a span, across all its recordings, as buffers in wall-clock
// order: each piece's window applied, video begun at a key frame, recordings that cannot be read
// reported and skipped. Video and audio have cursors of their own so that the audio of a later
// recording can be handed to the muxer while the video of a recording without sound goes on.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "export/export_span.h"
#include "export/gst/clip_remux.h"
#include "export/gst/demux_reader.h"

namespace vt {

struct StreamItem {
  GstBuffer* buffer = nullptr;  // owned reference
  WallTime wall = 0;            // wall-clock time of the buffer's start
  WallTime duration = 0;        // 0 when unknown
  size_t piece = 0;
};

class CStreamCursor {
 public:
  // results (one per piece) receive what this cursor finds; video owns the statuses, audio adds
  // a message and the audio flag.
  CStreamCursor(const SpanPlan& plan, MediaTrack track, std::vector<PieceOutcome>* results,
                const std::atomic<bool>* cancel);
  ~CStreamCursor();
  CStreamCursor(const CStreamCursor&) = delete;
  CStreamCursor& operator=(const CStreamCursor&) = delete;

  // Audio: the first piece's window starts here when that is earlier (the video's key frame).
  void SetLeadStart(WallTime t) { m_leadStart = t; }
  // The next buffer in wall-clock order; false when every piece is done (or on cancel).
  bool Next(StreamItem* item);
  // Caps of the stream as the file will carry it (of the first piece that had the stream), or
  // null before the first buffer. Not owned.
  GstCaps* Caps() const { return m_pCaps; }
  bool Cancelled() const { return m_bCancelled; }

 private:
  bool OpenPiece(size_t index);
  void FinishPiece();
  void Fail(size_t index, SourceStatus status, const std::string& message);
  bool Compatible(GstCaps* caps) const;
  void Take(GstBuffer* buffer, WallTime wall, WallTime duration);

  const SpanPlan& m_plan;
  MediaTrack m_track;
  std::vector<PieceOutcome>* m_pResults;
  const std::atomic<bool>* m_pCancel;
  WallTime m_leadStart;  // INT64_MAX: none

  size_t m_piece = 0;  // next piece to open, or the one open
  bool m_bOpen = false;
  std::unique_ptr<CDemuxReader> m_pReader;
  WallTime m_target = 0;        // start of the open piece's window
  bool m_bKeySeen = false;
  std::deque<StreamItem> m_gop;    // video read before the window's start, from its last key frame
  std::deque<StreamItem> m_ready;  // buffers to hand out
  GstCaps* m_pCaps = nullptr;
  bool m_bCancelled = false;
};

}  // namespace vt
