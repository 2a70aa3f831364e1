// The Player window: skin frame around the video, information bar, seek bar and button bar
// underneath, and the glue from messages, timers and keys to the Player core. The video is
// painted from the engine's newest frame, scaled into the video rectangle.
#pragma once

#include <QWidget>

class QTimer;

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/message_window.h"
#include "display/display_layout.h"
#include "frame/player_window_iface.h"
#include "playback/media_engine.h"
#include "playback/player_core.h"
#include "recorddb/rdb_types.h"
#include "skin/dib.h"
#include "skin/skin_files.h"

namespace vt {

class CInfoBar;
class CSeekBar;
class CButtonBar;

// Frame arrival (private to the Player window; not one of the program's shared codes).
constexpr uint32_t kMsgPlayerNewFrame = 0x80E0;
// The seek thread's clock redraw, carried to the GUI thread (wParam: the time value).
constexpr uint32_t kMsgPlayerDrawTime = 0x80E1;
constexpr uint32_t kWmMove = 0x0003;
constexpr uint32_t kMenuSpeed = 139;
// Full screen: how often the bars look where the mouse is.
constexpr int kBarsPollMs = 100;
// Button bar slots whose look the Player changes.
constexpr int kButtonPlay = 0;
constexpr int kButtonPause = 1;

// What the Player needs from the application without depending on it.
struct PlayerHooks {
  std::function<std::string(uint32_t)> textById;                  // localized string
  std::function<void(const char*, int)> messageByKey;             // localized message box
  std::function<void(const std::string&)> messageText;            // plain message box
  std::function<void(const char*, const char*)> setWindowTitle;   // main window caption
  // The captured frame (packed bitmap, decoder's format) and its recording time; the snapshot
  // dialog's entry. Unset: snapshots are not offered.
  std::function<void(std::vector<uint8_t>, time32)> snapshot;
  // Where a record's file really is (an index written on another system, or a moved folder);
  // unset: the stored path.
  std::function<std::string(const RDB_RECORD&)> resolvePath;
  // A failure the user must see (a record that cannot be played, a stream error); unset: the
  // main window's status line (status-text message).
  std::function<void(const std::string&)> statusText;
};

class CPlayerWnd : public QWidget, public CMessageWindow, public IPlayerWindow, private IPlayerView {
 public:
  // engine null: the GStreamer engine.
  explicit CPlayerWnd(QWidget* parent, std::unique_ptr<IMediaEngine> engine = nullptr, PlayerHooks hooks = {});
  ~CPlayerWnd() override;

  // 1, or 0 when a skin bitmap is missing (the Player then has no window).
  int Create(int x, int y, int videoWidth, int videoHeight);
  void Show(int flag);
  HRESULT ResizeVideo(int num, int den);
  HRESULT OpenRecord(const std::string& path, time32 tStart);
  void ShowSpeedMenu(int x, int y);
  CPlayerCore& Core() { return *m_core; }
  IMediaEngine& Engine() { return *m_engine; }
  CSeekBar* SeekBar() const { return m_pSeekBar; }
  CInfoBar* InfoBar() const { return m_pInfoBar; }
  CButtonBar* ButtonBar() const { return m_pButtonBar; }
  // The video area as laid out now (the fitted size, or the area of a larger view or the screen).
  QRect VideoRect() const { return QRect(m_display.video.x, m_display.video.y, m_display.video.w, m_display.video.h); }
  // Where the picture is drawn inside it (the native aspect kept).
  QRect PictureRect() const {
    return QRect(m_display.picture.x, m_display.picture.y, m_display.picture.w, m_display.picture.h);
  }
  const PlayerDisplay& Display() const { return m_display; }
  bool BarsShown() const { return m_display.bBars; }
  // Full screen: shows or hides the bars for the mouse at this point of the Player.
  void ShowBarsFor(const QPoint& mouse);
  bool IsCreated() const { return m_bCreated; }
  bool IsZoomed() const { return m_bZoom != 0; }

