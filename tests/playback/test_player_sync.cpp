// The Player window on clips with the frame number drawn in each frame: after playing at a speed
// and pausing, the picture painted, the frame the engine captures, the information bar's time,
// the seek bar, the next and previous frame and a snapshot's picture and caption all name the
// same frame, and a pause never changes the picture.
#include <gtest/gtest.h>
#include <gst/gst.h>

#include <QApplication>

#include <cstring>
#include <filesystem>
#include <map>

#include "app/qt_test_env.h"
#include "common/temp_dir.h"
#include "platform/local_time.h"
#include "playback/gst/gst_engine.h"
#include "playback/gst/test_media.h"
#include "playback/player_logic.h"
#include "playback/player_wnd.h"
#include "playback/player_wnd_util.h"
#include "playback/seek_bar.h"
#include "recorddb/rdb_types.h"
#include "skin/info_bar.h"
#include "skin/skin_layout.h"
#include "snapshot/snapshot_layout.h"
#include "snapshot/snapshot_picture.h"

namespace vt {
namespace {

using test::CapturedFrame;
using test::PaintedFrame;
using test::Pump;
using test::WaitFor;

constexpr time32 kStart = 1600000000;

struct SyncClip {
  const char* name;
  TestClipSpec spec;
};

std::ostream& operator<<(std::ostream& os, const SyncClip& c) { return os << c.name; }

const SyncClip kSyncClips[] = {
    {"mjpeg_1fps", {TestClipSpec::kMjpeg, 352, 288, 30, 1, false}},
    {"mpeg4_1fps", {TestClipSpec::kMpeg4, 352, 288, 30, 1, false}},
    {"mjpeg_25fps", {TestClipSpec::kMjpeg, 352, 288, 250, 25, false}},
    {"mpeg4_25fps", {TestClipSpec::kMpeg4, 352, 288, 250, 25, false}},
};

class PlayerSyncTest : public ::testing::TestWithParam<SyncClip> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    const SyncClip& c = GetParam();
    m_path = m_dir / (std::string(c.name) + ".avi");
    std::string err;
    ASSERT_TRUE(MakeTestClip(c.spec, m_path, &err)) << err;
    m_frameTime = kUnitsPerSecond / c.spec.fps;
    PlayerHooks hooks;
    hooks.messageText = [](const std::string& s) { ADD_FAILURE() << "message: " << s; };
    hooks.snapshot = [this](std::vector<uint8_t> frame, time32 t) {
      m_shot = std::move(frame);
      m_shotTime = t;
      ++m_shots;
    };
    m_wnd = std::make_unique<CPlayerWnd>(nullptr, nullptr, hooks);
    m_wnd->SetPaths("/nonexistent/vantor.ini", VT_TEST_RESOURCE_DIR);
    ASSERT_TRUE(m_wnd->IsCreated());
    m_wnd->SetAutoPlay(0);
    m_wnd->show();
    RDB_RECORD rec{};
    std::strncpy(rec.szFilePath, m_path.c_str(), sizeof rec.szFilePath - 1);
    rec.tStart = kStart;
    m_wnd->Send(kMsgOpenRecord, 0, reinterpret_cast<LPARAM>(&rec));
    ASSERT_TRUE(m_wnd->IsOpen());
    m_gst = dynamic_cast<CGstEngine*>(&m_wnd->Engine());
    ASSERT_NE(m_gst, nullptr);
  }

  int Painted() { return PaintedFrame(m_wnd->grab().toImage(), m_wnd->PictureRect()); }
  time32 TimeOf(int frame) const { return AddSeconds(kStart, frame * m_frameTime); }

  std::string LineOf(int f, const std::string& suffix) const {
    return FormatLocalTime(TimeOf(f), kInfoLongFormat) + suffix;
  }

  // Every view of "now" names frame f.
  void ExpectAllOn(int f, const std::string& suffix) {
    SCOPED_TRACE("frame " + std::to_string(f));
    EXPECT_EQ(f, Painted());
    EXPECT_EQ(f, CapturedFrame(m_wnd->Engine()));
    EXPECT_EQ(static_cast<uint32_t>(f + 1), m_wnd->SeekBar()->GetPos());
    EXPECT_EQ(f * m_frameTime, m_wnd->Core().GetPosition());
    EXPECT_EQ(TimeOf(f), m_wnd->Core().GetCurrent());
    EXPECT_EQ(LineOf(f, suffix), m_wnd->InfoBar()->GetLastLine());
  }

