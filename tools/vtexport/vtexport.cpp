// vtexport: evidence export from a shell. A camera's footage of a time span as one Matroska file,
// one frame as a picture, each with a manifest of hashes; and the check of such a manifest.
#include <signal.h>
#include <unistd.h>

#include <QGuiApplication>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "export/export_job.h"
#include "export/frame/frame_export.h"
#include "export/gst/clip_export.h"
#include "export/manifest.h"
#include "platform/data_policy.h"
#include "platform/paths.h"
#include "recorddb/record_db.h"
#include "snapshot/snapshot_settings.h"
#include "tool_args.h"

namespace vt::vtexport {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;
// Without a terminal, a progress line this often.
constexpr auto kLogInterval = std::chrono::seconds(10);

constexpr const char kUsage[] =
    "Usage: vtexport [--read-only] [--codepage NAME] COMMAND OPTIONS\n"
    "\n"
    "Evidence export of a recorder's footage: a time span of one camera as one Matroska file, or\n"
    "one frame as a picture, each with a manifest of SHA-256 hashes next to it; and the check of\n"
    "such a manifest.\n"
    "\n"
    "Commands:\n"
    "  clip --data-folder DIR --channel N --from TIME --to TIME -o OUT.mkv [--force]\n"
    "      The pictures and sound of camera channel N (1-16) from TIME to TIME, across as many\n"
    "      recordings as the span touches, without encoding them again. The clip begins at the\n"
    "      key frame at or before --from. Its date plus each frame's timestamp is the frame's\n"
    "      recording time; times without recording stay gaps. Written: OUT.mkv and\n"
    "      OUT.mkv.manifest.json.\n"
    "  frame --data-folder DIR --channel N --at TIME [--caption] -o OUT.bmp|OUT.jpg|OUT.png [--force]\n"
    "      The frame on screen at TIME, as the Snapshot takes it; --caption draws the frame's own\n"
    "      recording time in the Snapshot's caption font and colour (section Snap of vantor.ini).\n"
    "      Written: the picture and PICTURE.manifest.json.\n"
    "  verify MANIFEST [--data-folder DIR]\n"
    "      Recomputes every hash the manifest lists that can be read: the exported file next to\n"
    "      the manifest, the source recordings under the data folder the manifest names (or DIR\n"
    "      when the data has moved). Prints one line per file.\n"
    "  --help\n"
    "      This text.\n"
    "\n"
    "DIR is the recorder's data folder (with vantor.ini) or a database saved by the player (with\n"
    "recorddb.ini). TIME is \"YYYY-MM-DD HH:MM:SS\" in local time, to the frame with a fraction\n"
    "(\"YYYY-MM-DD HH:MM:SS.fff\"), or seconds since 1970-01-01 UTC. A local time in the hour the\n"
    "clocks go back is taken as the first of its two instants for --from and --at, as the second\n"
    "for --to (a warning names the other).\n"
    "\n"
    "Options for every command:\n"
    "  --read-only      review mode, as vtdb has it. Exports never write into the data folder or\n"
    "                   the camera folders in any case (a destination there is refused) and work\n"
    "                   on data that cannot be written; an index that has to be rebuilt is rebuilt\n"
    "                   in memory only.\n"
    "  --codepage NAME  code page of camera names that are not UTF-8 (iconv names).\n"
    "  --force          replace an existing export and its manifest (clip and frame).\n"
    "\n"
    "Recordings of the span that are missing or cannot be played are listed in the manifest and on\n"
    "stderr; the export goes on with the others. Nothing is left behind when an export fails or is\n"
    "interrupted (Ctrl-C).\n"
    "\n"
    "Exit status: 0 done (verify: every hash that could be recomputed matches and the export is\n"
    "there), 1 error (verify: a mismatch or a missing export), 2 wrong usage, 130 interrupted.\n";

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
using UsageError = ToolUsageError;

[[noreturn]] void Fail(const std::string& message) { throw Failure(message); }
[[noreturn]] void Usage(const std::string& message) { throw UsageError(message); }

std::atomic<bool> g_cancel{false};

void OnSignal(int) { g_cancel.store(true); }

using Args = ToolArgs;

Args Parse(const std::vector<std::string>& in, const std::set<std::string>& valueOptions,
           const std::set<std::string>& flagOptions) {
  return ParseToolArgs(in, valueOptions, flagOptions);
}

WallTime Time(const Args& a, const std::string& name, bool end = false) {
  WallTime taken = 0, other = -1;
  if (!ParseSpanEdge(a.Value(name), end, &taken, &other))
    Usage("--" + name + " \"" + a.Value(name) + "\" is not a time (YYYY-MM-DD HH:MM:SS[.fff], or seconds)");
  if (other >= 0)
    std::cerr << "vtexport: warning: --" << name << " \"" << a.Value(name)
              << "\" occurs twice as the clocks go back; taken as " << FormatIsoWallTime(taken) << ", not "
              << FormatIsoWallTime(other) << " (for that one give seconds since 1970: " << Time32FromWall(other)
              << ")\n";
  return taken;
}

int Channel(const Args& a) {
  const std::string text = a.Value("channel");
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos ||
      std::atoi(text.c_str()) < 1 || std::atoi(text.c_str()) > 16)
    Usage("--channel takes a channel number 1-16");
  return std::atoi(text.c_str());
}

