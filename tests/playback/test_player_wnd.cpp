#include <gtest/gtest.h>
#include <gst/gst.h>

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QMenu>
#include <QTimer>
#include <QPixmap>
#include <QThread>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "playback/gst/test_media.h"
#include "playback/player_wnd_util.h"
#include "playback/player_logic.h"
#include "playback/player_wnd.h"
#include "playback/seek_bar.h"
#include "playback/vant_writer.h"
#include "recorddb/rdb_types.h"
#include "skin/button_bar.h"
#include "skin/info_bar.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

class QtEnv : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "test_player_wnd";
    static char* argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
  }
  QApplication* app = nullptr;
};
[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new QtEnv);

using test::PaintedFrame;
using test::Pump;

class PlayerWndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = fs::temp_directory_path() / ("vt_playerwnd_" + std::to_string(getpid()));
    fs::create_directories(s_dir);
    for (auto [name, w, h] : {std::tuple{"cif", 352, 288}, std::tuple{"pal", 720, 576}}) {
      const std::string path = (s_dir / (std::string(name) + ".avi")).string();
      std::string err;
      ASSERT_TRUE(MakeTestClip({TestClipSpec::kMjpeg, w, h, 50, 25, false}, path, &err)) << err;
      VantTrailer t;
      t.events = {{0, kStart + 1, kStart + 2}};  // frames 25 to 50
      t.textA = "Camera 2";
      t.textB = "Yard";
      ASSERT_TRUE(AppendVantTrailer(path, t));
    }
  }
  static void TearDownTestSuite() { fs::remove_all(s_dir); }

  void SetUp() override {
    PlayerHooks hooks;
    hooks.setWindowTitle = [this](const char* a, const char* b) {
      title = (a ? std::string(a) : "<null>") + "|" + (b ? std::string(b) : "<null>");
    };
    hooks.messageText = [this](const std::string& s) { messages.push_back(s); };
    hooks.messageByKey = [this](const char* key, int) { messages.push_back(key); };
    hooks.snapshot = [this](std::vector<uint8_t> frame, time32) {
      const QCursor* c = QGuiApplication::overrideCursor();
      snapshotWaiting = c && c->shape() == Qt::WaitCursor;
      snapshotBytes = frame.size();
    };
    wnd = std::make_unique<CPlayerWnd>(nullptr, nullptr, hooks);
    wnd->SetPaths("/nonexistent/vantor.ini", VT_TEST_RESOURCE_DIR);
    ASSERT_TRUE(wnd->IsCreated());
    wnd->SetAutoPlay(0);
  }
  void Open(const char* name) {
    std::memset(&rec, 0, sizeof rec);
    const std::string path = (s_dir / (std::string(name) + ".avi")).string();
    std::strncpy(rec.szFilePath, path.c_str(), sizeof rec.szFilePath - 1);
    rec.tStart = kStart;
    rec.tEnd = kStart + 2;
    wnd->Send(kMsgOpenRecord, 0, reinterpret_cast<LPARAM>(&rec));
    Pump(50);
  }
  QImage Grab() { return wnd->grab().toImage(); }

  static constexpr time32 kStart = 1600000000;
  static fs::path s_dir;
  RDB_RECORD rec{};
  std::string title;
  std::vector<std::string> messages;
  bool snapshotWaiting = false;
  size_t snapshotBytes = 0;
  std::unique_ptr<CPlayerWnd> wnd;
};
fs::path PlayerWndTest::s_dir;

TEST_F(PlayerWndTest, CreateLaysOutFrameAndBars) {
  const QRect v = wnd->VideoRect();
  EXPECT_EQ(330, v.width());
  EXPECT_EQ(240, v.height());
  const int infoY = v.bottom() + 1;
  EXPECT_EQ(infoY, wnd->InfoBar()->y());
  EXPECT_EQ(infoY + wnd->InfoBar()->height(), wnd->SeekBar()->y());
  EXPECT_EQ(wnd->height(), wnd->ButtonBar()->y() + wnd->ButtonBar()->height());
  EXPECT_EQ(wnd->width(), wnd->GetWndWidth());
  EXPECT_EQ(wnd->width(), wnd->SeekBar()->width());
  // Nothing open: the video area is black.
  const QImage img = Grab();
  EXPECT_EQ(qRgb(0, 0, 0), img.pixel(v.center()));
}

TEST_F(PlayerWndTest, OpenShowsFirstFrameThenSeeksOnRequest) {
  Open("cif");
  ASSERT_TRUE(wnd->IsOpen());
  EXPECT_EQ("Camera 2|Yard", title);
  EXPECT_EQ(QSize(352, 288), wnd->VideoRect().size());  // 360 pixels or less: 1:1
  EXPECT_EQ(50u, wnd->SeekBar()->GetRange());
  EXPECT_EQ(0, PaintedFrame(Grab(), wnd->PictureRect()));
  // The seek bar moved by the user: the seek thread seeks to where it stands.
  wnd->SeekBar()->SetPos(31);
  wnd->Post(kMsgSeekRequest, 0, 0);
  for (int i = 0; i < 100 && wnd->Core().GetPosition() != 30 * 400000; ++i) Pump(10);
  Pump(30);
  EXPECT_EQ(30, PaintedFrame(Grab(), wnd->PictureRect()));
  EXPECT_EQ(kStart + 1, wnd->Core().GetCurrent());
  EXPECT_NE(std::string::npos, wnd->InfoBar()->GetLastLine().find("(x1)"));
  // A key of the main window: space steps one frame.
  wnd->OwnerMessageHook(kWmKeyDown, 0x20, 0);
  Pump(30);
  EXPECT_EQ(31, PaintedFrame(Grab(), wnd->PictureRect()));
  if (const char* shot = std::getenv("VT_PLAYER_SCREENSHOT")) Grab().save(shot);
  // Closing through the open-record message with no record.
  wnd->Send(kMsgOpenRecord, 0, 0);
  EXPECT_FALSE(wnd->IsOpen());
  EXPECT_EQ("<null>|<null>", title);
  EXPECT_EQ(1u, wnd->SeekBar()->GetPos());
}

