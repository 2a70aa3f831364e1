#include "demo/demo_data.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QGuiApplication>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

#include "platform/temp_dir.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "playback/record_info.h"
#include "recorddb/camera_config.h"
#include "recorddb/record_list.h"

namespace vt::demo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QCoreApplication::instance()) {
      if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      static int argc = 1;
      static char name[] = "test_demo_data";
      static char* argv[] = {name, nullptr};
      m_app = std::make_unique<QGuiApplication>(argc, argv);
    }
  }
  void TearDown() override { m_app.reset(); }

 private:
  std::unique_ptr<QGuiApplication> m_app;
};
const bool kEnv = (::testing::AddGlobalTestEnvironment(new GuiEnvironment), true);

struct CameraListFake : ICameraList {
  void ResetCameras() override { entries.clear(); }
  void AddCamera(int channelIndex, const std::string& label, const std::string& folder) override {
    entries.push_back({channelIndex, label, folder});
  }
  void SelectCamera(int) override {}
  std::vector<std::tuple<int, std::string, std::string>> entries;
};

// Modification time (ns) of every file below dir.
std::map<std::string, long long> FileTimes(const std::string& dir) {
  std::map<std::string, long long> times;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    struct stat st {};
    if (e.is_regular_file() && ::stat(e.path().c_str(), &st) == 0)
      times[e.path().string()] = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
  }
  return times;
}

struct MediaFacts {
  GstClockTime duration = 0;
  int videoStreams = 0;
  int audioStreams = 0;
  int width = 0;
  int height = 0;
};

bool Discover(const std::string& path, MediaFacts* facts) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  GError* err = nullptr;
  GstDiscoverer* disc = gst_discoverer_new(10 * GST_SECOND, &err);
  if (!disc) return false;
  gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
  GstDiscovererInfo* info = gst_discoverer_discover_uri(disc, uri, &err);
  g_free(uri);
  if (err) g_error_free(err);
  bool ok = info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK;
  if (ok) {
    facts->duration = gst_discoverer_info_get_duration(info);
    GList* video = gst_discoverer_info_get_video_streams(info);
    GList* audio = gst_discoverer_info_get_audio_streams(info);
    facts->videoStreams = static_cast<int>(g_list_length(video));
    facts->audioStreams = static_cast<int>(g_list_length(audio));
    if (video) {
      auto* v = static_cast<GstDiscovererVideoInfo*>(video->data);
      facts->width = static_cast<int>(gst_discoverer_video_info_get_width(v));
      facts->height = static_cast<int>(gst_discoverer_video_info_get_height(v));
    }
    gst_discoverer_stream_info_list_free(video);
    gst_discoverer_stream_info_list_free(audio);
  }
  if (info) gst_discoverer_info_unref(info);
  g_object_unref(disc);
  return ok;
}

// One real generation, checked with the record database and playback cores, then a second
// run that must reuse it. One test, so the set is made once per run.
TEST(DemoData, GeneratedSetReadsBackWithTheCoreAndIsReused) {
  TempDir tmp;
  const std::string dir = tmp / "demo";
  const DemoPlan plan = MakeDemoPlan(dir, Now32());
  std::string error;
  int calls = 0, lastDone = 0;
  ASSERT_TRUE(GenerateDemoData(plan, &error, [&](int done, int total, const std::string& file) {
    ++calls;
    EXPECT_EQ(done, lastDone + 1);
    EXPECT_EQ(total, static_cast<int>(plan.records.size()));
    EXPECT_TRUE(FileExists(file)) << file;
    lastDone = done;
  })) << error;
  EXPECT_EQ(calls, static_cast<int>(plan.records.size()));
  EXPECT_TRUE(IsDemoDataComplete(dir));
  EXPECT_FALSE(FileExists(JoinPath(dir, kDemoStartedMarker)));

  // The recorder configuration as the player reads it.
  const std::string ini = JoinPath(dir, "vantor.ini");
  CameraListFake cameras;
  LoadMainCameras(ini, false, &cameras);
  ASSERT_EQ(cameras.entries.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(std::get<0>(cameras.entries[i]), static_cast<int>(i));
    EXPECT_EQ(std::get<1>(cameras.entries[i]), "C" + std::to_string(i + 1) + ":" + plan.cameras[i].strName);
    EXPECT_EQ(std::get<2>(cameras.entries[i]), plan.cameras[i].strFolder);
  }
  EXPECT_EQ(GetProfileInt(ini, "Preference", "fAutoPlay", -1), 1);
  EXPECT_EQ(GetProfileInt(ini, "Preference", "fHasMask", -1), 0);

  // Indexes: cameras 1 and 2 have one, camera 3 gets its own on the first open.
  EXPECT_TRUE(FileExists(JoinPath(plan.cameras[0].strFolder, "rdb.ndx")));
  EXPECT_TRUE(FileExists(JoinPath(plan.cameras[1].strFolder, "rdb.ndx")));
  EXPECT_FALSE(FileExists(JoinPath(plan.cameras[2].strFolder, "rdb.ndx")));
  for (size_t c = 0; c < plan.cameras.size(); ++c) {
    SCOPED_TRACE(plan.cameras[c].strName);
    std::map<std::string, std::tuple<time32, time32, int>> expected, listed;
    for (const DemoRecord& r : plan.records)
      if (r.nCamera == static_cast<int>(c)) expected[r.Path()] = {r.tStart, r.tEnd, r.nKind};
    {
      CRecordList list;
      ASSERT_EQ(list.OpenCamera(plan.cameras[c].strFolder, nullptr), 1);
      ASSERT_TRUE(list.LastOpenSucceeded());
      for (const RdbDayRef& day : list.GetDB().ListDays())
        for (const RDB_RECORD& rec : day.pDay->records) {
          listed[rec.szFilePath] = {rec.tStart, rec.tEnd, rec.nKind};
          EXPECT_EQ(rec.qwSize, fs::file_size(rec.szFilePath)) << rec.szFilePath;
        }
    }
    EXPECT_EQ(listed, expected);
    EXPECT_TRUE(FileExists(JoinPath(plan.cameras[c].strFolder, "rdb.ndx")));
  }

  // Every file: its trailer, and a video exactly as long as its name says.
  for (const DemoRecord& r : plan.records) {
    SCOPED_TRACE(r.Path());
    const DemoCamera& cam = plan.cameras[static_cast<size_t>(r.nCamera)];
    std::unique_ptr<CEventList> events;
    std::string textA = "-", textB = "-";
    ReadRecordInfo(r.Path(), nullptr, nullptr, &events, [&](const char* a, const char* b) {
      textA = a ? a : "(null)";
      textB = b ? b : "(null)";
    });
    EXPECT_EQ(textA, cam.strName);
    EXPECT_EQ(textB, cam.strSite);
    ASSERT_TRUE(events);
    ASSERT_EQ(events->GetCount(), r.events.size());
    uint32_t index = 0;
    for (const EVENT_RECORD& want : r.events) {
      const EVENT_RECORD* got = events->GetNext(&index);
      ASSERT_TRUE(got);
      EXPECT_EQ(got->tStart, want.tStart);
      EXPECT_EQ(got->tEnd, want.tEnd);
    }

    MediaFacts facts;
    ASSERT_TRUE(Discover(r.Path(), &facts));
    const GstClockTime want = static_cast<GstClockTime>(r.Seconds()) * GST_SECOND;
    const GstClockTime frame = GST_SECOND / kDemoFps;
    EXPECT_LE(facts.duration, want + frame);
    EXPECT_GE(facts.duration + frame, want);
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_EQ(facts.width, kDemoWidth);
    EXPECT_EQ(facts.height, kDemoHeight);
    EXPECT_EQ(facts.audioStreams, r.bAudio ? 1 : 0);
  }

  // A second run finds the complete set and writes nothing.
  const auto before = FileTimes(dir);
  error.clear();
  int secondCalls = 0;
  EXPECT_TRUE(GenerateDemoData(dir, &error, [&](int, int, const std::string&) { ++secondCalls; })) << error;
  EXPECT_EQ(secondCalls, 0);
  EXPECT_EQ(FileTimes(dir), before);
}

