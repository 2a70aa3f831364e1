#include "player_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_report.h"
#include "playback/frame_paint.h"
#include "playback/player_logic.h"

namespace vt::bench {

namespace {
constexpr uint32_t kMsgNewFrame = 0x80E0;  // as the Player window asks for it
constexpr int kSeekTimeoutS = 30;
}  // namespace

// The Player's bars as the seek thread sees them; DrawTime on the seek thread marks the end of
// a seek.
class CBenchView : public IPlayerView {
 public:
  void SetSeekRange(uint32_t frames) override { range = frames; }
  void SetSeekPos(int64_t p) override { pos = static_cast<uint32_t>(std::clamp<int64_t>(p, 1, std::max<uint32_t>(1, range))); }
  uint32_t GetSeekPos() const override { return pos; }
  void SetSeekEvents(std::vector<uint32_t>) override {}
  void ClearSeekEvents() override {}
  void ShowTime(bool) override {}
  void DrawTime(time32) override {
    if (std::this_thread::get_id() == gui) return;  // the GUI thread's pause redraws too
    std::lock_guard<std::mutex> lock(m);
    ++draws;
    cv.notify_all();
  }
  void SetSpeedText(const char* s) override {
    std::lock_guard<std::mutex> lock(m);
    speedText = s ? s : "";
  }
  void RepaintInfo() override {}
  void StartTimers(uint32_t) override {}
  void StopTimers() override {}
  void ShowPlayer() override {}
  void EnsureDefaultSize() override {}
  void ApplyZoomKeep() override {}
  void InvalidateAll() override {}
  void PostVideoSize(int32_t, int32_t) override {}
  void SetWindowTitle(const char*, const char*) override {}
  std::string LoadText(uint32_t) override { return {}; }
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
  void ShowLangMessage(const char*, uint32_t) override {}
  void ShowStatus(const std::string& text) override {
    std::lock_guard<std::mutex> lock(m);
    status = text;
  }

  std::atomic<uint32_t> pos{1};
  uint32_t range = 1;
  std::thread::id gui = std::this_thread::get_id();
  std::mutex m;
  std::condition_variable cv;
  int draws = 0;
  std::string speedText;
  std::string status;
};

// The window's side of the frame notification: on each one, take the newest frame and paint it
// at half size (the Player's normal view of a wide video), counting the distinct frames.
class CFrameCounter : public IMessageTarget {
 public:
  explicit CFrameCounter(IMediaEngine* engine) : m_engine(engine), m_thread([this] { Loop(); }) {}
  ~CFrameCounter() override {
    {
      std::lock_guard<std::mutex> lock(m_m);
      m_stop = true;
    }
    m_cv.notify_all();
    m_thread.join();
  }
  bool Post(uint32_t msg, WPARAM, LPARAM) override {
    if (msg != kMsgNewFrame) return true;
    {
      std::lock_guard<std::mutex> lock(m_m);
      m_pending = true;
    }
    m_cv.notify_all();
    return true;
  }
  LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }
  void Reset() {
    std::lock_guard<std::mutex> lock(m_m);
    m_count = 0;
    m_first = m_last = -1;
  }
  void Read(int* count, int64_t* first, int64_t* last) {
    std::lock_guard<std::mutex> lock(m_m);
    *count = m_count;
    *first = m_first;
    *last = m_last;
  }

