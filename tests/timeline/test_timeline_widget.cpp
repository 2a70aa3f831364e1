// The day timeline in the main window with the real Player: it follows the tree, draws the
// day's recordings and gaps, and a click or Go to Time opens the recording at the frame of
// that time (the frame checked from the picture), also across midnight; the tree follows.
#include "timeline/goto_dialog.h"
#include "timeline/goto_text.h"
#include "timeline/timeline_layout.h"
#include "timeline/review_fixture.h"

#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vt::test {
namespace {

[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new ReviewEnvironment);

class TimelineWidget : public ReviewFixture {
 protected:
  // The strip zoomed to [from, from + span) seconds.
  void Zoom(time32 from, double span) {
    CDayTimeline* tl = nav_->Timeline();
    tl->SetView({static_cast<double>(from), from + span, tl->PlotRect().width()});
  }
  // Clicks the strip's first row at the pixel of time t; returns the time of that pixel.
  double ClickAt(double t) {
    CDayTimeline* tl = nav_->Timeline();
    const int x = tl->XOfTime(t);
    const int y = tl->RowRect(0).center().y();
    EXPECT_EQ(tl->RowAt(QPoint(x, y)), 0);
    QTest::mouseClick(tl, Qt::LeftButton, {}, QPoint(x, y));
    return tl->TimeAtX(x);
  }
  // Selects a day in the tree as a person does, and lets the messages it posts arrive.
  void SelectDay(const char* day) {
    tree_->setCurrentIndex(tree_->FindItem(day));
    Pump(50);
  }
  static int FrameOf(double t, time32 start) { return static_cast<int>((t - start) * kFps); }  // 0-based
};

TEST_F(TimelineWidget, FollowsTheTreeAndDrawsTheDaysRecordingsAndGaps) {
  Start();
  CDayTimeline* tl = nav_->Timeline();
  EXPECT_TRUE(nav_->IsTimelineShown());
  EXPECT_FALSE(nav_->TimelineDock()->isHidden());
  // The timeline lies under the panes: the Player's place in its view is as it always was.
  EXPECT_EQ(player_->GetWndX(), 10);
  EXPECT_EQ(player_->GetWndY(), 10);
  EXPECT_GT(nav_->TimelineDock()->y(), frame_->GetPlayerView()->mapTo(frame_.get(), QPoint(0, 0)).y() +
                                            frame_->GetPlayerView()->height() - 1);

  SelectDay("2024-05-11");
  ASSERT_TRUE(WaitFor([&] { return tl->Day().tStart == Utc(2024, 5, 11, 0, 0, 0); }));
  // The recording that began the evening before runs into this day.
  ASSERT_EQ(tl->Rows().size(), 1u);
  EXPECT_EQ(tl->Rows()[0].strLabel, "C1:Gate");
  ASSERT_EQ(tl->Rows()[0].spans.size(), 2u);
  EXPECT_EQ(tl->Rows()[0].spans[0].tStart, Utc(2024, 5, 10, 23, 59, 58));

  SelectDay("2024-05-10");
  ASSERT_TRUE(WaitFor([&] { return tl->Day().tStart == Utc(2024, 5, 10, 0, 0, 0); }));
  EXPECT_EQ(tl->Rows()[0].spans.size(), 4u);
  const time32 ten = Utc(2024, 5, 10, 10, 0, 0);
  Zoom(ten, 60);
  const QImage img = tl->grab().toImage();
  const int y = tl->RowRect(0).center().y();
  struct Probe {
    double t;
    QRgb colour;
  } probes[] = {{ten + 1.0, kTimelineRecordColour}, {ten + 3.0, kTimelineRecordColour},
                {ten + 6.0, kTimelineGapColour},    {ten + 11.0, kTimelineEventColour},
                {ten + 30.0, kTimelineGapColour}};
  for (const Probe& p : probes) EXPECT_EQ(img.pixel(tl->XOfTime(p.t), y), p.colour) << p.t - ten;
  EXPECT_EQ(tl->ToolTipAt(QPoint(tl->XOfTime(ten + 6.5), y)).toStdString(), "10:00:06\nNo recording");
  EXPECT_EQ(tl->ToolTipAt(QPoint(tl->XOfTime(ten + 1.5), y)).toStdString(),
            "10:00:01\nRecording 2024-05-10 10:00:00 - 10:00:02");
}

TEST_F(TimelineWidget, AClickOpensTheRecordingAtTheFrameUnderTheMouse) {
  Start();
  const time32 ten = Utc(2024, 5, 10, 10, 0, 0);
  SelectDay("2024-05-10");
  ASSERT_TRUE(WaitFor([&] { return nav_->Timeline()->Day().tStart == Utc(2024, 5, 10, 0, 0, 0); }));
  Zoom(ten, 60);
  // Into the second recording, then back into the first: the frame under the mouse each time.
  for (double want : {ten + 3.3, ten + 0.7}) {
    const double t = ClickAt(want);
    const time32 start = t < ten + 2 ? ten : ten + 2;
    ASSERT_TRUE(player_->IsOpen());
    EXPECT_EQ(player_->OpenRecordStart(), start);
    EXPECT_TRUE(ShowsFrame(FrameOf(t, start))) << ShownFrame() << " for " << t - ten;
    EXPECT_EQ(player_->SeekBar()->GetPos(), static_cast<uint32_t>(FrameOf(t, start) + 1));
    EXPECT_EQ(SelectedRecord(), FormatLocalTime(start, "%Y-%m-%d %H:%M:%S"));
    ASSERT_TRUE(nav_->Timeline()->Cursor());
    EXPECT_NEAR(*nav_->Timeline()->Cursor(), start + FrameOf(t, start) / double(kFps), 1e-6);
  }
  // In the gap: the next recording from its first frame.
  ClickAt(ten + 6.2);
  EXPECT_EQ(player_->OpenRecordStart(), ten + 10);
  EXPECT_TRUE(ShowsFrame(0));
  EXPECT_EQ(SelectedRecord(), "2024-05-10 10:00:10");
  // The tree took the record as the one handed to the Player: picking another plays that.
  EXPECT_EQ(tree_->GetCurrentRecordTime(), ten + 10);
  tree_->setCurrentIndex(tree_->FindItem("2024-05-10", "10:00:00"));
  EXPECT_TRUE(WaitFor([&] { return player_->OpenRecordStart() == ten; }));
}

TEST_F(TimelineWidget, WheelZoomsAroundTheMouseAndDragPans) {
  Start();
  CDayTimeline* tl = nav_->Timeline();
  const TimelineView whole = tl->View();
  EXPECT_DOUBLE_EQ(whole.Span(), 86400);
  const QPoint at(tl->PlotRect().left() + tl->PlotRect().width() / 3, tl->RowRect(0).center().y());
  const double anchor = tl->TimeAtX(at.x());
  for (int i = 0; i < 60; ++i) {
    QWheelEvent wheel(at, tl->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(tl, &wheel);
  }
  EXPECT_DOUBLE_EQ(tl->View().Span(), kTimelineMinSpan);
  EXPECT_NEAR(tl->TimeAtX(at.x()), anchor, 0.2);
  // A drag moves the picture with the mouse and opens nothing.
  const double before = tl->View().tFrom;
  QTest::mousePress(tl, Qt::LeftButton, {}, at);
  QTest::mouseMove(tl, at + QPoint(30, 0));
  QTest::mouseMove(tl, at + QPoint(60, 0));
  QTest::mouseRelease(tl, Qt::LeftButton, {}, at + QPoint(60, 0));
  EXPECT_NEAR(tl->View().tFrom, before - 60 * kTimelineMinSpan / tl->PlotRect().width(), 1e-6);
  EXPECT_FALSE(player_->IsOpen());
}

TEST_F(TimelineWidget, GoToTimeAcrossMidnightAndAroundAGap) {
  Start(/*autoPlay=*/true);
  // 00:00:01 lies in the recording listed under the evening before, three seconds in.
  const TimeResolution r = nav_->GoToTime(Utc(2024, 5, 11, 0, 0, 1));
  ASSERT_EQ(r.kind, TimeResolution::kInside);
  EXPECT_EQ(player_->OpenRecordStart(), Utc(2024, 5, 10, 23, 59, 58));
  EXPECT_EQ(SelectedRecord(), "2024-05-10 23:59:58");
  EXPECT_EQ(nav_->Timeline()->Day().tStart, Utc(2024, 5, 11, 0, 0, 0));
  // Auto-play opened it running: it keeps running from there.
  ASSERT_TRUE(WaitFor([&] {
    const std::optional<double> t = player_->ShownTime();
    return t && *t >= Utc(2024, 5, 11, 0, 0, 1) + 0.2;
  }));
  player_->PlaybackCommand(2);
  EXPECT_GE(ShownFrame(), 3 * kFps);

  // A time in the gap: nothing opens; the dialog names the nearest recordings and opens one.
  player_->CloseClip();
  CGotoDialog dlg(frame_.get(), Utc(2024, 5, 10, 10, 0, 0), Utc(2024, 5, 10, 0, 0, 0));
  dlg.resolve = [this](time32 t) { return nav_->GoToTime(t); };
  dlg.sequence = &nav_->Sequence();
  dlg.open = [this](int index, bool atEnd) { return nav_->OpenAt(index, atEnd ? INT64_MAX : 0, JumpMode::kKeep); };
  dlg.Edit()->setText(QStringLiteral("10:00:06"));
  dlg.Submit();
  EXPECT_FALSE(player_->IsOpen());
  EXPECT_EQ(dlg.Answer()->text().toStdString(),
            "No recording at 2024-05-10 10:00:06.\nNearest before: 2024-05-10 10:00:02 - 10:00:04\n"
            "Nearest after: 2024-05-10 10:00:10 - 10:00:12");
  EXPECT_FALSE(dlg.BeforeButton()->isHidden());
  EXPECT_FALSE(dlg.AfterButton()->isHidden());
  dlg.Edit()->setText(QStringLiteral("2024-05-10 25:00"));
  dlg.Submit();
  EXPECT_NE(dlg.Answer()->text().indexOf(QStringLiteral("YYYY-MM-DD")), -1);
  EXPECT_TRUE(dlg.BeforeButton()->isHidden());
  dlg.Edit()->setText(QStringLiteral("10:00:06"));
  dlg.Submit();
  QTest::mouseClick(dlg.BeforeButton(), Qt::LeftButton);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  // The one before opens at its last frame, the nearest to the time asked for.
  EXPECT_EQ(player_->OpenRecordStart(), Utc(2024, 5, 10, 10, 0, 2));
  EXPECT_TRUE(ShowsFrame(2 * kFps - 1));
  EXPECT_EQ(SelectedRecord(), "2024-05-10 10:00:02");
}

TEST_F(TimelineWidget, TheViewMenuHidesTheTimelineAndTheChoiceIsRemembered) {
  Start();
  const int heightWith = frame_->height();
  const QSize view = frame_->GetPlayerView()->size();
  frame_->RunCommand(ID_VIEW_DAY_TIMELINE);
  EXPECT_FALSE(nav_->IsTimelineShown());
  EXPECT_FALSE(frame_->GetAction(ID_VIEW_DAY_TIMELINE)->isChecked());
  Pump(50);
  // The window gives the strip's height back; the video view keeps its size.
  EXPECT_LT(frame_->height(), heightWith);
  EXPECT_EQ(frame_->GetPlayerView()->size(), view);
  frame_.reset();
  Start();
  EXPECT_FALSE(nav_->IsTimelineShown());
  frame_->RunCommand(ID_VIEW_DAY_TIMELINE);
  EXPECT_TRUE(nav_->IsTimelineShown());
}

}  // namespace
}  // namespace vt::test
