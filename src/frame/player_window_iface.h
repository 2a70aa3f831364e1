// The Player window as the main window, the video view and the commands see it. The Player
// window implements it; until a record can be played the video view hosts CEmptyPlayerArea.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/message.h"
#include "platform/win_types.h"

class QWidget;

namespace vt {

// Where the Player turns at the ends of a record when recordings are played across.
class IRecordNeighbours {
 public:
  virtual ~IRecordNeighbours() = default;
  // True while recordings are played across (the option is on).
  virtual bool CrossesRecords() const = 0;
  // The stream ended while playing: true when the next record is about to be opened (the
  // Player then neither stops nor rewinds); false keeps the end as it always was.
  virtual bool OnEndOfRecord() = 0;
  // Next Frame on the last frame (+1) or Previous Frame on the first (-1): true when the
  // neighbouring record was opened there.
  virtual bool OnStepPastEnd(int direction) = 0;
};

// How a jump inside the open record leaves playback.
enum class JumpMode { kKeep, kPlay, kPause };

class IPlayerWindow {
 public:
  virtual ~IPlayerWindow() = default;
  virtual QWidget* Widget() = 0;
  // Receives the open-record message (lParam RDB_RECORD* or 0 to close).
  virtual IMessageTarget* Target() = 0;
  virtual void SetPaths(const std::string& iniPath, const std::string& programFolder) = 0;
  virtual void SetAutoPlay(int bAutoPlay) = 0;
  // Returns the new auto-play flag.
  virtual int ToggleAutoPlay() = 0;

  virtual bool IsOpen() const = 0;
  virtual double GetRate() const = 0;
  // Speed command (32771-32779) of a rate, 0 when none matches.
  virtual uint32_t RateToCommand(double rate) const = 0;
  virtual bool IsMuted() const = 0;

  virtual void OnSpeedCommand(uint32_t id) = 0;
  virtual void PlaybackCommand(int cmd) = 0;  // 1 play, 2 pause, 3 stop
  virtual void Forward() = 0;
  virtual void Backward() = 0;
  virtual void Snapshot() = 0;
  virtual void ApplyZoom(int zoom) = 0;
  virtual void ToggleMute() = 0;
  virtual void PrevFrame() = 0;
  virtual void NextFrame() = 0;
  virtual void CloseClip() = 0;

  // Window rectangle inside the video view (m_nWndX, m_nWndY, m_nWndWidth, m_nWndHeight).
  virtual int GetWndX() const = 0;
  virtual int GetWndY() const = 0;
  virtual int GetWndWidth() const = 0;
  virtual int GetWndHeight() const = 0;

  // True when w (the wParam of a status-text message) is one of the button bar's buttons.
  virtual bool IsButtonBarButton(WPARAM w) const = 0;
  // True when a key of the main window (virtual-key code) is one of the Player's keys now; the
  // main window then hands it to OwnerMessageHook as kWmKeyDown.
  virtual bool WantsKey(WPARAM key) const = 0;
  // Sees every message of the main window before it is processed; the answer is not used.
  virtual void OwnerMessageHook(uint32_t msg, WPARAM wParam, LPARAM lParam) = 0;

  // Reviewing across recordings; a Player area that cannot play keeps the defaults.
  // Recording time of the frame on screen (record start + the frame's own position, seconds);
  // none when nothing is open.
  virtual std::optional<double> ShownTime() const { return std::nullopt; }
  // Start time of the open record, 0 when none.
  virtual time32 OpenRecordStart() const { return 0; }
  // Events read from the open record's file (start, end).
  virtual std::vector<std::pair<time32, time32>> RecordEvents() const { return {}; }
  // Shows the frame that holds offset (100 ns from the record's start; at or past the end:
  // the last frame).
  virtual void JumpToOffset(int64_t offset, JumpMode mode) {
    (void)offset;
    (void)mode;
  }
  // Receiver of the record ends; null: the ends behave as they always did.
  virtual void SetNeighbours(IRecordNeighbours* neighbours) { (void)neighbours; }

  // A video that fills a larger view or the screen. The area the video view gives the Player
  // (its client size less the margins); never less than the fitted size.
  virtual void SetDisplayArea(int width, int height) {
    (void)width;
    (void)height;
  }
  // Full screen: the Player fills the area without its frame, its bars showing only while the
  // mouse is near the bottom.
  virtual void SetFullScreen(bool on) { (void)on; }
};

// Posted by the Player to the main window when the video is double-clicked.
constexpr uint32_t kMsgToggleFullScreen = 0x80E3;

}  // namespace vt
