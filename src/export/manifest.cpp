#include "export/manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "export/json.h"
#include "export/sha256.h"
#include "platform/file_utils.h"
#include "platform/paths.h"

namespace vt {

namespace {

const char* KindName(ExportKind k) { return k == ExportKind::kFrame ? "frame" : "clip"; }

JsonValue Str(const std::string& s) { return JsonValue::MakeString(s); }
JsonValue Time(WallTime t) { return JsonValue::MakeString(FormatIsoWallTime(t)); }

JsonValue Interval(const WallInterval& i) {
  JsonValue v = JsonValue::MakeObject();
  v.Set("from", Time(i.from));
  v.Set("to", Time(i.to));
  return v;
}

// Reading: each accessor records the first problem and yields a neutral value.
class Reader {
 public:
  std::string error;

  const JsonValue& Object(const JsonValue& parent, const char* key) {
    const JsonValue& v = parent[key];
    if (!v.IsObject()) Fail(key, "an object");
    return v;
  }
  std::string String(const JsonValue& parent, const char* key) {
    const JsonValue& v = parent[key];
    if (!v.IsString()) Fail(key, "a string");
    return v.Str();
  }
  int64_t Int(const JsonValue& parent, const char* key, int64_t min, int64_t max) {
    const JsonValue& v = parent[key];
    if (!v.IsInt() || v.Int() < min || v.Int() > max) Fail(key, "a whole number in range");
    return v.Int();
  }
  bool Bool(const JsonValue& parent, const char* key) {
    const JsonValue& v = parent[key];
    if (!v.IsBool()) Fail(key, "true or false");
    return v.Bool();
  }
  WallTime Time(const JsonValue& parent, const char* key) {
    WallTime t = 0;
    if (!parent[key].IsString() || !ParseIsoWallTime(parent[key].Str(), &t)) Fail(key, "a date and time");
    return t;
  }
  WallInterval Interval(const JsonValue& parent, const char* key) {
    const JsonValue& v = Object(parent, key);
    return {Time(v, "from"), Time(v, "to")};
  }
  std::string Hash(const JsonValue& parent, const char* key) {
    std::string h = String(parent, key);
    if (h.size() != 64 || h.find_first_not_of("0123456789abcdef") != std::string::npos) Fail(key, "a SHA-256 in hex");
    return h;
  }
  void Fail(const char* key, const char* what) {
    if (error.empty()) error = std::string("\"") + key + "\" is not " + what;
  }
};

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!::getcwd(cwd, sizeof cwd)) return path;
  return JoinPath(cwd, path);
}

// realpath of the longest existing prefix, the rest appended as it is.
std::string Resolved(const std::string& path) {
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf)) return buf;
  std::string folder, name;
  if (!SplitPath(path, &folder, &name) || folder.empty()) return path;
  return JoinPath(Resolved(folder), name);
}

bool ReadSmallFile(const std::string& path, size_t limit, std::string* out, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot open " + path;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > limit) {
    ::close(fd);
    *error = path + " is not a manifest (not a regular file, or too large)";
    return false;
  }
  out->resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < out->size()) {
    const ssize_t n = ::read(fd, out->data() + done, out->size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  out->resize(done);
  return true;
}

}  // namespace

const char* SourceStatusName(SourceStatus s) {
  switch (s) {
    case SourceStatus::kOk: return "ok";
    case SourceStatus::kMissing: return "missing";
    case SourceStatus::kUnreadable: return "unreadable";
    case SourceStatus::kUnplayable: return "unplayable";
  }
  return "ok";
}

const char* VerifyStatusName(VerifyStatus s) {
  switch (s) {
    case VerifyStatus::kMatch: return "MATCH";
    case VerifyStatus::kChanged: return "CHANGED";
    case VerifyStatus::kNotAvailable: return "NOT AVAILABLE";
    case VerifyStatus::kNoHash: return "NO HASH";
  }
  return "";
}

