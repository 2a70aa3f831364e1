// The seek bar rendered offscreen and driven by mouse events. Fixture skin: caps 4, previous and
// next 10, thumb 8 x 14; a 222-pixel bar has its track from 14 to 200.
#include "playback/seek_bar.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

#include <memory>

#include "message_recorder.h"
#include "skin/skin_files.h"
#include "skin_fixture.h"

namespace vt {
namespace {

using test::PixelIs;

constexpr int kWidth = 222;
constexpr int kTrackStart = 14;
constexpr int kTrackEnd = 200;
constexpr int kThumbY = 3;

class SeekBarTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::EnsureApplication(); }
  void SetUp() override {
    m_host = std::make_unique<QWidget>();
    m_host->resize(400, 100);
    m_bar = MakeBar(kWidth, 101);
  }
  std::unique_ptr<CSeekBar> MakeBar(int width, uint32_t range) {
    auto bar = std::make_unique<CSeekBar>();
    bar->m_strSkinFolder = m_skin.Folder();
    const int kinds[3] = {kSeekKindThumb, kSeekKindPrev, kSeekKindNext};
    const uint32_t msgs[3] = {kMsgSeekRequest, kMsgSeekRequest, kMsgSeekRequest};
    EXPECT_EQ(bar->Create(m_host.get(), &m_owner, 0, 0, width, 100, kSeekBarBackground, 4, kSeekElementFiles, kinds,
                          msgs, 3),
              1);
    bar->setGeometry(0, 0, width, bar->GetHeight());
    bar->SetRange(range);
    bar->show();
    return bar;
  }
  void Send(QEvent::Type type, int x, int y) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ? Qt::LeftButton
                                                                                                 : Qt::NoButton;
    QMouseEvent e(type, QPointF(x, y), m_bar->mapToGlobal(QPointF(x, y)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(m_bar.get(), &e);
  }
  void Hover(int x, int y) {
    QMouseEvent e(QEvent::MouseMove, QPointF(x, y), m_bar->mapToGlobal(QPointF(x, y)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(m_bar.get(), &e);
  }
  size_t Seeks() const {
    size_t n = 0;
    for (const auto& m : m_owner.posted) n += (m.msg == kMsgSeekRequest && m.wParam == 0 && m.lParam == 0) ? 1 : 0;
    return n;
  }
  QColor At(int x, int y) { return QColor(m_bar->Picture().pixel(x, y)); }

  test::SkinFixture m_skin;
  test::MessageRecorder m_owner;
  std::unique_ptr<QWidget> m_host;
  std::unique_ptr<CSeekBar> m_bar;
};

TEST_F(SeekBarTest, CreatePlacesTheElements) {
  EXPECT_EQ(m_bar->GetHeight(), 20);
  EXPECT_EQ(m_bar->GetTrack().trackStart, kTrackStart);
  EXPECT_EQ(m_bar->GetTrack().trackEnd, kTrackEnd);
  EXPECT_EQ(m_bar->Element(kSeekKindPrev).GetX(), 4);
  EXPECT_EQ(m_bar->Element(kSeekKindNext).GetX(), 208);
  EXPECT_EQ(m_bar->Element(kSeekKindThumb).GetY(), kThumbY);
  EXPECT_EQ(m_bar->objectName(), "Navigator");
  // A missing element fails the creation.
  CSeekBar bad;
  bad.m_strSkinFolder = m_skin.Folder() + "/none";
  const int kinds[3] = {1, 2, 3};
  const uint32_t msgs[3] = {kMsgSeekRequest, kMsgSeekRequest, kMsgSeekRequest};
  EXPECT_EQ(bad.Create(m_host.get(), &m_owner, 0, 0, 100, 100, kSeekBarBackground, 4, kSeekElementFiles, kinds, msgs, 3), 0);
}

TEST_F(SeekBarTest, ThumbStandsWhereThePositionSays) {
  struct Case {
    uint32_t pos;
    int x;
  };
  for (const Case& c : {Case{1, kTrackStart}, Case{101, kTrackEnd}, Case{51, 107}, Case{500, kTrackEnd}}) {
    SCOPED_TRACE(c.pos);
    m_bar->SetPos(c.pos);
    EXPECT_EQ(m_bar->GetThumbX(), c.x);
    EXPECT_EQ(m_bar->GetPos(), std::min<uint32_t>(c.pos, 101));
    EXPECT_EQ(At(c.x, 10), test::ThumbFrameColor(kSeekStateNormal));
    EXPECT_EQ(At(c.x + 7, 10), test::ThumbFrameColor(kSeekStateNormal));
    EXPECT_NE(At(c.x + 8, 10), test::ThumbFrameColor(kSeekStateNormal));
  }
}

TEST_F(SeekBarTest, TrailIsRepaintedWithTheGrooveFromRowThree) {
  m_bar->SetPos(51);  // x 107
  m_bar->Invalidate();
  ASSERT_NE(At(106, 10), test::GrooveColor());
  // Right by less than a thumb (to 110): the uncovered strip 107..109 gets the groove.
  m_bar->SetPos(53);
  ASSERT_EQ(m_bar->GetThumbX(), 110);
  for (int x = 107; x < 110; ++x) {
    EXPECT_EQ(At(x, kThumbY), test::GrooveColor()) << x;
    EXPECT_EQ(At(x, kThumbY + 13), test::GrooveColor()) << x;
    EXPECT_NE(At(x, kThumbY - 1), test::GrooveColor()) << x;  // rows above 3 keep the track
    EXPECT_NE(At(x, kThumbY + 14), test::GrooveColor()) << x;
  }
  EXPECT_NE(At(106, 10), test::GrooveColor());
  EXPECT_EQ(At(110, 10), test::ThumbFrameColor(kSeekStateNormal));

  // Left, overlapping (110 -> 105): strip from the new right edge, a - b + 1 wide.
  m_bar->SetPos(50);
  ASSERT_EQ(m_bar->GetThumbX(), 105);
  EXPECT_EQ(At(112, 10), test::ThumbFrameColor(kSeekStateNormal));
  for (int x = 113; x <= 118; ++x) EXPECT_EQ(At(x, 10), test::GrooveColor()) << x;

  // A jump of more than a thumb repaints the whole old thumb.
  m_bar->Invalidate();
  m_bar->SetPos(101);
  for (int x = 105; x < 113; ++x) EXPECT_EQ(At(x, 10), test::GrooveColor()) << x;
  EXPECT_NE(At(104, 10), test::GrooveColor());
  EXPECT_NE(At(113, 10), test::GrooveColor());
  // A full repaint puts the track tile back everywhere.
  m_bar->Invalidate();
  EXPECT_NE(At(107, 10), test::GrooveColor());
}

TEST_F(SeekBarTest, EventMarksRedOverGreenCutAtTheTrackEnd) {
  const QColor red(255, 0, 0), green(0, 128, 0);
  m_bar->SetEvents({0, 10, 90, 500});
  // base = 14 + 4 = 18; step 1.86
  for (int y : {0, 1}) {
    EXPECT_EQ(At(18, y), red);
    EXPECT_EQ(At(35, y), red);
    EXPECT_EQ(At(36, y), green);
    EXPECT_EQ(At(184, y), green);
    EXPECT_EQ(At(185, y), red);
    EXPECT_EQ(At(199, y), red);
    EXPECT_EQ(At(200, y), green);  // the mark stops at the track end
    EXPECT_EQ(At(203, y), green);  // the baseline runs half a thumb further
    EXPECT_NE(At(204, y), green);
    EXPECT_NE(At(17, y), green);
  }
  EXPECT_NE(At(20, 2), red);
  m_bar->ClearEvents();
  EXPECT_NE(At(20, 0), red);
  EXPECT_NE(At(40, 0), green);
}

TEST_F(SeekBarTest, PressOnTheThumbWithoutMovingPostsNothing) {
  m_bar->SetPos(51);
  Send(QEvent::MouseButtonPress, 110, 10);
  Send(QEvent::MouseMove, 110, 10);  // the press point itself
  Send(QEvent::MouseButtonRelease, 110, 10);
  EXPECT_EQ(Seeks(), 0u);
  EXPECT_EQ(m_bar->GetPos(), 51u);
}

// The bare track: a click goes to the frame under the mouse (the thumb's centre lands there)
// and a drag goes on from it; the tooltip names what lies there.
TEST_F(SeekBarTest, ClickOnTheBareTrackGoesToTheFrameUnderIt) {
  m_bar->SetPos(51);
  m_bar->SetPosText([](uint32_t pos) { return "frame " + std::to_string(pos); });
  Send(QEvent::MouseButtonPress, 160, 10);
  EXPECT_EQ(m_bar->GetPos(), 77u);  // (160 - 4 - 14) / 1.86 = 76.3: the 77th position
  EXPECT_EQ(m_bar->GetThumbX() + 4, 159);
  EXPECT_EQ(Seeks(), 1u);
  Send(QEvent::MouseMove, 170, 10);
  EXPECT_EQ(m_bar->GetPos(), static_cast<uint32_t>(151.0 / 186 * 101) + 1);  // dragged 10 px on
  EXPECT_EQ(Seeks(), 2u);
  Send(QEvent::MouseButtonRelease, 170, 10);
  EXPECT_EQ(m_bar->ToolTipAt(160), "frame 77");
  EXPECT_EQ(m_bar->ToolTipAt(207), "frame 101");
  EXPECT_EQ(m_bar->ToolTipAt(6), "");  // on the previous element
}

TEST_F(SeekBarTest, DragKeepsThePressOffsetAndClampsAtBothEnds) {
  m_bar->SetPos(51);  // x 107
  Send(QEvent::MouseButtonPress, 110, 10);  // 3 pixels into the thumb
  Send(QEvent::MouseMove, 113, 10);         // thumb's left edge to 110: d = 96
  EXPECT_EQ(m_bar->GetPos(), static_cast<uint32_t>(96.0 / 186 * 101) + 1);
  EXPECT_EQ(Seeks(), 1u);
  Send(QEvent::MouseMove, 900, 10);
  EXPECT_EQ(m_bar->GetPos(), 101u);
  EXPECT_EQ(m_bar->GetThumbX(), kTrackEnd);
  Send(QEvent::MouseMove, -300, 10);
  EXPECT_EQ(m_bar->GetPos(), 1u);
  EXPECT_EQ(m_bar->GetThumbX(), kTrackStart);
  EXPECT_EQ(Seeks(), 3u);
  Send(QEvent::MouseButtonRelease, -300, 10);
  Send(QEvent::MouseMove, 150, 10);  // released: moves no longer drag
  EXPECT_EQ(m_bar->GetPos(), 1u);
  EXPECT_EQ(Seeks(), 3u);
}

TEST_F(SeekBarTest, PreviousAtPositionOneStillPostsASeek) {
  Send(QEvent::MouseButtonPress, 6, 10);
  EXPECT_EQ(m_bar->GetPos(), 1u);
  EXPECT_EQ(Seeks(), 1u);
  EXPECT_EQ(m_bar->Element(kSeekKindPrev).GetState(), kSeekStatePressed);
  EXPECT_EQ(At(6, 10), test::StepFrameColor(kSeekStatePressed));
  Send(QEvent::MouseButtonRelease, 6, 10);
  EXPECT_EQ(m_bar->Element(kSeekKindPrev).GetState(), kSeekStateHover);

  // Next moves forward to the last position; previous moves back.
  m_bar->SetPos(100);
  Send(QEvent::MouseButtonPress, 210, 10);
  Send(QEvent::MouseButtonRelease, 210, 10);
  EXPECT_EQ(m_bar->GetPos(), 101u);
  Send(QEvent::MouseButtonPress, 210, 10);
  Send(QEvent::MouseButtonRelease, 210, 10);
  EXPECT_EQ(m_bar->GetPos(), 101u);
  Send(QEvent::MouseButtonPress, 6, 10);
  Send(QEvent::MouseButtonRelease, 300, 10);  // released away from it: normal look
  EXPECT_EQ(m_bar->GetPos(), 100u);
  EXPECT_EQ(m_bar->Element(kSeekKindPrev).GetState(), kSeekStateNormal);
  EXPECT_EQ(Seeks(), 4u);
}

TEST_F(SeekBarTest, HoverLookFollowsTheMouse) {
  Hover(6, 10);
  EXPECT_EQ(m_bar->Element(kSeekKindPrev).GetState(), kSeekStateHover);
  EXPECT_EQ(At(6, 10), test::StepFrameColor(kSeekStateHover));
  Hover(16, 10);  // onto the thumb
  EXPECT_EQ(m_bar->Element(kSeekKindPrev).GetState(), kSeekStateNormal);
  EXPECT_EQ(m_bar->Element(kSeekKindThumb).GetState(), kSeekStateHover);
  Hover(150, 10);  // bare track
  EXPECT_EQ(m_bar->Element(kSeekKindThumb).GetState(), kSeekStateNormal);
  EXPECT_EQ(Seeks(), 0u);
}

TEST_F(SeekBarTest, PrevFrameAndNextFrameCommands) {
  m_bar->SetPos(2);
  m_bar->PrevFrame();
  m_bar->PrevFrame();  // at 1: stays, posts anyway
  EXPECT_EQ(m_bar->GetPos(), 1u);
  m_bar->SetPos(99);
  m_bar->NextFrame();  // 99 + 1 < 101
  m_bar->NextFrame();  // stops one before the last
  EXPECT_EQ(m_bar->GetPos(), 100u);
  EXPECT_EQ(Seeks(), 4u);
}

TEST_F(SeekBarTest, DegenerateRangesAndBarsStayUsable) {
  for (uint32_t range : {0u, 1u}) {
    SCOPED_TRACE(range);
    m_bar->SetRange(range);
    m_bar->SetPos(1);
    EXPECT_EQ(m_bar->GetPos(), range);
    EXPECT_EQ(m_bar->GetThumbX(), kTrackEnd);
    m_bar->SetEvents({0, 5});
    m_bar->Invalidate();
    (void)m_bar->Picture();
    Send(QEvent::MouseButtonPress, kTrackEnd + 2, 10);
    Send(QEvent::MouseMove, 50, 10);
    Send(QEvent::MouseButtonRelease, 50, 10);
    EXPECT_LE(m_bar->GetPos(), range);
    m_bar->NextFrame();
    m_bar->PrevFrame();
  }
  // Narrower than its caps and elements.
  m_bar = MakeBar(10, 100);
  m_bar->SetPos(50);
  m_bar->SetEvents({0, 1000});
  m_bar->Invalidate();
  EXPECT_EQ(m_bar->Picture().width(), 10);
  Send(QEvent::MouseButtonPress, 5, 10);
  Send(QEvent::MouseMove, 9, 10);
  Send(QEvent::MouseButtonRelease, 9, 10);
  EXPECT_GE(m_bar->GetPos(), 1u);
}

}  // namespace
}  // namespace vt
