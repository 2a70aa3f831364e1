// The manifest written next to every export (<name>.manifest.json): what was asked for, what was
// exported, where it came from, and the SHA-256 of every file involved, so that anyone can check
// later that neither the export nor the recordings changed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/export_span.h"
#include "export/export_time.h"

namespace vt {

constexpr const char* kManifestFormat = "vantor-export-manifest";
constexpr int kManifestFormatVersion = 1;
constexpr const char* kManifestSuffix = ".manifest.json";
// A manifest larger than this is not one of ours.
constexpr size_t kMaxManifestBytes = 16u << 20;

// What became of one source recording.
enum class SourceStatus { kOk, kMissing, kUnreadable, kUnplayable };
const char* SourceStatusName(SourceStatus s);

struct ManifestSource {
  std::string path;       // relative to the data folder; absolute when the file lies outside it
  std::string indexPath;  // the path as the record index stores it
  WallTime recordStart = 0;
  WallTime recordEnd = 0;
  WallInterval used;      // the part of the span taken from it
  SourceStatus status = SourceStatus::kOk;
  std::string message;    // why it is not ok
  bool hashed = false;    // size and sha256 are known
  uint64_t size = 0;
  std::string sha256;
  int64_t frames = 0;     // video frames exported from it
};

enum class ExportKind { kClip, kFrame };

struct ExportManifest {
  ExportKind kind = ExportKind::kClip;
  std::string programName;
  std::string programVersion;
  WallTime exportedAt = 0;
  std::string dataFolder;  // absolute, as it was at export time
  int channel = 0;         // 1-16
  std::string cameraLabel;
  std::string cameraFolder;  // relative to the data folder, or absolute
  WallInterval requested;    // a frame export: from = to = the time asked for
  // Exported frames: count and the wall-clock times of the first and last one. A clip may begin
  // before the requested start, at the key frame it needs.
  int64_t frameCount = 0;
  WallTime firstFrame = 0;
  WallTime lastFrame = 0;
  // Wall-clock time of timestamp 0 in the exported file (its creation date): recording time =
  // origin + timestamp.
  WallTime timestampOrigin = 0;
  bool audio = false;
  std::vector<WallInterval> gaps;  // parts of the requested span without any exported frame
  std::vector<ManifestSource> sources;
  std::string outputFile;  // file name, in the manifest's own folder
  uint64_t outputSize = 0;
  std::string outputSha256;
};

std::string ManifestToJson(const ExportManifest& m);
// False with a reason when the text is not a manifest of a known version.
bool ManifestFromJson(const std::string& text, ExportManifest* m, std::string* error);

// path made absolute, symbolic links resolved as far as the path exists.
std::string ResolvedAbsolutePath(const std::string& path);

// path relative to folder when it lies inside it (both resolved through symbolic links where they
// exist), else path made absolute.
std::string PathRelativeTo(const std::string& folder, const std::string& path);

// Result of checking one file of a manifest.
enum class VerifyStatus { kMatch, kChanged, kNotAvailable, kNoHash };
const char* VerifyStatusName(VerifyStatus s);

struct VerifyEntry {
  bool isExport = false;  // the exported file itself, else a source recording
  std::string path;       // as checked
  VerifyStatus status = VerifyStatus::kNoHash;
  std::string detail;     // what differed, or why it could not be read
};

struct VerifyReport {
  std::vector<VerifyEntry> entries;
  // Every hash that could be recomputed matched, and the exported file itself was there.
  bool ok = false;
  std::string manifestSha256;
};

// Reads manifestPath and recomputes the hashes: the export next to it, each source under
// dataFolder (empty: the data folder the manifest names). onEntry (may be empty) hears each result
// as it comes. False with a reason when the manifest cannot be read.
bool VerifyManifest(const std::string& manifestPath, const std::string& dataFolder, VerifyReport* report,
                    std::string* error, const std::function<void(const VerifyEntry&)>& onEntry = {});

}  // namespace vt
