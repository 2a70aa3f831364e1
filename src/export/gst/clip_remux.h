// Remuxing the recordings of a span into one Matroska file with GStreamer, without decoding:
// the compressed pictures and sound go into the file unchanged. Each frame's timestamp is its
// wall-clock time minus the file's origin (its creation date), so gaps between recordings stay
// gaps. Video starts at the key frame at or before the span's start.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/export_job.h"
#include "export/export_span.h"
#include "export/manifest.h"
#include "export/mkv_file.h"

namespace vt {

struct RemuxResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;
  bool writeFailed = false;  // error is about writing the file, not reading the recordings
  std::vector<PieceOutcome> pieces;  // one per piece of the plan
  int64_t frames = 0;
  WallTime firstFrame = 0;
  WallTime lastFrame = 0;
  WallTime origin = 0;  // wall-clock time of timestamp 0
  bool audio = false;
};

struct RemuxProgress {
  int64_t frames = 0;       // video frames written so far
  int64_t totalFrames = 0;  // estimate for the whole span
  WallTime at = 0;          // wall-clock time of the last frame written
};

// Writes the Matroska file to fd (a new, empty, seekable file; not closed here). writingApp
// names the program in the file, tags are its tags (strings kept as they are). progress (may be empty) is called from this thread now and
// then; cancel (may be null) stops the work, with result.cancelled set. Missing or unreadable
// recordings are reported per piece and skipped; the result fails when no frame at all could be
// exported.
RemuxResult RemuxSpan(const SpanPlan& plan, int fd, const std::string& writingApp, const MatroskaTags& tags,
                      const std::function<void(const RemuxProgress&)>& progress, const std::atomic<bool>* cancel);

}  // namespace vt
