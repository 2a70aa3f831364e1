// The Player area before anything can be played: a black 330 x 240 window with no record, so
// every playback command stays greyed and the main window fits itself around it.
#pragma once

#include <QWidget>

#include "app/message_window.h"
#include "frame/player_window_iface.h"

namespace vt {

inline constexpr int kPlayerInitialWidth = 330;
inline constexpr int kPlayerInitialHeight = 240;

class CEmptyPlayerArea : public QWidget, public CMessageWindow, public IPlayerWindow {
 public:
  explicit CEmptyPlayerArea(QWidget* parent);

  QWidget* Widget() override { return this; }
  IMessageTarget* Target() override { return this; }
  void SetPaths(const std::string&, const std::string&) override {}
  void SetAutoPlay(int bAutoPlay) override { m_bAutoPlay = bAutoPlay; }
  int ToggleAutoPlay() override { return m_bAutoPlay = !m_bAutoPlay; }
  bool IsOpen() const override { return false; }
  double GetRate() const override { return 1.0; }
  uint32_t RateToCommand(double) const override { return 0; }
  bool IsMuted() const override { return false; }
  void OnSpeedCommand(uint32_t) override {}
  void PlaybackCommand(int) override {}
  void Forward() override {}
  void Backward() override {}
  void Snapshot() override {}
  void ApplyZoom(int) override {}
  void ToggleMute() override {}
  void PrevFrame() override {}
  void NextFrame() override {}
  void CloseClip() override {}
  int GetWndX() const override { return x(); }
  int GetWndY() const override { return y(); }
  int GetWndWidth() const override { return width(); }
  int GetWndHeight() const override { return height(); }
  bool IsButtonBarButton(WPARAM) const override { return false; }
  bool WantsKey(WPARAM) const override { return false; }
  void OwnerMessageHook(uint32_t, WPARAM, LPARAM) override {}

  LRESULT WindowProc(uint32_t msg, WPARAM wParam, LPARAM lParam) override;
  // Open-record messages seen (lParam of the last one), for callers that check the close.
  int OpenRecordCount() const { return m_nOpenRecord; }
  LPARAM LastOpenRecord() const { return m_lastOpenRecord; }

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  int m_bAutoPlay = 1;
  int m_nOpenRecord = 0;
  LPARAM m_lastOpenRecord = 0;
};

}  // namespace vt