std::string ManifestToJson(const ExportManifest& m) {
  JsonValue root = JsonValue::MakeObject();
  root.Set("format", Str(kManifestFormat));
  root.Set("formatVersion", JsonValue::MakeInt(kManifestFormatVersion));
  root.Set("kind", Str(KindName(m.kind)));
  JsonValue program = JsonValue::MakeObject();
  program.Set("name", Str(m.programName));
  program.Set("version", Str(m.programVersion));
  root.Set("program", std::move(program));
  root.Set("exportedAt", Time(m.exportedAt));
  root.Set("dataFolder", Str(m.dataFolder));
  JsonValue camera = JsonValue::MakeObject();
  camera.Set("channel", JsonValue::MakeInt(m.channel));
  camera.Set("label", Str(m.cameraLabel));
  camera.Set("folder", Str(m.cameraFolder));
  root.Set("camera", std::move(camera));
  root.Set("requested", Interval(m.requested));
  JsonValue exported = JsonValue::MakeObject();
  exported.Set("frameCount", JsonValue::MakeInt(m.frameCount));
  exported.Set("firstFrame", Time(m.firstFrame));
  exported.Set("lastFrame", Time(m.lastFrame));
  exported.Set("timestampOrigin", Time(m.timestampOrigin));
  exported.Set("audio", JsonValue::MakeBool(m.audio));
  root.Set("exported", std::move(exported));
  JsonValue gaps = JsonValue::MakeArray();
  for (const WallInterval& g : m.gaps) gaps.Push(Interval(g));
  root.Set("gaps", std::move(gaps));
  JsonValue sources = JsonValue::MakeArray();
  for (const ManifestSource& s : m.sources) {
    JsonValue v = JsonValue::MakeObject();
    v.Set("path", Str(s.path));
    v.Set("indexPath", Str(s.indexPath));
    v.Set("recording", Interval({s.recordStart, s.recordEnd}));
    v.Set("used", Interval(s.used));
    v.Set("status", Str(SourceStatusName(s.status)));
    if (!s.message.empty()) v.Set("message", Str(s.message));
    v.Set("frames", JsonValue::MakeInt(s.frames));
    if (s.hashed) {
      v.Set("size", JsonValue::MakeInt(static_cast<int64_t>(s.size)));
      v.Set("sha256", Str(s.sha256));
    }
    sources.Push(std::move(v));
  }
  root.Set("sources", std::move(sources));
  JsonValue output = JsonValue::MakeObject();
  output.Set("file", Str(m.outputFile));
  output.Set("size", JsonValue::MakeInt(static_cast<int64_t>(m.outputSize)));
  output.Set("sha256", Str(m.outputSha256));
  root.Set("output", std::move(output));
  return root.Write();
}

bool ManifestFromJson(const std::string& text, ExportManifest* m, std::string* error) {
  JsonValue root;
  std::string why;
  if (!ParseJson(text, &root, &why)) {
    if (error) *error = "not valid JSON: " + why;
    return false;
  }
  if (!root.IsObject() || root["format"].Str() != kManifestFormat) {
    if (error) *error = "not an export manifest";
    return false;
  }
  Reader r;
  ExportManifest out;
  if (r.Int(root, "formatVersion", 1, INT32_MAX) != kManifestFormatVersion) {
    if (error) *error = "manifest format version " + std::to_string(root["formatVersion"].Int()) + " is not known";
    return false;
  }
  const std::string kind = r.String(root, "kind");
  if (kind != "clip" && kind != "frame") r.Fail("kind", "\"clip\" or \"frame\"");
  out.kind = kind == "frame" ? ExportKind::kFrame : ExportKind::kClip;
  const JsonValue& program = r.Object(root, "program");
  out.programName = r.String(program, "name");
  out.programVersion = r.String(program, "version");
  out.exportedAt = r.Time(root, "exportedAt");
  out.dataFolder = r.String(root, "dataFolder");
  const JsonValue& camera = r.Object(root, "camera");
  out.channel = static_cast<int>(r.Int(camera, "channel", 1, 16));
  out.cameraLabel = r.String(camera, "label");
  out.cameraFolder = r.String(camera, "folder");
  out.requested = r.Interval(root, "requested");
  const JsonValue& exported = r.Object(root, "exported");
  out.frameCount = r.Int(exported, "frameCount", 0, INT64_MAX);
  out.firstFrame = r.Time(exported, "firstFrame");
  out.lastFrame = r.Time(exported, "lastFrame");
  out.timestampOrigin = r.Time(exported, "timestampOrigin");
  out.audio = r.Bool(exported, "audio");
  if (!root["gaps"].IsArray()) r.Fail("gaps", "an array");
  for (const JsonValue& g : root["gaps"].Items()) out.gaps.push_back({r.Time(g, "from"), r.Time(g, "to")});
  if (!root["sources"].IsArray()) r.Fail("sources", "an array");
  for (const JsonValue& v : root["sources"].Items()) {
    ManifestSource s;
    s.path = r.String(v, "path");
    s.indexPath = r.String(v, "indexPath");
    const WallInterval rec = r.Interval(v, "recording");
    s.recordStart = rec.from;
    s.recordEnd = rec.to;
    s.used = r.Interval(v, "used");
    const std::string status = r.String(v, "status");
    s.status = status == "missing"      ? SourceStatus::kMissing
               : status == "unreadable" ? SourceStatus::kUnreadable
               : status == "unplayable" ? SourceStatus::kUnplayable
                                        : SourceStatus::kOk;
    if (status != SourceStatusName(s.status)) r.Fail("status", "a known status");
    if (v.Has("message")) s.message = r.String(v, "message");
    s.frames = r.Int(v, "frames", 0, INT64_MAX);
    s.hashed = v.Has("sha256");
    if (s.hashed) {
      s.size = static_cast<uint64_t>(r.Int(v, "size", 0, INT64_MAX));
      s.sha256 = r.Hash(v, "sha256");
    }
    out.sources.push_back(std::move(s));
  }
  const JsonValue& output = r.Object(root, "output");
  out.outputFile = r.String(output, "file");
  out.outputSize = static_cast<uint64_t>(r.Int(output, "size", 0, INT64_MAX));
  out.outputSha256 = r.Hash(output, "sha256");
  if (out.outputFile.empty() || out.outputFile.find('/') != std::string::npos || out.outputFile == "." ||
      out.outputFile == "..")
    r.Fail("file", "a file name");
  if (!r.error.empty()) {
    if (error) *error = r.error;
    return false;
  }
  *m = std::move(out);
  return true;
}

