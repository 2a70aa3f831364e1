#include "export/export_job.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/app_paths.h"
#include "longwork/work_progress.h"
#include "platform/data_policy.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "recorddb/camera_config.h"

#ifndef VT_PROGRAM_VERSION
#define VT_PROGRAM_VERSION "0"
#endif

namespace vt {

namespace {

bool IsRegular(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

struct CameraRows : ICameraList {
  std::vector<ExportCamera> rows;
  void ResetCameras() override { rows.clear(); }
  void AddCamera(int channelIndex, const std::string& label, const std::string& folder) override {
    rows.push_back({channelIndex + 1, label, folder});
  }
  void SelectCamera(int) override {}
};

// Where a record's file belongs under the camera folder (its day folder and name), for a record
// whose file is not found.
std::string ExpectedRecordPath(const std::string& cameraFolder, const RDB_RECORD& r) {
  std::string native = NativePath(std::string(r.szFilePath, strnlen(r.szFilePath, sizeof r.szFilePath)));
  const size_t nameAt = native.find_last_of('/');
  if (nameAt == std::string::npos) return JoinPath(cameraFolder, native);
  const size_t dayAt = nameAt == 0 ? std::string::npos : native.find_last_of('/', nameAt - 1);
  return JoinPath(cameraFolder, native.substr(dayAt == std::string::npos ? 0 : dayAt + 1));
}

}  // namespace

const char* ExportProgramVersion() { return VT_PROGRAM_VERSION; }

bool FindExportCamera(const std::string& dataFolder, int channel, ExportCamera* camera, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (channel < 1 || channel > kMaxChannels) return fail("the channel is a number from 1 to 16");
  if (!IsFolder(dataFolder)) return fail("not a folder: " + dataFolder);
  CameraRows rows;
  const std::string ini = JoinPath(dataFolder, kIniName);
  if (IsRegular(ini))
    LoadMainCameras(ini, false, &rows);
  else if (IsRegular(JoinPath(dataFolder, kSavedCameraFile)))
    LoadCamerasFromFolder(dataFolder, &rows);
  else
    return fail("no " + std::string(kIniName) + " or " + kSavedCameraFile + " in " + dataFolder);
  for (const ExportCamera& c : rows.rows) {
    if (c.channel != channel) continue;
    *camera = c;
    return true;
  }
  return fail("channel " + std::to_string(channel) + " is not set up in " + dataFolder);
}

std::string ManifestPathFor(const std::string& output) { return output + kManifestSuffix; }

bool CheckExportDestination(const std::string& output, const std::string& dataFolder, const std::string& cameraFolder,
                            bool replace, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (output.empty() || output.back() == '/') return fail("no file name given for the export");
  const size_t slash = output.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
  if (!IsFolder(folder)) return fail("the folder " + folder + " does not exist");
  ProtectDataFolder(dataFolder);
  ProtectDataFolder(cameraFolder);
  if (IsInProtectedData(output))
    return fail(output + " lies inside the recorder's data; exports are never written there");
  for (const std::string& path : {output, ManifestPathFor(output)}) {
    if (!Exists(path)) continue;
    if (!replace) return fail(path + " exists; it is replaced only when asked to (--force)");
    if (!IsRegular(path)) return fail(path + " exists and is not a file");
  }
  return true;
}

ExportManifest BuildManifest(ExportKind kind, const std::string& dataFolder, const ExportCamera& camera,
                             const WallInterval& requested, const SpanPlan& plan,
                             const std::vector<PieceOutcome>& outcomes, WallTime origin, bool audio) {
  ExportManifest m;
  m.kind = kind;
  m.programName = kExportProgramName;
  m.programVersion = ExportProgramVersion();
  m.exportedAt = NowWall() / kTicksPerMillisecond * kTicksPerMillisecond;
  m.dataFolder = ResolvedAbsolutePath(dataFolder);
  m.channel = camera.channel;
  m.cameraLabel = camera.label;
  m.cameraFolder = PathRelativeTo(dataFolder, camera.folder);
  m.requested = requested;
  m.timestampOrigin = origin;
  m.audio = audio;
  std::vector<WallInterval> covered;
  for (size_t i = 0; i < plan.pieces.size() && i < outcomes.size(); ++i) {
    const SpanPiece& p = plan.pieces[i];
    const PieceOutcome& o = outcomes[i];
    ManifestSource s;
    s.path = PathRelativeTo(dataFolder, p.path.empty() ? ExpectedRecordPath(camera.folder, p.record) : p.path);
    s.indexPath = std::string(p.record.szFilePath, strnlen(p.record.szFilePath, sizeof p.record.szFilePath));
    s.recordStart = p.recordStart;
    s.recordEnd = p.recordEnd;
    s.used = o.frames > 0 ? WallInterval{o.firstFrame, o.lastFrameEnd} : WallInterval{p.from, p.to};
    s.status = o.status;
    s.message = o.message;
    s.frames = o.frames;
    s.hashed = o.hashed;
    s.size = o.size;
    s.sha256 = o.sha256;
    m.sources.push_back(std::move(s));
    if (o.frames <= 0) continue;
    if (m.frameCount == 0 || o.firstFrame < m.firstFrame) m.firstFrame = o.firstFrame;
    if (m.frameCount == 0 || o.lastFrame > m.lastFrame) m.lastFrame = o.lastFrame;
    m.frameCount += o.frames;
    covered.push_back({o.firstFrame, std::max(o.lastFrameEnd, o.lastFrame + 1)});
  }
  m.gaps = UncoveredParts(requested.from, requested.to, covered);
  return m;
}

MatroskaTags ClipTags(const ExportCamera& camera, const WallInterval& requested) {
  return {
      {"TITLE", camera.label + " " + FormatLocalWallTime(requested.from) + " - " + FormatLocalWallTime(requested.to)},
      {"CAMERA", camera.label},
      {"CHANNEL", std::to_string(camera.channel)},
      {"SPAN_START", FormatIsoWallTime(requested.from)},
      {"SPAN_END", FormatIsoWallTime(requested.to)},
      {"DATE_RECORDED", FormatIsoWallTime(requested.from)},
      {"EXPORTED_BY", std::string(kExportProgramName) + " " + ExportProgramVersion()},
      {"COMMENT",
       "Recording time of a frame = the file's date (DateUTC) + the frame's timestamp. Pictures and sound are the "
       "recordings' own, not encoded again; times without recording are left as gaps."},
  };
}

std::vector<std::string> OutcomeWarnings(const ExportManifest& m) {
  std::vector<std::string> out;
  for (const ManifestSource& s : m.sources) {
    if (s.status != SourceStatus::kOk)
      out.push_back(s.path + ": " + SourceStatusName(s.status) + (s.message.empty() ? "" : " (" + s.message + ")"));
    else if (!s.message.empty())
      out.push_back(s.path + ": " + s.message);
  }
  return out;
}

WallInterval DefaultExportSpan(CRecordDB& db, time32 t, bool day) {
  if (t != 0 && !day) {
    if (const RDB_RECORD* r = db.FindRecordAt(t)) return {WallFromTime32(r->tStart), WallFromTime32(r->tEnd)};
  }
  RdbDay* d = nullptr;
  if (t != 0 && day && db.FindDay(t, nullptr, nullptr, &d, nullptr) && d && !d->records.empty())
    return {WallFromTime32(d->records.front().tStart), WallFromTime32(d->records.back().tEnd)};
  const RdbIndex* index = db.GetIndex();
  const RDB_RECORD* last = nullptr;
  if (index)
    for (const RdbYear& y : index->years)
      for (const RdbMonth& m : y.months)
        for (const RdbDay& dd : m.days)
          for (const RDB_RECORD& r : dd.records)
            if (!last || r.tStart > last->tStart) last = &r;
  if (!last) return {};
  return {WallFromTime32(last->tStart), WallFromTime32(last->tEnd)};
}

std::string DefaultExportFileName(int channel, WallTime from) {
  char camera[16];
  std::snprintf(camera, sizeof camera, "camera%02d-", channel);
  return camera + FormatLocalTime(Time32FromWall(from), "%Y%m%d-%H%M%S") + ".mkv";
}

int ExportProgressBar(const ExportProgress& p, int scale) {
  uint64_t done = static_cast<uint64_t>(std::max<int64_t>(0, p.frames));
  uint64_t total = static_cast<uint64_t>(std::max<int64_t>({0, p.totalFrames, p.frames}));
  if (p.hashing && p.hashTotalBytes > 0) {
    done = std::min(p.hashedBytes, p.hashTotalBytes);
    total = p.hashTotalBytes;
  }
  if (total == 0 || scale <= 0) return -1;
  return static_cast<int>(done * static_cast<uint64_t>(scale) / total);
}

double SecondsLeft(const ExportProgress& p) {
  return EstimateSecondsLeft(static_cast<double>(p.frames), static_cast<double>(std::max(p.totalFrames, p.frames)),
                             p.elapsedSeconds);
}

std::string FormatExportProgress(const ExportProgress& p) {
  const int64_t total = std::max(p.totalFrames, p.frames);
  std::string text = std::to_string(p.frames) + " / " + std::to_string(total) + " frames";
  if (p.hashing) {
    text += ", checking the hashes";
    if (p.hashTotalBytes > 0) {
      text += ' ';
      text += std::to_string(ExportProgressBar(p, 100));
      text += " %";
    }
    return text;
  }
  const double left = SecondsLeft(p);
  if (left >= 0) text += ", " + FormatClock(left) + " left";
  return text;
}

}  // namespace vt
