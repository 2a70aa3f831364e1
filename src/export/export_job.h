// The parts of an export that need no media framework: which camera, whether the destination may
// be written, what each recording contributed, the manifest and the file's tags built from that,
// and the progress text. The clip and frame exports (gst/) and their callers share them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/export_span.h"
#include "export/manifest.h"
#include "export/mkv_file.h"
#include "recorddb/record_db.h"

namespace vt {

constexpr const char* kExportProgramName = "Vantor 2 Player for Linux";
// The program's version (the build's project version).
const char* ExportProgramVersion();

struct ExportCamera {
  int channel = 0;  // 1-16
  std::string label;
  std::string folder;
};

// Channel (1-16) of the recorder's data folder: from its vantor.ini, or from recorddb.ini when
// the folder is a database saved by the program. False with a reason when there is no such
// camera.
bool FindExportCamera(const std::string& dataFolder, int channel, ExportCamera* camera, std::string* error);

// What one recording of the span gave.
struct PieceOutcome {
  SourceStatus status = SourceStatus::kOk;
  std::string message;  // why the recording (or its sound) is missing from the export
  int64_t frames = 0;   // video frames taken from it
  WallTime firstFrame = 0;
  WallTime lastFrame = 0;
  WallTime lastFrameEnd = 0;  // end of the last frame's display time
  bool audio = false;
  bool hashed = false;  // size and sha256 of the whole file are known
  uint64_t size = 0;
  std::string sha256;
};

// The destination may be written: not inside the data under review (the data folder and the
// camera folder are protected here), its folder exists, and neither it nor its manifest exists
// unless replace is set. False with a reason for the user.
bool CheckExportDestination(const std::string& output, const std::string& dataFolder, const std::string& cameraFolder,
                            bool replace, std::string* error);

std::string ManifestPathFor(const std::string& output);

// The manifest of an export; outcomes has one entry per piece of plan. The output's name, size and
// hash are filled in by the caller.
ExportManifest BuildManifest(ExportKind kind, const std::string& dataFolder, const ExportCamera& camera,
                             const WallInterval& requested, const SpanPlan& plan,
                             const std::vector<PieceOutcome>& outcomes, WallTime origin, bool audio);

// Tags of an exported clip: camera, channel, the requested span, who exported it and how to read
// its times.
MatroskaTags ClipTags(const ExportCamera& camera, const WallInterval& requested);

// One line per recording that is missing from the export or lost its sound, for the user.
std::vector<std::string> OutcomeWarnings(const ExportManifest& manifest);

// The span a user most likely wants: the recording or the day that starts at t (a tree
// selection), else the camera's last recording. Empty (from = to) when the database is empty.
WallInterval DefaultExportSpan(CRecordDB& db, time32 t, bool day);
// "camera01-20080510-102030.mkv" for channel 1 and a span from 2008-05-10 10:20:30 local.
std::string DefaultExportFileName(int channel, WallTime from);

struct ExportProgress {
  int64_t frames = 0;
  int64_t totalFrames = 0;
  double elapsedSeconds = 0;
  bool hashing = false;  // copying is done; the hashes are being finished
  // While hashing: bytes of the recordings and the clip hashed so far, of hashTotalBytes (0 when
  // unknown).
  uint64_t hashedBytes = 0;
  uint64_t hashTotalBytes = 0;
};
// "1200 / 9000 frames, 0:42 left" (no estimate before the first frames; hours when needed);
// hashing, "9000 / 9000 frames, checking the hashes 45 %".
std::string FormatExportProgress(const ExportProgress& p);
// Position of the progress bar in 0..scale: by frames while copying, by bytes while hashing; -1
// before there is a total (a busy bar).
int ExportProgressBar(const ExportProgress& p, int scale);
// Seconds left at the rate so far; -1 when there is nothing to go on yet.
double SecondsLeft(const ExportProgress& p);

}  // namespace vt
