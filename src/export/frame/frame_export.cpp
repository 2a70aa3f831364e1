#include "export/frame/frame_export.h"

#include <cstdlib>

#include "export/gst/demux_reader.h"
#include "export/sha256.h"
#include "platform/atomic_file.h"
#include "playback/media_engine.h"
#include "snapshot/picture_file.h"
#include "snapshot/snapshot_caption.h"

namespace vt {

namespace {
constexpr int64_t kDefaultFrameTicks = kTicksPerSecond / 25;
constexpr int32_t kSettleMs = 10000;
constexpr int64_t kNsPerTick = 100;
}  // namespace

ExportOutcome RunFrameExport(const FrameExportJob& job, const std::atomic<bool>* cancel) {
  ExportOutcome out;
  auto cancelled = [&] {
    if (!cancel || !cancel->load()) return false;
    out.cancelled = true;
    out.error = "cancelled";
    return true;
  };
  if (job.plan.pieces.empty()) {
    out.error = "no recording of " + job.camera.label + " at " + FormatLocalWallTime(job.at);
    return out;
  }
  PictureFormat format;
  if (!PictureFormatFromPath(job.output, &format)) {
    out.error = job.output + ": the picture file must end in .bmp, .jpg or .png";
    return out;
  }
  if (!CheckExportDestination(job.output, job.dataFolder, job.camera.folder, job.replace, &out.error)) return out;
  const SpanPiece& piece = job.plan.pieces.front();
  if (piece.path.empty()) {
    out.error = "the recording of " + FormatLocalWallTime(piece.recordStart) + " is missing (" +
                std::string(piece.record.szFilePath) + ")";
    return out;
  }
  std::unique_ptr<IMediaEngine> engine = CreateGstEngine();
  if (Failed(engine->RenderFile(piece.path))) {
    out.error = piece.path + " cannot be played: " + engine->ErrorText();
    return out;
  }
  int64_t duration = 0, frames = 0, shown = 0;
  engine->GetDuration(&duration);
  engine->GetFrameCount(&frames);
  const int64_t frameTicks = frames > 0 && duration > 0 ? duration / frames : kDefaultFrameTicks;
  // The frame's own start from the stream; the engine is sent exactly there, so that it shows
  // that frame whole (a position inside a frame would come back as the frame's time).
  std::string error;
  const int64_t startNs = FindVideoFrameStart(piece.path, (job.at - piece.recordStart) * kNsPerTick, &error);
  if (startNs < 0) {
    out.error = piece.path + " cannot be read: " + error;
    return out;
  }
  int32_t state = 0;
  std::vector<uint8_t> frame;
  int32_t size = 0;
  if (Failed(engine->SetPositions(startNs / kNsPerTick)) || Failed(engine->StopWhenReady()) ||
      engine->GetState(kSettleMs, &state) != S_OK || Failed(engine->GetShownPosition(&shown)) ||
      Failed(engine->GetCurrentImage(&size, nullptr)) || size <= 0) {
    out.error = "the frame at " + FormatLocalWallTime(job.at) + " cannot be shown";
    return out;
  }
  frame.resize(static_cast<size_t>(size));
  if (std::llabs(shown - startNs / kNsPerTick) >= frameTicks / 2 || Failed(engine->GetCurrentImage(&size, frame.data()))) {
    out.error = "the frame at " + FormatLocalWallTime(job.at) + " cannot be captured";
    return out;
  }
  frame.resize(static_cast<size_t>(size));
  engine->Close();
  const WallTime frameTime = piece.recordStart + startNs / kNsPerTick;
  const PackedDib picture =
      RenderSnapshotPicture(frame.data(), frame.size(), Time32FromWall(frameTime), job.caption, job.font, job.color);
  std::string bytes;
  if (picture.empty() || !EncodePicture(format, picture, &bytes)) {
    out.error = "the frame cannot be converted to a picture";
    return out;
  }
  if (cancelled()) return out;
  AtomicWriteOptions options;
  options.replace = job.replace;
  const WriteResult w = WriteBytesAtomically(job.output, bytes.data(), bytes.size(), options);
  if (!w.ok()) {
    out.error = "cannot write " + job.output + ": " + w.Reason();
    return out;
  }
  std::vector<PieceOutcome> outcomes(1);
  PieceOutcome& o = outcomes.front();
  o.frames = 1;
  o.firstFrame = o.lastFrame = frameTime;
  o.lastFrameEnd = frameTime + frameTicks;
  o.hashed = Sha256File(piece.path, &o.sha256, &o.size, &error, {}, cancel);
  if (!o.hashed) {
    o.status = SourceStatus::kUnreadable;
    o.message = "cannot be hashed: " + error;
  }
  out.manifest = BuildManifest(ExportKind::kFrame, job.dataFolder, job.camera, {job.at, job.at}, job.plan, outcomes,
                               frameTime, false);
  out.manifest.outputFile = job.output.substr(job.output.rfind('/') + 1);
  out.manifest.outputSize = bytes.size();
  out.manifest.outputSha256 = Sha256Hex(bytes.data(), bytes.size());
  out.warnings = OutcomeWarnings(out.manifest);
  if (cancelled()) {
    DiscardExport(job.output, job.replace);
    return out;
  }
  if (!WriteExportManifest(job.output, job.replace, &out)) return out;
  out.ok = true;
  return out;
}

}  // namespace vt