 private:
  void Loop() {
    std::vector<uint32_t> picture;
    int64_t shown = -1;
    std::unique_lock<std::mutex> lock(m_m);
    for (;;) {
      m_cv.wait(lock, [this] { return m_pending || m_stop; });
      if (m_stop) return;
      m_pending = false;
      lock.unlock();
      std::shared_ptr<const VideoFrame> f = m_engine->LatestFrame();
      if (f && f->pts != shown) {
        shown = f->pts;
        const int w = std::max(1, f->width / 2), h = std::max(1, f->height / 2);
        picture.resize(static_cast<size_t>(w) * h);
        ScaleFrameToRgb32(*f, picture.data(), w, h, w);
      }
      lock.lock();
      if (f && f->pts == shown && shown != m_last) {
        ++m_count;
        if (m_first < 0) m_first = shown;
        m_last = shown;
      }
    }
  }
  IMediaEngine* m_engine;
  std::mutex m_m;
  std::condition_variable m_cv;
  bool m_pending = false, m_stop = false;
  int m_count = 0;
  int64_t m_first = -1, m_last = -1;
  std::thread m_thread;
};

class CNullTarget : public IMessageTarget {
 public:
  bool Post(uint32_t, WPARAM, LPARAM) override { return true; }
  LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }
};

namespace {
CNullTarget g_notify;  // graph events: the benchmark reads positions itself
}

CPlayerRun::CPlayerRun(const std::string& path)
    : m_engine(CreateGstEngine()), m_view(std::make_unique<CBenchView>()) {
  m_frames = std::make_unique<CFrameCounter>(m_engine.get());
  m_engine->SetFrameNotify(m_frames.get(), kMsgNewFrame);
  m_core = std::make_unique<CPlayerCore>(m_engine.get(), m_view.get(), &g_notify);
  m_core->SetAutoPlay(0);
  if (m_core->OpenRecord(path, 0) != 0) {
    std::fprintf(stderr, "the Player cannot open %s: %s\n", path.c_str(), m_core->GetError().c_str());
    std::exit(2);
  }
  m_llFrameTime = m_core->GetFrameTime();
}

CPlayerRun::~CPlayerRun() {
  m_core.reset();
  m_engine->SetFrameNotify(nullptr, 0);
  m_frames.reset();
}

int64_t CPlayerRun::Position() const { return m_view->GetSeekPos(); }

double CPlayerRun::Seek(int64_t n) {
  int before;
  {
    std::lock_guard<std::mutex> lock(m_view->m);
    before = m_view->draws;
  }
  m_view->SetSeekPos(n);
  const auto t0 = Clock::now();
  m_core->OnSeekRequest();
  std::unique_lock<std::mutex> lock(m_view->m);
  if (!m_view->cv.wait_for(lock, std::chrono::seconds(kSeekTimeoutS), [&] { return m_view->draws > before; })) {
    std::fprintf(stderr, "seek to frame %lld did not finish\n", static_cast<long long>(n));
    std::exit(2);
  }
  const double ms = Ms(Clock::now() - t0);
  lock.unlock();
  auto f = m_engine->LatestFrame();
  if (!f || f->pts != (m_view->GetSeekPos() - 1) * m_llFrameTime) ++m_nWrong;
  return ms;
}

CPlayerRun::FastPlay CPlayerRun::Play(uint32_t speedId, double seconds) {
  FastPlay out;
  m_core->PlaybackCommand(kCmdStop);
  m_core->OnSpeedCommand(speedId);
  m_frames->Reset();
  const auto t0 = Clock::now();
  m_core->PlaybackCommand(kCmdPlay);
  int64_t first = -1, last = -1;
  while (Ms(Clock::now() - t0) < seconds * 1000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int64_t pos = 0;
    m_engine->GetCurrentPosition(&pos);
    // The end of the stream: the last frame's start reached.
    if (pos >= m_core->GetDuration() - m_llFrameTime) break;
  }
  out.seconds = Ms(Clock::now() - t0) / 1000;
  m_frames->Read(&out.pictures, &first, &last);
  {
    std::lock_guard<std::mutex> lock(m_view->m);
    out.speedText = m_view->speedText;
  }
  m_core->PlaybackCommand(kCmdPause);
  m_core->OnSpeedCommand(kIdSpeedNormal);
  out.recordingSeconds = first >= 0 ? (last - first) / 1e7 : 0;
  return out;
}

}  // namespace vt::bench
