// Playing across recordings with the real Player: at the end of a recording the next one of the
// camera opens and plays on at the same rate (also into the next day's folder), frame steps
// cross to the neighbouring recording, the tree and the timeline follow; with the option off
// the end of a recording stops and rewinds as it always did.
#include "timeline/review_fixture.h"

#include "playback/player_core.h"
#include "playback/player_logic.h"

namespace vt::test {
namespace {

[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new ReviewEnvironment);

constexpr uint32_t kSpeedX2 = 32776, kSpeedX4 = 32777;

class PlayAcross : public ReviewFixture {
 protected:
  // Waits for the Player to have the record of start open and running, checking meanwhile that
  // the picture never goes black (a visible stop) once a frame was shown.
  bool PlaysInto(time32 start, int timeoutMs = 8000) {
    bool black = false;
    const bool ok = WaitFor(
        [&] {
          if (ShownFrame() < 0) black = true;
          return player_->OpenRecordStart() == start && player_->Core().GetPlayState() == kPsRunning &&
                 ShownFrame() > 2;
        },
        timeoutMs);
    EXPECT_FALSE(black);
    return ok;
  }
};

TEST_F(PlayAcross, TheEndOfARecordingPlaysOnIntoTheNextAtTheSameRate) {
  Start();
  frame_->RunCommand(ID_PLAY_ACROSS);
  EXPECT_TRUE(nav_->PlayAcross());
  EXPECT_TRUE(frame_->GetAction(ID_PLAY_ACROSS)->isChecked());
  const time32 ten = Utc(2024, 5, 10, 10, 0, 0);
  ASSERT_TRUE(nav_->OpenAt(0, 0, JumpMode::kPlay));
  player_->OnSpeedCommand(kSpeedX2);
  ASSERT_TRUE(PlaysInto(ten + 2));
  EXPECT_EQ(player_->GetRate(), 2.0);
  EXPECT_EQ(SelectedRecord(), "2024-05-10 10:00:02");
  // Over the gap to the next recording there is.
  ASSERT_TRUE(PlaysInto(ten + 10));
  EXPECT_EQ(player_->GetRate(), 2.0);
  EXPECT_EQ(SelectedRecord(), "2024-05-10 10:00:10");
  ASSERT_TRUE(nav_->Timeline()->Cursor());
  EXPECT_GE(*nav_->Timeline()->Cursor(), ten + 10);
}

TEST_F(PlayAcross, PlaysOnAcrossMidnightIntoTheNextDaysFolder) {
  Start();
  nav_->SetPlayAcross(true);
  ASSERT_EQ(nav_->GoToTime(Utc(2024, 5, 11, 0, 0, 0) + 0.5).kind, TimeResolution::kInside);
  player_->OnSpeedCommand(kSpeedX4);
  player_->PlaybackCommand(kCmdPlay);
  ASSERT_TRUE(PlaysInto(Utc(2024, 5, 11, 0, 0, 2)));
  EXPECT_EQ(player_->GetRate(), 4.0);
  EXPECT_EQ(SelectedRecord(), "2024-05-11 00:00:02");
  EXPECT_EQ(nav_->Timeline()->Day().tStart, Utc(2024, 5, 11, 0, 0, 0));
  // After the camera's last recording the end is as it always was: stopped on the first frame.
  EXPECT_TRUE(WaitFor([&] { return player_->Core().GetPlayState() != kPsRunning; }, 8000));
  EXPECT_EQ(player_->OpenRecordStart(), Utc(2024, 5, 11, 0, 0, 2));
  EXPECT_TRUE(ShowsFrame(0));
}

TEST_F(PlayAcross, FrameStepsCrossToTheNeighbouringRecording) {
  Start(/*autoPlay=*/true);  // a neighbour opened by a step must not start playing
  nav_->SetPlayAcross(true);
  const time32 ten = Utc(2024, 5, 10, 10, 0, 0);
  ASSERT_TRUE(nav_->OpenAt(0, 2 * vt::kUnitsPerSecond - 3 * vt::kUnitsPerSecond / kFps, JumpMode::kPause));
  ASSERT_TRUE(ShowsFrame(2 * kFps - 3));
  // Next Frame reaches every frame, the last one included, then the next recording.
  player_->NextFrame();
  EXPECT_TRUE(ShowsFrame(2 * kFps - 2));
  player_->NextFrame();
  EXPECT_TRUE(ShowsFrame(2 * kFps - 1));
  player_->NextFrame();
  EXPECT_EQ(player_->OpenRecordStart(), ten + 2);
  EXPECT_TRUE(ShowsFrame(0));
  EXPECT_NE(player_->Core().GetPlayState(), kPsRunning);
  EXPECT_EQ(SelectedRecord(), "2024-05-10 10:00:02");
  // Previous Frame on the first frame: the last frame of the recording before.
  player_->PrevFrame();
  EXPECT_EQ(player_->OpenRecordStart(), ten);
  EXPECT_TRUE(ShowsFrame(2 * kFps - 1));
  EXPECT_NE(player_->Core().GetPlayState(), kPsRunning);
  EXPECT_EQ(SelectedRecord(), "2024-05-10 10:00:00");
  // The camera's first recording has nothing before it: the step stays on its first frame.
  ASSERT_TRUE(nav_->OpenAt(0, 0, JumpMode::kPause));
  player_->PrevFrame();
  Pump(100);
  EXPECT_EQ(player_->OpenRecordStart(), ten);
  EXPECT_TRUE(ShowsFrame(0));
}

TEST_F(PlayAcross, WithTheOptionOffTheEndStopsAndRewindsAsBefore) {
  Start();
  EXPECT_FALSE(nav_->PlayAcross());  // off by default
  const time32 ten = Utc(2024, 5, 10, 10, 0, 0);
  ASSERT_TRUE(nav_->OpenAt(0, 2 * vt::kUnitsPerSecond - 2 * vt::kUnitsPerSecond / kFps, JumpMode::kPause));
  ASSERT_TRUE(ShowsFrame(2 * kFps - 2));
  // Next Frame stops one position before the last, as the seek bar always did.
  player_->NextFrame();
  Pump(100);
  EXPECT_TRUE(ShowsFrame(2 * kFps - 2));
  player_->OnSpeedCommand(kSpeedX4);
  player_->PlaybackCommand(kCmdPlay);
  EXPECT_TRUE(WaitFor([&] { return player_->Core().GetPlayState() != kPsRunning; }, 8000));
  EXPECT_EQ(player_->OpenRecordStart(), ten);
  EXPECT_TRUE(ShowsFrame(0));
  EXPECT_EQ(player_->SeekBar()->GetPos(), 1u);
}

TEST_F(PlayAcross, TheOptionIsRemembered) {
  Start();
  nav_->SetPlayAcross(true);
  frame_.reset();
  Start();
  EXPECT_TRUE(nav_->PlayAcross());
  frame_->RunCommand(ID_PLAY_ACROSS);
  frame_.reset();
  Start();
  EXPECT_FALSE(nav_->PlayAcross());
}

}  // namespace
}  // namespace vt::test
