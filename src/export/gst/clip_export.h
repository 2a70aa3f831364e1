// A clip export from start to end, as vtexport and File > Export Clip... run it: the span's
// recordings remuxed into the destination (written whole or not at all), every source recording
// hashed meanwhile, then the manifest next to the clip.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "export/export_job.h"
#include "export/export_span.h"
#include "export/manifest.h"

namespace vt {

struct ClipExportJob {
  std::string dataFolder;
  ExportCamera camera;
  WallInterval requested;
  SpanPlan plan;  // the camera's recordings for requested (a copy: the job may run on another thread)
  std::string output;
  bool replace = false;  // an existing clip and manifest may be replaced
};

struct ExportOutcome {
  bool ok = false;
  bool cancelled = false;
  std::string error;
  ExportManifest manifest;
  std::string manifestPath;
  std::string manifestSha256;
  std::vector<std::string> warnings;  // recordings missing from the export, sound left out
};

// progress (may be empty) is called from the calling thread; cancel (may be null) stops the work
// and leaves neither the clip nor the manifest behind. A span without any recording, a
// destination that may not be written and a clip without a single readable frame are errors.
ExportOutcome RunClipExport(const ClipExportJob& job, const std::function<void(const ExportProgress&)>& progress,
                            const std::atomic<bool>* cancel);

// Removes an export that is in place but must not stay (cancelled before its manifest), and,
// when it replaced an earlier one, that one's manifest, which no longer describes it.
void DiscardExport(const std::string& output, bool replaced);

// Writes the manifest next to output (replacing one only when replace is set). On failure the
// output is removed as well, so that no export is left without its manifest.
bool WriteExportManifest(const std::string& output, bool replace, ExportOutcome* outcome);

}  // namespace vt