TEST(DemoData, InterruptedRunIsRedone) {
  TempDir tmp;
  const std::string dir = tmp / "demo";
  DemoPlan plan = MakeDemoPlan(dir, Now32());
  // One camera with its first recording keeps the test short.
  plan.cameras.resize(1);
  plan.records.resize(1);
  ASSERT_EQ(plan.records[0].nCamera, 0);
  ASSERT_TRUE(plan.cameras[0].bIndex);

  // What a run that stopped half-way leaves: its started marker, a truncated file, an old ini.
  const std::string stray = JoinPath(JoinPath(plan.cameras[0].strFolder, "2001-01-01"), "010000000000100.avi");
  ASSERT_TRUE(MakeFolderPath(JoinPath(plan.cameras[0].strFolder, "2001-01-01")));
  test::WriteFile(stray, "RIFF");
  test::WriteFile(JoinPath(dir, kDemoStartedMarker), "vtdemo 1\n");
  test::WriteFile(JoinPath(dir, "vantor.ini"), "[Storage_ch01]\r\nsStoragePath=/elsewhere\r\n");
  ASSERT_FALSE(IsDemoDataComplete(dir));

  std::string error;
  ASSERT_TRUE(GenerateDemoData(plan, &error)) << error;
  EXPECT_FALSE(FileExists(stray));
  EXPECT_TRUE(IsDemoDataComplete(dir));
  EXPECT_FALSE(FileExists(JoinPath(dir, kDemoStartedMarker)));
  EXPECT_EQ(test::ReadFile(JoinPath(dir, "vantor.ini")), DemoIniText(plan));
  CRecordDB db;
  ASSERT_TRUE(db.Open(plan.cameras[0].strFolder));
  ASSERT_EQ(db.ListDays().size(), 1u);
  ASSERT_EQ(db.ListDays()[0].pDay->records.size(), 1u);
  EXPECT_EQ(std::string(db.ListDays()[0].pDay->records[0].szFilePath), plan.records[0].Path());
}

TEST(DemoData, RefusesFoldersThatHoldOtherThings) {
  TempDir tmp;
  const std::string notes = tmp / "notes.txt";
  test::WriteFile(notes, "mine");
  const std::string file = tmp / "plain-file";
  test::WriteFile(file, "x");
  struct Case {
    std::string dir;
    const char* why;
  };
  const Case cases[] = {
      {tmp.path(), "not empty"},
      {file, "cannot create"},
      {"", "no folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dir);
    std::string error;
    EXPECT_FALSE(GenerateDemoData(c.dir, &error));
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
  EXPECT_EQ(test::ReadFile(notes), "mine");
  EXPECT_EQ(test::ReadFile(file), "x");
  EXPECT_FALSE(FileExists(tmp / "vantor.ini"));
  EXPECT_FALSE(FileExists(tmp / kDemoStartedMarker));
}

}  // namespace
}  // namespace vt::demo
