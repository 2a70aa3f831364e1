// The Player window's arithmetic, kept apart from the widget: speeds, timer periods, position
// and event-mark frames, frame steps, video sizing and the key table. Positions, durations and
// frame times are 100 ns units; times are 32-bit seconds since 1970.
#pragma once

#include <cstdint>
#include <string>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/win_types.h"

namespace vt {

class CEventList;

// Play states (m_psCurrent).
constexpr int32_t kPsStopped = 0;
constexpr int32_t kPsPaused = 1;
constexpr int32_t kPsRunning = 2;
constexpr int32_t kPsInit = 3;

struct SpeedEntry {
  uint32_t id;           // command id of the main window and of menu 139
  const char* menuText;  // "x 1/16"
  double rate;
  const char* suffix;  // information bar suffix " (x1/16)"
};
constexpr uint32_t kIdSpeedFirst = 32771;
constexpr uint32_t kIdSpeedNormal = 32775;
constexpr uint32_t kIdSpeedLast = 32779;
constexpr int kSpeedCount = 9;
extern const SpeedEntry kSpeedTable[kSpeedCount];
// The table entry of a command id, or null.
const SpeedEntry* FindSpeed(uint32_t id);
// Exact match with x1/16 ... x8; every other rate, 16 included, gives the x16 id.
uint32_t RateToCommand(double rate);
// Speed command one step of the table faster (direction > 0) or slower than rate (a rate
// between two steps goes to the nearer step that way); the ends stay at x16 and x1/16.
uint32_t SpeedStepCommand(double rate, int direction);

constexpr int kClockTimerId = 52;
constexpr int kPositionTimerId = 53;
constexpr uint32_t kClockPeriodMs = 1000;
constexpr uint32_t kMinPositionPeriodMs = 500;
// Position timer period: one frame time in ms, at least 500.
uint32_t PositionTimerPeriodMs(int64_t frameTime);

constexpr int64_t kUnitsPerSecond = 10000000;
// Whole seconds of a 100 ns value, truncated, as a 32-bit number.
int32_t WholeSeconds(int64_t value);
// t + whole seconds of value (32-bit wrap-around, as the recorder's times do).
time32 AddSeconds(time32 t, int64_t value);
// Frame time = duration / frames; 0 when frames is not positive.
int64_t FrameTimeOf(int64_t duration, int64_t frames);
// Seek bar position (1-based) of the frame that starts at position: the nearest frame start,
// within 1 ... frames; 1 when frameTime is not positive.
int64_t FrameOfPosition(int64_t position, int64_t frameTime, int64_t frames);
// A stream that gives no frame count (audio only, or video without a frame rate) is stepped and
// sought in positions of this length (100 ns).
constexpr int64_t kNominalFrameTime = 400000;
struct SeekGrid {
  int64_t frames = 0;
  int64_t frameTime = 0;  // 100 ns
};
// Positions of the seek bar: the stream's frames (frame time = duration / frames), or, when it
// has none, one every kNominalFrameTime up to the end.
SeekGrid SeekGridOf(int64_t duration, int64_t frames);
// Seek time of a 1-based frame number: (n - 1) * frameTime.
int64_t FrameToTime(int64_t n, int64_t frameTime);
// Target frame of a k-frame step from seek bar position pos: never below 1.
int64_t StepTarget(int64_t pos, int64_t k);
// Tooltip over the seek bar's track at position pos: the recording time of that frame and its
// number, "10:20:30 - frame 33"; empty when nothing is open (no frame time).
std::string SeekPosText(time32 tStart, int64_t pos, int64_t frameTime);
// 1-based frame that holds offset (100 ns from the start): 1 before the start, the last frame
// at or past the end; 1 without a frame time.
int64_t OffsetToFrame(int64_t offset, int64_t frameTime, int64_t frames);

// Event marks for the seek bar: (start frame, end frame) pairs, 0-based, low 32 bits kept.
// Corrects in the list events that begin or end before tStart. A zero frame time gives frame 0.
std::vector<uint32_t> BuildEventMarks(CEventList* events, time32 tStart, int64_t frameTime);

// A native size of exactly 256 x 240 is shown and announced as 320 x 240.
void NormalizeNativeSize(int32_t* width, int32_t* height);
struct Scale {
  int32_t num;
  int32_t den;
};
// Video wider than 360 pixels is halved in the normal view; zoom doubles both cases.
Scale ZoomScale(bool zoom, int32_t nativeWidth);

struct VideoFitInput {
  int32_t nativeWidth = 0, nativeHeight = 0;
  Scale scale{1, 1};
  int32_t screenWidth = 0, screenHeight = 0;
  int32_t borderWidth = 0;  // top-left + top-right piece widths
  int32_t fixedHeight = 0;  // top-middle height + information, seek and button bar heights
  int32_t extraWidth = 0, extraHeight = 0;  // main window size minus the Player's
  int32_t minWndWidth = 0;  // narrowest Player that shows every button of the button bar
};
struct VideoFit {
  int32_t videoWidth = 0, videoHeight = 0;
  int32_t wndWidth = 0, wndHeight = 0;
};
// Scaled size, shrunk to the screen keeping the aspect ratio (whole-number arithmetic). A video
// too narrow for the button bar keeps its size in a Player minWndWidth wide.
VideoFit FitVideo(const VideoFitInput& in);

// Player layout: frame pieces around the video, then information, seek and button bars.
struct PlayerLayout {
  int32_t wndWidth = 0, wndHeight = 0;
  int32_t videoX = 0, videoY = 0;
  int32_t infoY = 0, seekY = 0, barY = 0;
};
PlayerLayout LayoutPlayer(int32_t videoWidth, int32_t videoHeight, int32_t topLeftWidth, int32_t topRightWidth,
                          int32_t topMidHeight, int32_t infoHeight, int32_t seekHeight, int32_t barHeight);
// Size stored when none exists yet: 240 wide, bars + 120 high.
void DefaultSize(int32_t* wndWidth, int32_t* wndHeight, int32_t infoHeight, int32_t seekHeight, int32_t barHeight);

// Keys of the main window handled by the Player (virtual-key codes, lower-case ASCII folded).
enum class KeyAction { kNone, kStepFrames, kRateDown, kRateUp, kRateNormal, kToggleMute, kPause, kClose };
struct KeyCommand {
  KeyAction action = KeyAction::kNone;
  int frames = 0;  // for kStepFrames
};
KeyCommand MapPlayerKey(WPARAM key);
constexpr double kRateKeyStep = 0.25;
// Whether the Player takes a key of the main window in a play state (kPs...). The main window's keyboard
// table goes first: Left and Right are Previous and Next Frame, and Space is Play except while
// paused, when it steps one frame.
bool PlayerTakesKey(WPARAM key, int32_t playState);

// Status-bar texts of the Player's failures. engineText: the engine's failure text (its line end
// dropped); reason: what the decoder said, may be empty.
std::string UnplayableText(const std::string& path, const std::string& engineText);
std::string PlaybackErrorText(const std::string& path, HRESULT hr, const std::string& reason);

}  // namespace vt
