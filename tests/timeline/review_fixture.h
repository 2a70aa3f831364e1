// The main window with the real Player on one camera of generated recordings (a clip with its
// 0-based frame number drawn in every frame, 25 fps), for the reviewing tests:
//   2024-05-10  10:00:00-10:00:02, 10:00:02-10:00:04 (back to back), gap,
//               10:00:10-10:00:12 (event recording), 23:59:58-00:00:02 (across midnight)
//   2024-05-11  00:00:02-00:00:04
// in UTC, so that names, folders and times agree whatever the machine's zone.
#pragma once

#include <gtest/gtest.h>
#include <gst/gst.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSettings>
#include <QTest>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/message_box.h"
#include "browser/record_tree.h"
#include "common/scoped_tz.h"
#include "common/temp_dir.h"
#include "frame/left_view_pane.h"
#include "frame/main_frame.h"
#include "platform/local_time.h"
#include "playback/gst/test_media.h"
#include "playback/player_wnd_util.h"
#include "playback/player_wnd.h"
#include "playback/seek_bar.h"
#include "recorddb/camera_config.h"
#include "recorddb/rdb_fixture.h"
#include "res/strings.h"
#include "timeline/day_timeline.h"
#include "timeline/review_navigator.h"

namespace vt::test {

namespace fs = std::filesystem;

// One Qt application and GStreamer for the test program, with the user's settings in a
// private folder.
class ReviewEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static TempDir config("vt_review_config");
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    static int argc = 1;
    static char name[] = "test_review";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VTPlayer"));
    QApplication::setOrganizationName(QStringLiteral("VTPlayer"));
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
  }
};

inline constexpr int kFps = 25;

class ReviewFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_clips = new TempDir("vt_review_clips");
    for (int seconds : {2, 4}) {
      std::string error;
      ASSERT_TRUE(MakeTestClip({TestClipSpec::kMjpeg, 192, 144, seconds * kFps, kFps, false}, Clip(seconds), &error))
          << error;
    }
  }
  static void TearDownTestSuite() {
    delete s_clips;
    s_clips = nullptr;
  }
  static std::string Clip(int seconds) { return *s_clips / ("clip" + std::to_string(seconds) + ".avi"); }

  void SetUp() override {
    // Every test starts from the defaults of the remembered options.
    QSettings(QStringLiteral("VTPlayer"), QStringLiteral("VTPlayer")).clear();
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes_.push_back(r.text);
      return IDOK;
    });
    fs::create_directories(dir_ / "data");
    AddRecord("2024-05-10", "100000100002", 2);
    AddRecord("2024-05-10", "100002100004", 2);
    AddRecord("2024-05-10", "100010100012", 2, 1);
    AddRecord("2024-05-10", "235958000002", 4);
    AddRecord("2024-05-11", "000002000004", 2);
    std::ofstream(dir_ / "data/vantor.ini") << "[Storage_ch01]\r\nsStoragePath=" << (dir_ / "cam1").string()
                                            << "\r\n[Preference_ch01]\r\nsCameraName=Gate\r\n";
  }
  void TearDown() override {
    frame_.reset();
    SetMessageBoxDisplay({});
  }

  void AddRecord(const std::string& day, const std::string& span, int seconds, int kind = 0) {
    fs::create_directories(dir_ / "cam1" / day);
    fs::copy_file(Clip(seconds), dir_ / "cam1" / day / ("00" + span + std::to_string(kind) + ".avi"));
  }

  // The main window on the camera, shown, with auto-play as given.
  void Start(bool autoPlay = false) {
    FrameContext c;
    c.strProgramFolder = VT_TEST_RESOURCE_DIR;
    c.strDataFolder = (dir_ / "data").string();
    c.strIniPath = (dir_ / "data/vantor.ini").string();
    c.textById = [](uint32_t id) {
      const char* s = res::LoadResString(id);
      return std::string(s ? s : " ");
    };
    c.bListen = false;
    c.pickFolder = pickFolder_;
    c.makePlayer = [this](QWidget* parent) {
      PlayerHooks hooks;
      hooks.textById = [](uint32_t id) {
        const char* s = res::LoadResString(id);
        return std::string(s ? s : "");
      };
      hooks.messageText = [this](const std::string& s) { boxes_.push_back(s); };
      hooks.messageByKey = [this](const char* key, int) { boxes_.push_back(key); };
      player_ = new CPlayerWnd(parent, nullptr, hooks);
      return player_;
    };
    frame_ = std::make_unique<CMainFrame>(std::move(c));
    ASSERT_TRUE(frame_->Create());
    frame_->GetSettings().m_bAutoPlay = autoPlay;
    player_->SetAutoPlay(autoPlay);
    frame_->show();
    LoadMainCameras((dir_ / "data/vantor.ini").string(), false, frame_->GetLeftView());
    pane_ = dynamic_cast<CLeftViewPane*>(frame_->GetLeftView());
    ASSERT_NE(pane_, nullptr);
    tree_ = pane_->GetView()->GetTree();
    nav_ = frame_->GetReview();
    ASSERT_NE(nav_, nullptr);
    ASSERT_TRUE(WaitFor([this] { return nav_->Sequence().size() == 5; }));
  }

  // Frame number drawn in the picture the Player shows now (0-based), -1 when none reads.
  int ShownFrame() {
    Pump(30);
    return PaintedFrame(player_->grab().toImage(), player_->PictureRect());
  }
  // Waits until the Player shows frame n.
  bool ShowsFrame(int n, int timeoutMs = 5000) {
    return WaitFor([&] { return ShownFrame() == n; }, timeoutMs);
  }
  // "YYYY-MM-DD HH:MM:SS" of the tree's selected record.
  std::string SelectedRecord() {
    time32 t = 0;
    return tree_->GetRecordTimeOfSelection(&t, nullptr) == kSelRecord ? FormatLocalTime(t, "%Y-%m-%d %H:%M:%S") : "";
  }

  ScopedTz tz_{"UTC0"};
  TempDir tmp_{"vt_review"};
  fs::path dir_{tmp_.path()};
  std::vector<std::string> boxes_;
  FolderPicker pickFolder_;  // the window's folder picker; empty: the file dialog
  std::unique_ptr<CMainFrame> frame_;
  CPlayerWnd* player_ = nullptr;
  CLeftViewPane* pane_ = nullptr;
  CRecordTree* tree_ = nullptr;
  CReviewNavigator* nav_ = nullptr;
  static TempDir* s_clips;
};

inline TempDir* ReviewFixture::s_clips = nullptr;

}  // namespace vt::test