TEST_F(PlayerWndTest, SnapshotWaitsUnderTheWaitCursorUntilTheDialog) {
  Open("cif");
  wnd->Snapshot();
  EXPECT_GT(snapshotBytes, 0u);
  EXPECT_TRUE(snapshotWaiting) << "capture and conversion run under the wait cursor";
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "and it is gone afterwards";
}

TEST_F(PlayerWndTest, WideVideoIsHalvedAndZoomDoublesIt) {
  Open("pal");
  EXPECT_EQ(QSize(360, 288), wnd->VideoRect().size());
  EXPECT_EQ(0, PaintedFrame(Grab(), wnd->PictureRect()));
  wnd->Send(kMsgButtonZoom, 0, 0);
  EXPECT_TRUE(wnd->IsZoomed());
  const QSize zoomed = wnd->VideoRect().size();
  // 720 x 576, unless the screen is smaller: then shrunk keeping 5:4.
  EXPECT_LE(zoomed.width(), 720);
  EXPECT_GT(zoomed.width(), 360);
  EXPECT_NEAR(zoomed.width() * 576.0 / 720.0, zoomed.height(), 1.0);
  EXPECT_EQ(wnd->width(), wnd->GetWndWidth());
}

TEST_F(PlayerWndTest, PlaysAndStopsThroughTheButtonMessages) {
  Open("cif");
  wnd->Post(kMsgButtonPlay, 0, 0);
  for (int i = 0; i < 60 && wnd->SeekBar()->GetPos() <= 1; ++i) Pump(50);
  EXPECT_EQ(kPsRunning, wnd->Core().GetPlayState());
  EXPECT_GT(wnd->SeekBar()->GetPos(), 1u);  // the position timer moved the bar
  wnd->Post(kMsgButtonStop, 0, 0);
  Pump(50);
  EXPECT_EQ(kPsPaused, wnd->Core().GetPlayState());
  EXPECT_EQ(1u, wnd->SeekBar()->GetPos());
  EXPECT_EQ(0, PaintedFrame(Grab(), wnd->PictureRect()));
  wnd->Send(0x0111, 32776, 0);  // speed menu choice x2
  EXPECT_EQ(2.0, wnd->GetRate());
  EXPECT_EQ(" (x2)", wnd->InfoBar()->GetSpeedText());
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST_F(PlayerWndTest, EndOfStreamRewindsToTheFirstFramePaused) {
  Open("cif");
  wnd->Send(0x0111, 32779, 0);  // x16: the two-second clip ends within a fraction of a second
  // Sent, not posted: the end of the stream may come while events are pumped.
  wnd->Send(kMsgButtonPlay, 0, 0);
  ASSERT_EQ(kPsRunning, wnd->Core().GetPlayState());
  // The end of stream arrives from GStreamer's thread as the graph notification.
  ASSERT_TRUE(test::WaitFor([&] { return wnd->Core().GetPlayState() != kPsRunning; }));
  EXPECT_EQ(kPsPaused, wnd->Core().GetPlayState());
  EXPECT_EQ(1u, wnd->SeekBar()->GetPos());
  EXPECT_EQ(kStart, wnd->Core().GetCurrent());
  Pump(50);
  EXPECT_EQ(0, PaintedFrame(Grab(), wnd->PictureRect()));
  EXPECT_NE(std::string::npos, wnd->InfoBar()->GetLastLine().find("(x16)"));
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST_F(PlayerWndTest, SpeedMenuChecksTheRateAndAppliesTheChoice) {
  Open("cif");
  wnd->OwnerMessageHook(kWmKeyDown, 0x27, 0);  // right arrow: 1.25, outside the table
  EXPECT_EQ(1.25, wnd->GetRate());
  std::vector<std::pair<std::string, bool>> items;
  QTimer::singleShot(100, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* a : menu->actions()) items.emplace_back(a->text().toStdString(), a->isChecked());
    menu->actions().at(1)->trigger();
    menu->close();
  });
  QTimer::singleShot(3000, [] {
    if (QWidget* w = QApplication::activePopupWidget()) w->close();
  });
  wnd->Post(kMsgButtonSpeed, 60, 60);
  // The popup runs its own loop inside the posted message; the choice comes back as a posted
  // command after it, so wait for the outcome rather than for a fixed time.
  for (int i = 0; i < 150 && (items.empty() || wnd->GetRate() == 1.25); ++i) Pump(20);
  ASSERT_EQ(9u, items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(kSpeedTable[i].menuText, items[i].first);
    EXPECT_EQ(i == 8, items[i].second) << items[i].first;  // 1.25 checks "x 16"
  }
  EXPECT_EQ(0.125, wnd->GetRate());
  EXPECT_EQ(" (x1/8)", wnd->InfoBar()->GetSpeedText());
}

}  // namespace
}  // namespace vt