std::string ResolvedAbsolutePath(const std::string& path) { return Resolved(Absolute(path)); }

std::string PathRelativeTo(const std::string& folder, const std::string& path) {
  const std::string f = Resolved(Absolute(folder));
  const std::string p = Resolved(Absolute(path));
  if (f == "/") return p.size() > 1 ? p.substr(1) : p;
  if (p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '/') return p.substr(f.size() + 1);
  return p;
}

bool VerifyManifest(const std::string& manifestPath, const std::string& dataFolder, VerifyReport* report,
                    std::string* error, const std::function<void(const VerifyEntry&)>& onEntry) {
  std::string text, why;
  if (!ReadSmallFile(manifestPath, kMaxManifestBytes, &text, &why)) {
    if (error) *error = why;
    return false;
  }
  ExportManifest m;
  if (!ManifestFromJson(text, &m, &why)) {
    if (error) *error = manifestPath + ": " + why;
    return false;
  }
  VerifyReport out;
  out.manifestSha256 = Sha256Hex(text.data(), text.size());
  auto check = [&](bool isExport, const std::string& path, uint64_t size, const std::string& sha) {
    VerifyEntry e;
    e.isExport = isExport;
    e.path = path;
    std::string hex, readError;
    uint64_t actualSize = 0;
    if (!Sha256File(path, &hex, &actualSize, &readError)) {
      e.status = VerifyStatus::kNotAvailable;
      e.detail = readError;
    } else if (hex != sha || actualSize != size) {
      e.status = VerifyStatus::kChanged;
      e.detail = actualSize != size ? "size " + std::to_string(actualSize) + ", expected " + std::to_string(size)
                                    : "sha256 " + hex + ", expected " + sha;
    } else {
      e.status = VerifyStatus::kMatch;
    }
    if (onEntry) onEntry(e);
    out.entries.push_back(std::move(e));
  };
  std::string folder;
  // Built whole rather than assigned over: gcc 12 at -O3 reports a false overlap otherwise.
  if (!SplitPath(manifestPath, &folder, nullptr)) folder = std::string(1, '.');
  if (folder.empty()) folder = std::string(1, '/');
  check(true, JoinPath(folder, m.outputFile), m.outputSize, m.outputSha256);
  const std::string base = dataFolder.empty() ? m.dataFolder : dataFolder;
  for (const ManifestSource& s : m.sources) {
    const std::string path = !s.path.empty() && s.path[0] == '/' ? s.path : JoinPath(base, s.path);
    if (!s.hashed) {
      VerifyEntry e;
      e.path = path;
      e.status = VerifyStatus::kNoHash;
      e.detail = std::string("not hashed at export time (") + SourceStatusName(s.status) + ")";
      if (onEntry) onEntry(e);
      out.entries.push_back(std::move(e));
      continue;
    }
    check(false, path, s.size, s.sha256);
  }
  out.ok = true;
  for (const VerifyEntry& e : out.entries) {
    if (e.status == VerifyStatus::kChanged) out.ok = false;
    if (e.isExport && e.status != VerifyStatus::kMatch) out.ok = false;
  }
  if (report) *report = std::move(out);
  return true;
}

}  // namespace vt