ExportCamera Camera(const std::string& dataFolder, int channel) {
  ExportCamera camera;
  std::string error;
  if (!FindExportCamera(dataFolder, channel, &camera, &error)) Fail(error);
  return camera;
}

// The camera's index, loaded or rebuilt in memory; nothing is written into the data.
void OpenIndex(const ExportCamera& camera, CRecordDB* db) {
  ProtectDataFolder(camera.folder);
  if (!db->Open(camera.folder)) Fail("cannot read the records of " + camera.label + " in " + camera.folder);
}

SpanPlan Plan(CRecordDB& db, WallTime from, WallTime to) {
  return PlanSpan(*db.GetIndex(), from, to, [&db](const RDB_RECORD& r) { return db.ResolvePath(r); });
}

// Progress on stderr: rewritten in place on a terminal, a line now and then otherwise.
class CProgressLine {
 public:
  CProgressLine() : m_tty(::isatty(STDERR_FILENO) != 0) {}
  void Show(const ExportProgress& p) {
    const auto now = std::chrono::steady_clock::now();
    if (m_tty) {
      std::cerr << "\r" << FormatExportProgress(p) << "   " << std::flush;
      m_shown = true;
    } else if (now - m_last >= kLogInterval) {
      m_last = now;
      std::cerr << "vtexport: " << FormatExportProgress(p) << "\n";
    }
  }
  void End() {
    if (m_shown) std::cerr << "\n";
    m_shown = false;
  }

 private:
  bool m_tty;
  bool m_shown = false;
  std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

int Report(const ExportOutcome& out) {
  for (const std::string& w : out.warnings) std::cerr << "vtexport: warning: " << w << "\n";
  if (out.cancelled) {
    std::cerr << "vtexport: interrupted; nothing was written\n";
    return kExitInterrupted;
  }
  if (!out.ok) Fail(out.error);
  const ExportManifest& m = out.manifest;
  std::cout << "exported " << m.frameCount << (m.frameCount == 1 ? " frame" : " frames") << " of " << m.cameraLabel
            << ", " << FormatLocalWallTime(m.firstFrame) << " to " << FormatLocalWallTime(m.lastFrame);
  if (!m.gaps.empty()) std::cout << ", " << m.gaps.size() << (m.gaps.size() == 1 ? " gap" : " gaps");
  std::cout << "\n" << out.manifestPath << " sha256 " << out.manifestSha256 << "\n";
  return kExitOk;
}

int Clip(const std::vector<std::string>& in) {
  const Args a = Parse(in, {"data-folder", "channel", "from", "to", "o"}, {"force"});
  if (!a.positional.empty()) Usage("unexpected " + a.positional.front());
  const std::string dataFolder = a.Value("data-folder");
  const int channel = Channel(a);
  const WallTime from = Time(a, "from"), to = Time(a, "to", true);
  const std::string output = a.Value("o");
  if (to <= from) Usage("--to must come after --from");
  ClipExportJob job;
  job.dataFolder = dataFolder;
  job.camera = Camera(dataFolder, channel);
  job.requested = {from, to};
  job.output = output;
  job.replace = a.Has("force");
  CRecordDB db;
  OpenIndex(job.camera, &db);
  job.plan = Plan(db, from, to);
  CProgressLine line;
  const ExportOutcome out = RunClipExport(job, [&line](const ExportProgress& p) { line.Show(p); }, &g_cancel);
  line.End();
  return Report(out);
}

// The caption needs fonts, so a GUI application object without a display.
void StartFontSupport(int* argc, char** argv, std::unique_ptr<QGuiApplication>* app) {
  if (QGuiApplication::instance()) return;
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's notes about the session (no runtime folder, no display) are not for this program's user.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << "vtexport: " << text.toStdString() << "\n";
  });
  *app = std::make_unique<QGuiApplication>(*argc, argv);
}

