// Cameras side by side from the main window: View > Cameras Side by Side opens the grid on the
// camera list, the command is checked while it is open, and a double click on a tile shows that
// camera in the single view, paused on the frame of the same moment (read from the Player's
// pixels).
#include "timeline/review_fixture.h"

#include "multiview/grid_fixture.h"
#include "multiview/grid_view.h"
#include "multiview/grid_window.h"
#include "multiview/tile_widget.h"
#include "playback/player_core.h"

namespace vt::test {
namespace {

[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new ReviewEnvironment);

constexpr int64_t kMs = kTicksPerSecond / 1000;

class GridFromMainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(GridData::Get().Ok()) << GridData::Get().Error();
    QSettings(QStringLiteral("VTPlayer"), QStringLiteral("VTPlayer")).clear();
    FrameContext c;
    c.strProgramFolder = VT_TEST_RESOURCE_DIR;
    c.strDataFolder = (GridData::Get().Root() / "data").string();
    c.strIniPath = GridData::Get().IniPath().string();
    c.textById = [](uint32_t id) {
      const char* s = res::LoadResString(id);
      return std::string(s ? s : " ");
    };
    c.bListen = false;
    c.makePlayer = [this](QWidget* parent) {
      PlayerHooks hooks;
      hooks.textById = [](uint32_t id) {
        const char* s = res::LoadResString(id);
        return std::string(s ? s : "");
      };
      player_ = new CPlayerWnd(parent, nullptr, hooks);
      return player_;
    };
    frame_ = std::make_unique<CMainFrame>(std::move(c));
    ASSERT_TRUE(frame_->Create());
    frame_->GetSettings().m_bAutoPlay = 1;  // the moment must still be shown paused
    player_->SetAutoPlay(1);
    frame_->show();
    LoadMainCameras(GridData::Get().IniPath().string(), false, frame_->GetLeftView());
    ASSERT_TRUE(WaitFor([this] { return frame_->GetCurrentCamera() == 0 && !frame_->GetReview()->Sequence().empty(); }));
  }
  void TearDown() override { frame_.reset(); }

  int PlayerNumber() {
    Pump(30);
    return PaintedFrame(player_->grab().toImage(), player_->PictureRect());
  }

  ScopedTz tz_{"UTC0"};
  std::unique_ptr<CMainFrame> frame_;
  CPlayerWnd* player_ = nullptr;
};

TEST_F(GridFromMainWindow, ViewCommandOpensTheGridAndADoubleClickShowsTheMomentInTheSingleView) {
  QAction* cmd = frame_->GetAction(ID_VIEW_SIDE_BY_SIDE);
  ASSERT_NE(cmd, nullptr);
  frame_->UpdateCommandUi();
  EXPECT_TRUE(cmd->isEnabled());
  EXPECT_FALSE(cmd->isChecked());
  frame_->RunCommand(ID_VIEW_SIDE_BY_SIDE);
  CGridWindow* grid = frame_->GetGridWindow();
  ASSERT_NE(grid, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(grid));
  frame_->UpdateCommandUi();
  EXPECT_TRUE(cmd->isChecked());
  // The first four cameras of the list, in order.
  ASSERT_EQ(grid->TileCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(grid->Grid().Camera(i)->strLabel, GridData::Get().Camera(i).strLabel);

  const int64_t t = TicksOf(GridUtc(10, 0, 5)) + 500 * kMs;
  grid->GoTo(t);
  QTest::mouseDClick(grid->Tile(2), Qt::LeftButton, {}, grid->Tile(2)->rect().center());
  // C3 in the main window, its recording of 10:00:05 paused on the frame of 5.5 s.
  ASSERT_TRUE(WaitFor([&] { return frame_->GetCurrentCamera() == 2 && player_->IsOpen() && player_->OpenRecordStart() == GridUtc(10, 0, 5); }));
  ASSERT_TRUE(WaitFor([&] { return PlayerNumber() == GridData::ExpectedNumber(2, t); }));
  EXPECT_NE(player_->Core().GetPlayState(), kPsRunning);
  // Closing the window from the command again.
  frame_->RunCommand(ID_VIEW_SIDE_BY_SIDE);
  EXPECT_FALSE(grid->isVisible());
}

}  // namespace
}  // namespace vt::test