  // Next and Previous Frame go one frame from the one on screen and back. The seek thread's
  // picture and time reach the window as messages: both are waited for.
  void StepAndBack(int f, const std::string& suffix) {
    for (auto [step, to] : {std::pair{&CPlayerWnd::NextFrame, f + 1}, std::pair{&CPlayerWnd::PrevFrame, f}}) {
      (m_wnd.get()->*step)();
      EXPECT_TRUE(WaitFor([&] {
        return m_wnd->Core().GetPosition() == to * m_frameTime && m_wnd->InfoBar()->GetLastLine() == LineOf(to, suffix);
      }));
      ExpectAllOn(to, suffix);
    }
  }

  // The snapshot's picture carries frame f and its caption that frame's time.
  void ExpectSnapshotOf(int f) {
    const int before = m_shots;
    m_wnd->Send(kMsgButtonSnapshot, 0, 0);
    ASSERT_EQ(before + 1, m_shots);
    PackedDib picture = MakeSnapshotPicture(m_shot.data(), m_shot.size());
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(f, ReadFrameNumber(picture.data(), picture.size()));
    EXPECT_EQ(TimeOf(f), m_shotTime);
    EXPECT_EQ(FormatLocalTime(TimeOf(f), "%Y/%m/%d %H:%M:%S"), SnapshotCaptionText(m_shotTime));
  }

  test::TempDir m_tmp{"vt_player_sync"};
  std::filesystem::path m_dir{m_tmp.path()};
  std::string m_path;
  int64_t m_frameTime = 0;
  std::unique_ptr<CPlayerWnd> m_wnd;
  CGstEngine* m_gst = nullptr;
  std::vector<uint8_t> m_shot;
  time32 m_shotTime = 0;
  int m_shots = 0;
};

TEST_P(PlayerSyncTest, PictureTimeSeekBarAndSnapshotAgreeAfterPause) {
  const SyncClip& clip = GetParam();
  const bool slow = clip.spec.fps == 1;
  const struct {
    uint32_t speed;
    int advance;  // frames played before pausing
  } steps[] = {
      {kIdSpeedNormal, slow ? 1 : 10},
      {kIdSpeedNormal + 2, slow ? 2 : 30},  // x4
      {kIdSpeedLast, slow ? 4 : 100},       // x16
  };
  ExpectAllOn(0, " (x1)");
  for (const auto& s : steps) {
    const SpeedEntry* speed = FindSpeed(s.speed);
    SCOPED_TRACE(speed->menuText);
    m_wnd->Send(0x0111, s.speed, 0);
    ASSERT_EQ(speed->rate, m_wnd->GetRate());
    // From the first frame, so that a slow moment of the test leaves the clip's end far away.
    m_wnd->Send(kMsgButtonStop, 0, 0);
    const uint32_t from = m_wnd->SeekBar()->GetPos();
    m_wnd->Send(kMsgButtonPlay, 0, 0);
    ASSERT_EQ(kPsRunning, m_wnd->Core().GetPlayState());
    ASSERT_TRUE(WaitFor([&] { return m_wnd->SeekBar()->GetPos() >= from + s.advance; }));
    const uint64_t rendered = m_gst->RenderedFrames();
    const int before = Painted();
    m_wnd->Send(kMsgButtonPause, 0, 0);
    ASSERT_EQ(kPsPaused, m_wnd->Core().GetPlayState());
    const int f = Painted();
    ASSERT_GE(f, 0);
    ASSERT_LT(f + 2, clip.spec.frames) << "played to the end";
    // Pausing shows no frame whose time had not come.
    if (m_gst->RenderedFrames() == rendered) {
      EXPECT_EQ(before, f);
    }
    ExpectAllOn(f, speed->suffix);
    // Paused, nothing moves.
    Pump(slow ? 300 : 100);
    ExpectAllOn(f, speed->suffix);
    StepAndBack(f, speed->suffix);
    ExpectSnapshotOf(f);
    EXPECT_EQ(kPsPaused, m_wnd->Core().GetPlayState());
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, PlayerSyncTest, ::testing::ValuesIn(kSyncClips),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vt
