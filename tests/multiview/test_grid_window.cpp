// The side-by-side window on real engines and generated recordings: the pictures on screen
// (read from the tiles' pixels) against the common time, labels and "no recording", the
// timeline's rows and cursor, tile counts and cameras remembered, play and pause from the keys,
// a double click handing the moment to the single view, and both snapshots.
#include <gst/gst.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSettings>
#include <QTest>

#include "app/user_prefs.h"
#include "multiview/grid_fixture.h"
#include "multiview/grid_geometry.h"
#include "multiview/grid_texts.h"
#include "multiview/grid_view.h"
#include "multiview/grid_window.h"
#include "multiview/tile_widget.h"
#include "playback/player_wnd_util.h"
#include "snapshot/snapshot_picture.h"
#include "snapshot/snapshot_settings.h"
#include "timeline/day_timeline.h"

namespace vt::test {
namespace {

constexpr int64_t kSec = kTicksPerSecond;
constexpr int64_t kMs = kSec / 1000;
int64_t At(int s, int ms = 0) { return TicksOf(GridUtc(10, 0, 0)) + s * kSec + ms * kMs; }

class GridEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static TempDir config("vt_grid_config");
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    static int argc = 1;
    static char name[] = "test_grid_window";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VTPlayer"));
    QApplication::setOrganizationName(QStringLiteral("VTPlayer"));
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
  }
};
[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new GridEnvironment);

class GridWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(GridData::Get().Ok()) << GridData::Get().Error();
    QSettings(QStringLiteral("VTPlayer"), QStringLiteral("VTPlayer")).clear();
    Open();
  }
  void Open() {
    GridWindowContext ctx;
    ctx.cameras = [] {
      std::vector<CameraEntry> cams;
      for (int c = 0; c < 4; ++c) cams.push_back(GridData::Get().Camera(c));
      return cams;
    };
    ctx.startTime = [] { return std::optional<int64_t>(At(1, 500)); };
    ctx.showInSingleView = [this](const CameraEntry& c, int64_t t) { single_.push_back({c.nChannel, t}); };
    ctx.pSnapshot = &snap_;
    ctx.showSnapshot = [this](const PackedDib& p, time32 t) {
      picture_ = p;
      pictureTime_ = t;
    };
    ctx.pickFolder = [this](QWidget*) { return out_.path(); };
    win_ = std::make_unique<CGridWindow>(std::move(ctx));
    win_->resize(800, 640);
    win_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(win_.get()));
    win_->activateWindow();
    QApplication::setActiveWindow(win_.get());
  }
  // The number each tile shows on screen (-1 none).
  int OnScreen(int tile) {
    QTest::qWait(30);
    CTileWidget* w = win_->Tile(tile);
    const QRect pic = w->PictureRect();
    if (pic.isEmpty()) return -1;
    if (getenv("VT_DUMP")) w->grab().toImage().save(QStringLiteral("/tmp/tile%1.png").arg(tile));
    return PaintedFrame(w->grab().toImage(), pic);
  }
  void ExpectScreenCovers(const char* when) {
    const int64_t t = win_->Grid().Now();
    for (int i = 0; i < 4; ++i) {
      const int want = GridData::ExpectedNumber(i, t);
      EXPECT_EQ(OnScreen(i), want) << when << " tile " << i;
      EXPECT_EQ(win_->Tile(i)->OverlayText().isEmpty(), want >= 0) << when << " tile " << i;
    }
  }

  ScopedTz tz_{"UTC0"};
  TempDir out_{"vt_grid_out"};
  CSnapshotSettings snap_;
  std::vector<std::pair<int, int64_t>> single_;
  PackedDib picture_;
  time32 pictureTime_ = 0;
  std::unique_ptr<CGridWindow> win_;
};

TEST_F(GridWindow, EveryTileShowsItsCameraAtTheCommonTimeWithItsLabel) {
  EXPECT_EQ(win_->Grid().Now(), At(1, 500));
  EXPECT_EQ(win_->TileCount(), kDefaultGridTiles);
  ExpectScreenCovers("opened");
  // C2 begins at 2 s: dark with "no recording" until then.
  EXPECT_EQ(win_->Tile(1)->OverlayText(), QString::fromLatin1(kNoRecordingText));
  EXPECT_EQ(win_->TimeText(), QStringLiteral("2024-05-10 10:00:01.500  x 1"));
  // One timeline row per camera shown, the cursor at the common time.
  ASSERT_EQ(win_->Timeline()->Rows().size(), 4u);
  EXPECT_EQ(win_->Timeline()->Rows()[2].strLabel, "C3:Door");
  EXPECT_EQ(win_->Timeline()->Rows()[2].spans.size(), 2u);
  EXPECT_DOUBLE_EQ(*win_->Timeline()->Cursor(), GridUtc(10, 0, 1) + 0.5);
  // A click in the timeline goes there.
  CDayTimeline* tl = win_->Timeline();
  tl->SetView({static_cast<double>(GridUtc(10, 0, 0)), static_cast<double>(GridUtc(10, 0, 10)), tl->PlotRect().width()});
  const int x = tl->XOfTime(GridUtc(10, 0, 5) + 0.3);
  QTest::mouseClick(tl, Qt::LeftButton, {}, QPoint(x, tl->RowRect(0).center().y()));
  EXPECT_NEAR(static_cast<double>(win_->Grid().Now() - At(5, 300)) / kMs, 0, 15);
  ExpectScreenCovers("timeline click");
}

