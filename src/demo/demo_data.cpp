#include "demo/demo_data.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "demo/demo_clip.h"
#include "demo/demo_frame.h"
#include "platform/atomic_file.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "playback/vant_writer.h"
#include "recorddb/record_db.h"

namespace vt::demo {

namespace {

constexpr const char* kMarkerText = "vtdemo 1\n";

bool ReadSmallFile(const std::string& path, std::string* text) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[256];
  ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  if (n < 0) return false;
  text->assign(buf, static_cast<size_t>(n));
  return true;
}

// Through a temporary name and one rename, so a reader never sees half a file.
bool WriteWholeFile(const std::string& path, const std::string& text) {
  return WriteBytesAtomically(path, text.data(), text.size()).ok();
}

bool FolderEmptyOrMissing(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return true;
  bool empty = true;
  while (dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  ::closedir(d);
  return empty;
}

bool InsideEvent(const DemoRecord& r, time32 t) {
  for (const EVENT_RECORD& e : r.events)
    if (t >= e.tStart && t < e.tEnd) return true;
  return false;
}

bool WriteRecord(const DemoPlan& plan, const DemoRecord& r, CDemoPainter* painter, std::string* why) {
  const DemoCamera& cam = plan.cameras[static_cast<size_t>(r.nCamera)];
  DemoClipSpec spec;
  spec.nWidth = kDemoWidth;
  spec.nHeight = kDemoHeight;
  spec.nFps = kDemoFps;
  spec.nFrames = r.Frames();
  spec.bAudio = r.bAudio;
  DemoFrameInfo info;
  info.strCamera = cam.strName;
  info.rgbSky = cam.rgbSky;
  info.tStart = r.tStart;
  info.nFps = kDemoFps;
  auto draw = [&](int frame, QImage* image) {
    info.nFrame = frame;
    info.bEvent = InsideEvent(r, DemoFrameTime(r.tStart, frame, kDemoFps));
    painter->Draw(image, info);
  };
  if (!WriteDemoClip(spec, draw, r.Path(), why)) return false;
  VantTrailer trailer;
  trailer.events = r.events;
  trailer.textA = cam.strName;
  trailer.textB = cam.strSite;
  if (!AppendVantTrailer(r.Path(), trailer)) {
    *why = "cannot write " + r.Path();
    return false;
  }
  return true;
}

bool WriteIndex(const DemoPlan& plan, const DemoCamera& cam, std::string* why) {
  size_t expected = 0;
  for (const DemoRecord& r : plan.records)
    if (plan.cameras[static_cast<size_t>(r.nCamera)].nChannel == cam.nChannel) ++expected;
  CRecordDB db;
  db.SetFolder(cam.strFolder);
  if (db.Rebuild() != 1 || !db.Save()) {
    *why = "cannot write the index " + db.GetIndexPath();
    return false;
  }
  size_t listed = 0;
  for (const RdbDayRef& day : db.ListDays()) listed += day.pDay->records.size();
  if (listed != expected) {
    *why = "the index of " + cam.strFolder + " lists " + std::to_string(listed) + " of " +
           std::to_string(expected) + " recordings";
    return false;
  }
  return true;
}

}  // namespace

std::string DefaultDemoFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache == '/') return JoinPath(cache, "vtplayer-demo");
  const char* home = std::getenv("HOME");
  return JoinPath(JoinPath(home && *home ? home : "/tmp", ".cache"), "vtplayer-demo");
}

bool IsDemoDataComplete(const std::string& dir) {
  std::string text;
  return ReadSmallFile(JoinPath(dir, kDemoCompleteMarker), &text) && text == kMarkerText;
}

bool GenerateDemoData(const std::string& dir, std::string* error, const DemoProgress& progress) {
  if (IsDemoDataComplete(dir)) return true;
  // The storage paths in vantor.ini must not depend on the current folder.
  std::string absolute = dir;
  if (!dir.empty()) {
    std::error_code ec;
    absolute = std::filesystem::absolute(dir, ec).lexically_normal().string();
    if (ec) absolute = dir;
    while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  }
  return GenerateDemoData(MakeDemoPlan(absolute, Now32()), error, progress);
}

bool GenerateDemoData(const DemoPlan& plan, std::string* error, const DemoProgress& progress) {
  std::string why;
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    return false;
  };
  const std::string& dir = plan.strDir;
  if (dir.empty()) return fail("no folder given for the demo data");
  if (IsDemoDataComplete(dir)) return true;
  const std::string started = JoinPath(dir, kDemoStartedMarker);
  const bool ours = FileExists(started) || FileExists(JoinPath(dir, kDemoCompleteMarker));
  if (!ours && !FolderEmptyOrMissing(dir))
    return fail(dir + " is not empty and holds no demo data; choose an empty or new folder");
  if (!MakeFolderPath(dir)) return fail("cannot create " + dir);
  if (!FileExists(started) && !WriteWholeFile(started, kMarkerText)) return fail("cannot write in " + dir);

  // What an interrupted or older run left is ours (a marker says so): start afresh.
  std::error_code ec;
  std::filesystem::remove_all(JoinPath(dir, kRecordsFolder), ec);
  if (ec) return fail("cannot clear " + JoinPath(dir, kRecordsFolder) + ": " + ec.message());
  ::unlink(JoinPath(dir, kDemoCompleteMarker).c_str());

  if (!WriteWholeFile(JoinPath(dir, "vantor.ini"), DemoIniText(plan))) return fail("cannot write the vantor.ini in " + dir);
  for (const DemoCamera& cam : plan.cameras)
    if (!MakeFolderPath(cam.strFolder)) return fail("cannot create " + cam.strFolder);

  // Text needs the fonts of a GUI application object.
  std::unique_ptr<QGuiApplication> ownApp;
  if (!QCoreApplication::instance()) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vtdemo";
    static char* argv[] = {name, nullptr};
    ownApp = std::make_unique<QGuiApplication>(argc, argv);
  } else if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    return fail("the demo pictures need a GUI application object");
  }

  CDemoPainter painter(kDemoWidth, kDemoHeight);
  const int total = static_cast<int>(plan.records.size());
  int done = 0;
  for (const DemoRecord& r : plan.records) {
    if (!MakeFolderPath(r.strDayFolder)) return fail("cannot create " + r.strDayFolder);
    if (!WriteRecord(plan, r, &painter, &why)) return fail(why);
    if (progress) progress(++done, total, r.Path());
  }
  for (const DemoCamera& cam : plan.cameras)
    if (cam.bIndex && !WriteIndex(plan, cam, &why)) return fail(why);

  if (!WriteWholeFile(JoinPath(dir, kDemoCompleteMarker), kMarkerText)) return fail("cannot write in " + dir);
  ::unlink(started.c_str());
  return true;
}

}  // namespace vt::demo
