#include "playback/player_logic.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>

#include "playback/event_list.h"

namespace vt {

const SpeedEntry kSpeedTable[kSpeedCount] = {
    {32771, "x 1/16", 0.0625, " (x1/16)"}, {32772, "x 1/8", 0.125, " (x1/8)"}, {32773, "x 1/4", 0.25, " (x1/4)"},
    {32774, "x 1/2", 0.5, " (x1/2)"},      {32775, "x 1", 1.0, " (x1)"},       {32776, "x 2", 2.0, " (x2)"},
    {32777, "x 4", 4.0, " (x4)"},          {32778, "x 8", 8.0, " (x8)"},       {32779, "x 16", 16.0, " (x16)"},
};

const SpeedEntry* FindSpeed(uint32_t id) {
  for (const auto& s : kSpeedTable)
    if (s.id == id) return &s;
  return nullptr;
}

uint32_t RateToCommand(double rate) {
  for (int i = 0; i < kSpeedCount - 1; ++i)
    if (kSpeedTable[i].rate == rate) return kSpeedTable[i].id;
  return kIdSpeedLast;
}

uint32_t SpeedStepCommand(double rate, int direction) {
  if (direction > 0) {
    for (const SpeedEntry& e : kSpeedTable)
      if (e.rate > rate) return e.id;
    return kIdSpeedLast;
  }
  for (int i = kSpeedCount - 1; i >= 0; --i)
    if (kSpeedTable[i].rate < rate) return kSpeedTable[i].id;
  return kIdSpeedFirst;
}

uint32_t PositionTimerPeriodMs(int64_t frameTime) {
  const int64_t ms = frameTime / 10000;
  return static_cast<uint32_t>(std::clamp<int64_t>(ms, kMinPositionPeriodMs, std::numeric_limits<int32_t>::max()));
}

int32_t WholeSeconds(int64_t value) { return static_cast<int32_t>(value / kUnitsPerSecond); }

time32 AddSeconds(time32 t, int64_t value) {
  return static_cast<time32>(static_cast<uint32_t>(t) + static_cast<uint32_t>(WholeSeconds(value)));
}

int64_t FrameTimeOf(int64_t duration, int64_t frames) { return frames > 0 ? duration / frames : 0; }

int64_t FrameOfPosition(int64_t position, int64_t frameTime, int64_t frames) {
  if (frameTime <= 0 || position <= 0) return 1;
  const int64_t n = (position + frameTime / 2) / frameTime + 1;
  return std::clamp<int64_t>(n, 1, std::max<int64_t>(frames, 1));
}

SeekGrid SeekGridOf(int64_t duration, int64_t frames) {
  if (frames > 0 || duration <= 0) return {frames, FrameTimeOf(duration, frames)};
  return {(duration + kNominalFrameTime - 1) / kNominalFrameTime, kNominalFrameTime};
}

int64_t FrameToTime(int64_t n, int64_t frameTime) {
  return static_cast<int64_t>(static_cast<__int128>(n - 1) * frameTime);
}

int64_t StepTarget(int64_t pos, int64_t k) {
  const int64_t p = pos + k;
  return p <= 0 ? 1 : p;
}

std::string SeekPosText(time32 tStart, int64_t pos, int64_t frameTime) {
  if (frameTime <= 0 || pos < 1) return {};
  const std::time_t t = AddSeconds(tStart, FrameToTime(pos, frameTime));
  std::tm tm{};
  char text[64];
  if (!::localtime_r(&t, &tm) || !std::strftime(text, sizeof text, "%H:%M:%S", &tm)) return {};
  return std::string(text) + " - frame " + std::to_string(pos);
}

int64_t OffsetToFrame(int64_t offset, int64_t frameTime, int64_t frames) {
  if (frameTime <= 0 || frames <= 0 || offset <= 0) return 1;
  return std::min(offset / frameTime + 1, frames);
}

namespace {
int32_t Diff32(time32 a, time32 b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
uint32_t MarkFrame(int32_t d, int64_t frameTime) {
  if (frameTime <= 0) return 0;
  return static_cast<uint32_t>(static_cast<int64_t>(d) * kUnitsPerSecond / frameTime);
}
}  // namespace

std::vector<uint32_t> BuildEventMarks(CEventList* events, time32 tStart, int64_t frameTime) {
  std::vector<uint32_t> marks;
  if (!events) return marks;
  marks.reserve(static_cast<size_t>(events->GetCount()) * 2);
  uint32_t i = 0;
  while (EVENT_RECORD* ev = events->GetNext(&i)) {
    int32_t d = Diff32(ev->tStart, tStart);
    if (d < 0) {
      d = 0;
      ev->tStart = tStart;
    }
    marks.push_back(MarkFrame(d, frameTime));
    int32_t e = Diff32(ev->tEnd, tStart);
    if (e < 0) {
      e = 0;
      ev->tEnd = static_cast<time32>(static_cast<uint32_t>(ev->tStart) + 1u);
    }
    marks.push_back(MarkFrame(e, frameTime));
  }
  return marks;
}

void NormalizeNativeSize(int32_t* width, int32_t* height) {
  if (width && height && *width == 256 && *height == 240) *width = 320;
}

Scale ZoomScale(bool zoom, int32_t nativeWidth) {
  const bool wide = nativeWidth > 360;
  if (!zoom) return wide ? Scale{1, 2} : Scale{1, 1};
  return wide ? Scale{1, 1} : Scale{2, 1};
}

VideoFit FitVideo(const VideoFitInput& in) {
  VideoFit out;
  if (in.scale.den != 0) {
    out.videoWidth = static_cast<int32_t>(static_cast<int64_t>(in.nativeWidth) * in.scale.num / in.scale.den);
    out.videoHeight = static_cast<int32_t>(static_cast<int64_t>(in.nativeHeight) * in.scale.num / in.scale.den);
  }
  if (out.videoWidth + in.borderWidth + in.extraWidth > in.screenWidth) {
    const int32_t w = std::max(0, in.screenWidth - in.borderWidth - in.extraWidth);
    out.videoHeight =
        out.videoWidth > 0 ? static_cast<int32_t>(static_cast<int64_t>(out.videoHeight) * w / out.videoWidth) : 0;
    out.videoWidth = w;
  }
  if (in.fixedHeight + out.videoHeight + in.extraHeight > in.screenHeight) {
    const int32_t h = std::max(0, in.screenHeight - in.fixedHeight - in.extraHeight);
    out.videoWidth =
        out.videoHeight > 0 ? static_cast<int32_t>(static_cast<int64_t>(out.videoWidth) * h / out.videoHeight) : 0;
    out.videoHeight = h;
  }
  out.wndWidth = std::max(in.borderWidth + out.videoWidth, in.minWndWidth);
  out.wndHeight = in.fixedHeight + out.videoHeight;
  return out;
}

PlayerLayout LayoutPlayer(int32_t videoWidth, int32_t videoHeight, int32_t topLeftWidth, int32_t topRightWidth,
                          int32_t topMidHeight, int32_t infoHeight, int32_t seekHeight, int32_t barHeight) {
  PlayerLayout l;
  l.videoX = topLeftWidth;
  l.videoY = topMidHeight;
  l.wndWidth = videoWidth + topLeftWidth + topRightWidth;
  l.wndHeight = topMidHeight + videoHeight + infoHeight + seekHeight + barHeight;
  l.barY = l.wndHeight - barHeight;
  l.seekY = l.barY - seekHeight;
  l.infoY = l.seekY - infoHeight;
  return l;
}

void DefaultSize(int32_t* wndWidth, int32_t* wndHeight, int32_t infoHeight, int32_t seekHeight, int32_t barHeight) {
  if (*wndWidth != 0) return;
  *wndWidth = 240;
  *wndHeight = infoHeight + seekHeight + barHeight + 120;
}

KeyCommand MapPlayerKey(WPARAM key) {
  if (key >= 0x61 && key <= 0x7A) key -= 0x20;
  if (key < 0x20 || key > 0x7B) return {};
  switch (key) {
    case 0x20: return {KeyAction::kStepFrames, 1};
    case 0x25: return {KeyAction::kRateDown, 0};
    case 0x27: return {KeyAction::kRateUp, 0};
    case 0x28: return {KeyAction::kRateNormal, 0};
    case 'M': return {KeyAction::kToggleMute, 0};
    case 'P':
    case 'S': return {KeyAction::kPause, 0};
    case 'Q':
    case 'X':
    case 0x7B: return {KeyAction::kClose, 0};
    default: break;
  }
  if (key >= '1' && key <= '9') return {KeyAction::kStepFrames, static_cast<int>(key - 0x30)};
  return {};
}

bool PlayerTakesKey(WPARAM key, int32_t playState) {
  switch (MapPlayerKey(key).action) {
    case KeyAction::kNone:
    case KeyAction::kRateDown:
    case KeyAction::kRateUp: return false;
    default: break;
  }
  return key != 0x20 || playState == kPsPaused;
}

namespace {
std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
std::string WithoutLineEnd(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}
}  // namespace

std::string UnplayableText(const std::string& path, const std::string& engineText) {
  return "Cannot play " + FileNameOf(path) + ": " + WithoutLineEnd(engineText);
}

std::string PlaybackErrorText(const std::string& path, HRESULT hr, const std::string& reason) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(hr));
  std::string text = "Playback of " + FileNameOf(path) + " stopped by an error (" + code + ")";
  if (!reason.empty()) text += ": " + WithoutLineEnd(reason);
  return text;
}

}  // namespace vt