TEST_F(GridWindow, KeysPlayPauseAndStepEveryTile) {
  QTest::keyClick(win_.get(), Qt::Key_Space);
  EXPECT_TRUE(win_->Grid().IsPlaying());
  ASSERT_TRUE(WaitFor([&] { return win_->Grid().Now() > At(2, 300); }));
  // Pictures kept coming while playing.
  ASSERT_TRUE(WaitFor([&] { return OnScreen(1) >= 0; }));
  QTest::keyClick(win_.get(), Qt::Key_Space);
  EXPECT_FALSE(win_->Grid().IsPlaying());
  ExpectScreenCovers("paused");
  const int64_t paused = win_->Grid().Now();
  QTest::keyClick(win_.get(), Qt::Key_Right);
  EXPECT_GT(win_->Grid().Now(), paused);
  ExpectScreenCovers("next frame");
  QTest::keyClick(win_.get(), Qt::Key_Left);
  QTest::keyClick(win_.get(), Qt::Key_Left);
  EXPECT_LT(win_->Grid().Now(), paused);
  ExpectScreenCovers("previous frames");
}

TEST_F(GridWindow, TileCountAndCamerasAreRememberedAndDoubleClickOpensTheSingleView) {
  win_->SetTileCount(9);
  ASSERT_EQ(win_->TileCount(), 9);
  EXPECT_EQ(win_->Tile(4)->OverlayText(), QString::fromLatin1(kNoCameraText));
  win_->SetTileCamera(8, 3);  // C4 a second time
  win_->SetTileCamera(0, -1);
  EXPECT_EQ(OnScreen(8), GridData::ExpectedNumber(3, win_->Grid().Now()));
  EXPECT_EQ(win_->Timeline()->Rows().size(), 4u);  // C2, C3, C4 and C4 again
  win_.reset();
  Open();
  ASSERT_EQ(win_->TileCount(), 9);
  const std::vector<int> want{-1, 1, 2, 3, -1, -1, -1, -1, 3};
  EXPECT_EQ(win_->TileChannels(), want);
  EXPECT_EQ(ReadUserText(kPrefGridCameras).toStdString(), "0,2,3,4,0,0,0,0,4");

  win_->GoTo(At(5, 500));
  QTest::mouseDClick(win_->Tile(2), Qt::LeftButton, {}, win_->Tile(2)->rect().center());
  ASSERT_EQ(single_.size(), 1u);
  EXPECT_EQ(single_[0].first, 2);
  EXPECT_EQ(single_[0].second, At(5, 500));
}

TEST_F(GridWindow, SnapshotOfTheGridAndOfEachTile) {
  win_->GoTo(At(2, 40));
  win_->SnapshotGrid();
  const BITMAPINFOHEADER* h = SnapshotPictureHeader(picture_.data(), picture_.size());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(pictureTime_, GridUtc(10, 0, 2));
  EXPECT_EQ(h->biWidth, 2 * kGridClipWidth + kGridGap);
  EXPECT_EQ(h->biHeight, 2 * kGridClipHeight + kGridGap);
  // Each cell of the picture carries its tile's frame.
  const QImage img(picture_.data() + sizeof(BITMAPINFOHEADER), h->biWidth, h->biHeight, QImage::Format_BGR888);
  const QImage up = img.mirrored();  // rows bottom-up, padded to 4 bytes as QImage takes them
  for (int i = 0; i < 4; ++i) {
    const QRect cell((i % 2) * (kGridClipWidth + kGridGap), (i / 2) * (kGridClipHeight + kGridGap), kGridClipWidth,
                     kGridClipHeight);
    EXPECT_EQ(PaintedFrame(up, cell), GridData::ExpectedNumber(i, At(2, 40))) << i;
  }
  win_->SnapshotTiles();
  for (int ch = 1; ch <= 4; ++ch) {
    const std::string path = out_ / ("20240510-100002-C" + std::to_string(ch) + ".jpg");
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(kGridClipWidth, kGridClipHeight)) << path;
  }
  // Saving again keeps the first files.
  win_->SnapshotTiles();
  EXPECT_TRUE(fs::exists(out_ / "20240510-100002-C1-1.jpg"));
}

}  // namespace
}  // namespace vt::test
