// The video that fills the screen, with the real main window and Player on generated
// recordings: a window made larger or maximised grows the Player and keeps the picture's aspect,
// the next record fits the window again; full screen (command, double-click) leaves the picture
// alone with bars that come near the bottom, and Esc brings the window back; a click on the seek
// bar's track shows exactly that frame.
#include "timeline/review_fixture.h"

#include <QDockWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "display/full_screen.h"
#include "playback/player_logic.h"
#include "skin/button_bar.h"
#include "skin/info_bar.h"

namespace vt::test {
namespace {

[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new ReviewEnvironment);

class DisplayWidget : public ReviewFixture {
 protected:
  // Frame number read from the Player's picture rectangle, brought back to the clip's size (the
  // barcode's cells are whole pixels there).
  int PictureFrame() {
    Pump(30);
    const QImage img = player_->grab().toImage().copy(player_->PictureRect()).scaled(
        192, 144, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return PaintedFrame(img, img.rect());
  }
  QSize View() const { return frame_->GetPlayerView()->size(); }
  // The Player fills the view less the margins; its bars run its whole width.
  void ExpectPlayerFillsView(int margin) {
    EXPECT_EQ(player_->geometry(), QRect(margin, margin, View().width() - 2 * margin, View().height() - 2 * margin));
    for (QWidget* bar : {static_cast<QWidget*>(player_->InfoBar()), static_cast<QWidget*>(player_->SeekBar()),
                         static_cast<QWidget*>(player_->ButtonBar())})
      EXPECT_EQ(bar->width(), player_->width());
  }
  // Fitted, the picture is drawn at its own size: it fills the video area, or (the clips are
  // narrower than the button bar) stands in its middle.
  void ExpectFittedPicture() {
    const QRect pic = player_->PictureRect(), video = player_->VideoRect();
    EXPECT_EQ(pic.size(), QSize(192, 144));
    EXPECT_EQ(pic.center(), video.center());
    EXPECT_EQ(pic.height(), video.height());
  }
  // The picture keeps 4:3 (the clips are 192 x 144) within a pixel.
  void ExpectFourByThree() {
    const QRect pic = player_->PictureRect();
    EXPECT_NEAR(pic.width() * 3, pic.height() * 4, 4) << pic.width() << "x" << pic.height();
  }
};

TEST_F(DisplayWidget, ALargerWindowGrowsThePictureKeepingItsAspectAndTheNextRecordFitsAgain) {
  Start();
  ASSERT_TRUE(nav_->OpenAt(0, vt::kUnitsPerSecond, JumpMode::kPause));
  ASSERT_TRUE(WaitFor([&] { return PictureFrame() == kFps; }));
  const QSize fitted = frame_->size();
  const QSize fittedView = View();
  ExpectFittedPicture();

  frame_->resize(fitted + QSize(500, 300));
  ASSERT_TRUE(WaitFor([&] { return View() == fittedView + QSize(500, 300); }));
  Pump(100);
  EXPECT_EQ(frame_->size(), fitted + QSize(500, 300));  // the user's size is kept
  ExpectPlayerFillsView(10);
  ExpectFourByThree();
  EXPECT_GT(player_->PictureRect().width(), 192);
  EXPECT_EQ(PictureFrame(), kFps);  // the same frame, larger
  // The bands beside the picture are black; the grey margin is still 10 pixels.
  const QImage img = player_->grab().toImage();
  const QRect v = player_->VideoRect(), pic = player_->PictureRect();
  ASSERT_GT(pic.left(), v.left());
  EXPECT_EQ(img.pixel(v.left() + 2, v.center().y()), qRgb(0, 0, 0));
  // A smaller window than the fitted size is not possible.
  EXPECT_EQ(frame_->minimumSize(), fitted);

  // The next record: the window fits itself around the video again.
  ASSERT_TRUE(nav_->OpenAt(1, 0, JumpMode::kPause));
  EXPECT_TRUE(WaitFor([&] { return frame_->size() == fitted; }));
  EXPECT_EQ(View(), fittedView);
  ExpectFittedPicture();
}

TEST_F(DisplayWidget, AMaximisedWindowKeepsItsSizeAcrossRecordsAndFitsAgainWhenRestored) {
  Start();
  ASSERT_TRUE(nav_->OpenAt(0, 0, JumpMode::kPause));
  ASSERT_TRUE(WaitFor([&] { return PictureFrame() == 0; }));
  const QSize fitted = frame_->size();
  frame_->showMaximized();
  ASSERT_TRUE(WaitFor([&] { return frame_->isMaximized() && frame_->width() > fitted.width() + 100; }));
  Pump(100);
  ExpectPlayerFillsView(10);
  ExpectFourByThree();
  const QSize maximised = frame_->size();
  ASSERT_TRUE(nav_->OpenAt(2, 0, JumpMode::kPause));
  ASSERT_TRUE(WaitFor([&] { return PictureFrame() == 0; }));
  Pump(100);
  EXPECT_EQ(frame_->size(), maximised);
  ExpectFourByThree();
  // Zoom keeps its meaning for the fitted size: maximised nothing moves, restored the window fits
  // the doubled video.
  player_->ApplyZoom(0);
  Pump(100);
  EXPECT_EQ(frame_->size(), maximised);
  ExpectPlayerFillsView(10);
  frame_->showNormal();
  EXPECT_TRUE(WaitFor([&] { return player_->VideoRect().size() == QSize(2 * 192, 2 * 144); }));
  EXPECT_EQ(player_->PictureRect(), player_->VideoRect());
  EXPECT_GT(frame_->width(), fitted.width());
  player_->ApplyZoom(0);
  EXPECT_TRUE(WaitFor([&] { return frame_->size() == fitted; }));
}

TEST_F(DisplayWidget, FullScreenShowsThePictureAloneWithBarsNearTheBottomAndEscLeaves) {
  Start();
  ASSERT_TRUE(nav_->OpenAt(0, vt::kUnitsPerSecond / 2, JumpMode::kPause));
  ASSERT_TRUE(WaitFor([&] { return PictureFrame() == kFps / 2; }));
  const QRect fittedGeometry = frame_->geometry();
  EXPECT_FALSE(frame_->GetAction(ID_VIEW_FULL_SCREEN)->isChecked());

  // A double-click on the picture switches it on.
  QTest::mouseDClick(player_, Qt::LeftButton, {}, player_->VideoRect().center());
  ASSERT_TRUE(WaitFor([&] { return frame_->isFullScreen(); }));
  Pump(100);
  const QRect screen = frame_->screen()->geometry();
  EXPECT_EQ(frame_->geometry(), screen);
  for (QWidget* part : {static_cast<QWidget*>(frame_->menuBar()), static_cast<QWidget*>(frame_->GetToolBar()),
                        static_cast<QWidget*>(frame_->statusBar()), pane_->Widget(),
                        static_cast<QWidget*>(nav_->TimelineDock())})
    EXPECT_TRUE(part->isHidden());
  EXPECT_EQ(View(), screen.size());
  ExpectPlayerFillsView(0);
  EXPECT_EQ(player_->VideoRect(), QRect(QPoint(0, 0), screen.size()));
  ExpectFourByThree();
  EXPECT_FALSE(player_->BarsShown());
  EXPECT_EQ(PictureFrame(), kFps / 2);
  frame_->UpdateCommandUi();
  EXPECT_TRUE(frame_->GetAction(ID_VIEW_FULL_SCREEN)->isChecked());

  // The bars come while the mouse is near the bottom, over the picture, and go again.
  player_->ShowBarsFor(QPoint(100, player_->height() - 5));
  EXPECT_TRUE(player_->BarsShown());
  EXPECT_TRUE(player_->ButtonBar()->isVisible());
  EXPECT_EQ(player_->ButtonBar()->geometry().bottom(), player_->height() - 1);
  EXPECT_EQ(player_->ButtonBar()->width(), screen.width());
  player_->ShowBarsFor(QPoint(100, 100));
  EXPECT_FALSE(player_->BarsShown());
  EXPECT_FALSE(player_->SeekBar()->isVisible());

  // Esc: back to the window as it was, fitted around the video.
  QTest::keyClick(frame_.get(), Qt::Key_Escape);
  ASSERT_TRUE(WaitFor([&] { return !frame_->isFullScreen(); }));
  EXPECT_TRUE(WaitFor([&] { return frame_->geometry() == fittedGeometry; }));
  for (QWidget* part : {static_cast<QWidget*>(frame_->menuBar()), static_cast<QWidget*>(frame_->GetToolBar()),
                        static_cast<QWidget*>(frame_->statusBar()), pane_->Widget(),
                        static_cast<QWidget*>(nav_->TimelineDock())})
    EXPECT_FALSE(part->isHidden());
  EXPECT_TRUE(player_->BarsShown());
  ExpectFittedPicture();
  EXPECT_EQ(player_->pos(), QPoint(10, 10));
  // The command (F11) switches it on and off as well.
  frame_->RunCommand(ID_VIEW_FULL_SCREEN);
  EXPECT_TRUE(WaitFor([&] { return frame_->isFullScreen(); }));
  frame_->RunCommand(ID_VIEW_FULL_SCREEN);
  EXPECT_TRUE(WaitFor([&] { return frame_->geometry() == fittedGeometry; }));
}

TEST_F(DisplayWidget, AClickOnTheSeekBarTrackShowsThatFrameAndTheTooltipItsTime) {
  Start();
  ASSERT_TRUE(nav_->OpenAt(0, 0, JumpMode::kPause));
  ASSERT_TRUE(WaitFor([&] { return PictureFrame() == 0; }));
  CSeekBar* bar = player_->SeekBar();
  const uint32_t range = bar->GetRange();
  ASSERT_EQ(range, 2u * kFps);
  for (uint32_t pos : {37u, 5u, range}) {
    // Where the thumb of that position would stand, its centre.
    const int x = SeekThumbX(bar->GetTrack(), pos, range) + bar->Element(kSeekKindThumb).GetWidth() / 2;
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 2));
    EXPECT_TRUE(WaitFor([&] { return PictureFrame() == static_cast<int>(pos) - 1; })) << pos << " " << PictureFrame();
    EXPECT_EQ(bar->GetPos(), pos);
  }
  const int x = SeekThumbX(bar->GetTrack(), 30, range) + bar->Element(kSeekKindThumb).GetWidth() / 2;
  EXPECT_EQ(bar->ToolTipAt(x), "10:00:01 - frame 30");
}

}  // namespace
}  // namespace vt::test