  // IPlayerWindow
  QWidget* Widget() override { return this; }
  IMessageTarget* Target() override { return this; }
  void SetPaths(const std::string& iniPath, const std::string& programFolder) override;
  void SetAutoPlay(int flag) override { m_core->SetAutoPlay(flag); }
  int ToggleAutoPlay() override { return m_core->ToggleAutoPlay(); }
  bool IsOpen() const override { return m_core->IsOpen(); }
  double GetRate() const override { return m_core->GetRate(); }
  uint32_t RateToCommand(double rate) const override;
  bool IsMuted() const override { return m_core->IsMuted(); }
  void OnSpeedCommand(uint32_t id) override { m_core->OnSpeedCommand(id); }
  void PlaybackCommand(int cmd) override { m_core->PlaybackCommand(cmd); }
  void Forward() override { m_core->Forward(); }
  void Backward() override { m_core->Backward(); }
  void Snapshot() override;
  void ApplyZoom(int flag) override;
  void ToggleMute() override { m_core->ToggleMute(); }
  void PrevFrame() override;
  void NextFrame() override;
  void CloseClip() override { m_core->CloseClip(); }
  int GetWndX() const override { return m_nWndX; }
  int GetWndY() const override { return m_nWndY; }
  int GetWndWidth() const override { return m_nWndWidth; }
  int GetWndHeight() const override { return m_nWndHeight; }
  bool IsButtonBarButton(WPARAM w) const override;
  bool WantsKey(WPARAM key) const override;
  void OwnerMessageHook(uint32_t msg, WPARAM wParam, LPARAM lParam) override;
  std::optional<double> ShownTime() const override;
  time32 OpenRecordStart() const override { return m_core->IsOpen() ? m_core->GetStart() : 0; }
  std::vector<std::pair<time32, time32>> RecordEvents() const override;
  void JumpToOffset(int64_t offset, JumpMode mode) override;
  void SetNeighbours(IRecordNeighbours* neighbours) override;
  void SetDisplayArea(int width, int height) override;
  void SetFullScreen(bool on) override;

  LRESULT WindowProc(uint32_t msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  // IPlayerView
  void SetSeekRange(uint32_t frames) override;
  void SetSeekPos(int64_t pos) override;
  uint32_t GetSeekPos() const override;
  void SetSeekEvents(std::vector<uint32_t> pairs) override;
  void ClearSeekEvents() override;
  void ShowTime(bool show) override;
  void DrawTime(time32 t) override;
  void SetSpeedText(const char* suffix) override;
  void RepaintInfo() override;
  void StartTimers(uint32_t positionPeriodMs) override;
  void StopTimers() override;
  void ShowPlayer() override;
  void EnsureDefaultSize() override;
  void ApplyZoomKeep() override { ApplyZoom(1); }
  void InvalidateAll() override { update(); }
  void PostVideoSize(int32_t width, int32_t height) override;
  void SetWindowTitle(const char* a, const char* b) override;
  std::string LoadText(uint32_t id) override;
  void ShowMessage(const std::string& text) override;
  void ShowLangMessage(const char* key, uint32_t id) override;
  void ShowStatus(const std::string& text) override;

  PlayerChrome Chrome() const;
  // Places the Player, its video and its bars for the fitted size, the view's area or the screen.
  void Relayout();
  void PaintVideo(QPainter& p);
  void ShowPlayButtonAsPause(bool pause);
  bool Crossing() const { return m_pNeighbours && m_pNeighbours->CrossesRecords() && m_core->IsOpen(); }

  std::unique_ptr<IMediaEngine> m_engine;
  std::unique_ptr<CPlayerCore> m_core;
  PlayerHooks m_hooks;
  int32_t m_bZoom = 0;
  std::string m_strIniPath;
  std::string m_strSkinFolder;
  int32_t m_nVideoX = 0, m_nVideoY = 0;
  int32_t m_nVideoHeight = 0, m_nVideoWidth = 0;
  CDib m_frame[kVideoFramePieces];
  int32_t m_nBarHeight = 0, m_nSeekHeight = 0, m_nInfoHeight = 0;
  CInfoBar* m_pInfoBar = nullptr;  // children, deleted with the window
  CSeekBar* m_pSeekBar = nullptr;
  CButtonBar* m_pButtonBar = nullptr;
  int m_nClockTimer = 0, m_nPosTimer = 0;
  int32_t m_nWndX = 0, m_nWndY = 0, m_nWndWidth = 0, m_nWndHeight = 0;
  bool m_bCreated = false;
  IRecordNeighbours* m_pNeighbours = nullptr;
  int m_nAreaW = 0, m_nAreaH = 0;  // what the video view gives the Player; 0: the fitted size
  bool m_bFullScreen = false;
  bool m_bBarsShown = true;
  QTimer* m_pBarsTimer = nullptr;
  PlayerDisplay m_display;
  bool m_bPlayShowsPause = false;
};

// Factory for the video view: a Player with the GStreamer engine.
IPlayerWindow* CreatePlayerWindow(QWidget* parent, PlayerHooks hooks);

}  // namespace vt
