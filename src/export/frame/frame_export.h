// A single frame exported as a picture file: the frame on screen at a date-time, captured and
// converted as the Snapshot does (media engine capture, colour conversion, 256 x 240 widened, the
// caption with the frame's own recording time), written as BMP, JPEG or PNG by the file's
// extension, with a manifest next to it.
#pragma once

#include <atomic>
#include <string>

#include "export/export_job.h"
#include "export/export_span.h"
#include "export/gst/clip_export.h"
#include "platform/win_types.h"

namespace vt {

struct FrameExportJob {
  std::string dataFolder;
  ExportCamera camera;
  WallTime at = 0;
  SpanPlan plan;  // the recording at `at` (PlanSpan over [at, at + 1))
  std::string output;
  bool replace = false;
  bool caption = false;
  LOGFONT font{};     // the Snapshot's caption font and colour
  COLORREF color = 0;
};

// Needs GStreamer and, with the caption, a Qt GUI application object (for the fonts).
// cancel (may be null) stops it before the manifest is written, leaving neither file behind.
ExportOutcome RunFrameExport(const FrameExportJob& job, const std::atomic<bool>* cancel = nullptr);

}  // namespace vt