int Frame(const std::vector<std::string>& in, int* argc, char** argv) {
  const Args a = Parse(in, {"data-folder", "channel", "at", "o"}, {"caption", "force"});
  if (!a.positional.empty()) Usage("unexpected " + a.positional.front());
  FrameExportJob job;
  job.dataFolder = a.Value("data-folder");
  const int channel = Channel(a);
  job.at = Time(a, "at");
  job.output = a.Value("o");
  job.replace = a.Has("force");
  job.caption = a.Has("caption");
  job.camera = Camera(job.dataFolder, channel);
  CSnapshotSettings snap;
  snap.Load(JoinPath(job.dataFolder, kIniName), "");
  job.font = snap.m_lf;
  job.color = snap.m_crColor;
  CRecordDB db;
  OpenIndex(job.camera, &db);
  job.plan = Plan(db, job.at, job.at + 1);
  std::unique_ptr<QGuiApplication> app;
  if (job.caption) StartFontSupport(argc, argv, &app);
  return Report(RunFrameExport(job, &g_cancel));
}

int Verify(const std::vector<std::string>& in) {
  const Args a = Parse(in, {"data-folder"}, {});
  if (a.positional.size() != 1) Usage("verify takes one manifest");
  VerifyReport report;
  std::string error;
  const bool read = VerifyManifest(a.positional[0], a.Has("data-folder") ? a.Value("data-folder") : "", &report,
                                   &error, [](const VerifyEntry& e) {
                                     std::cout << VerifyStatusName(e.status) << "  " << (e.isExport ? "export " : "source ")
                                               << e.path << (e.detail.empty() ? "" : "  (" + e.detail + ")") << "\n"
                                               << std::flush;
                                   });
  if (!read) Fail(error);
  std::cout << "manifest sha256 " << report.manifestSha256 << "\n";
  std::cout << (report.ok ? "OK: every available hash matches\n" : "FAILED: see the lines above\n");
  return report.ok ? kExitOk : kExitError;
}

int Run(int argc, char** argv) {
  // Exports read the data and never change it: review mode whatever the options say.
  SetReadOnlyData(true);
  struct sigaction sa {};
  sa.sa_handler = &OnSignal;
  ::sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
  // A file-size limit makes writes fail (as a full disk does) instead of killing the process.
  ::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  bool readOnly = false;  // always so here
  TakeCommonToolOptions(&args, &readOnly);
  if (args.empty()) Usage("no command given");
  const std::string cmd = args[0];
  args.erase(args.begin());
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::cout << kUsage;
    return kExitOk;
  }
  if (cmd == "clip") return Clip(args);
  if (cmd == "frame") return Frame(args, &argc, argv);
  if (cmd == "verify") return Verify(args);
  Usage("unknown command " + cmd);
}

}  // namespace
}  // namespace vt::vtexport

int main(int argc, char** argv) {
  try {
    return vt::vtexport::Run(argc, argv);
  } catch (const vt::vtexport::UsageError& e) {
    std::cerr << "vtexport: " << e.what() << " (see vtexport --help)\n";
    return vt::vtexport::kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "vtexport: " << e.what() << "\n";
    return vt::vtexport::kExitError;
  }
}
