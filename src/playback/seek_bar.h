// The Player's seek bar: a thumb on a track between a previous and a next element, event marks
// along the top edge. It never seeks itself: every user move sets its position and posts the
// seek-request message to its owner, which seeks to GetPos().
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/message.h"
#include "playback/seek_bar_geometry.h"
#include "skin/dib.h"
#include "skin/skin_canvas.h"

namespace vt {

class CSeekBar;

constexpr int kSeekKindThumb = 1;
constexpr int kSeekKindPrev = 2;
constexpr int kSeekKindNext = 3;
constexpr int kSeekFrames = 5;  // frames side by side in an element bitmap
// Element states (frames): 1 normal, 2 mouse over, 3 pressed, 4 pressed with the mouse over.
// SetState 5 adds the hover look, 6 removes it.
constexpr int kSeekStateNormal = 1;
constexpr int kSeekStateHover = 2;
constexpr int kSeekStatePressed = 3;
constexpr int kSeekStateAddHover = 5;
constexpr int kSeekStateRemoveHover = 6;

// One drawn element of the bar (not a window).
class CSeekButton {
 public:
  virtual ~CSeekButton() = default;
  int Load(const std::string& path);
  void SetOwner(CSeekBar* owner) { m_pOwner = owner; }
  void SetKind(int kind) { m_nKind = kind; }
  void SetMessage(uint32_t message) { m_nMessage = message; }
  void MoveTo(int x, int y) {
    m_x = x;
    m_y = y;
  }
  // The kind when (px, py) lies on the element, edges included; else 0.
  int HitTest(int px, int py) const;
  void SetState(int s, bool redraw);
  // Draws the frame of the current state at (x, y); with no painter on the owner's picture now.
  void Draw(QPainter* p);

  int GetKind() const { return m_nKind; }
  uint32_t GetMessage() const { return m_nMessage; }
  int GetState() const { return m_nState; }
  int GetX() const { return m_x; }
  int GetY() const { return m_y; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }

 private:
  int m_nKind = 0;
  uint32_t m_nMessage = 0;
  CSeekBar* m_pOwner = nullptr;
  int m_x = 0, m_y = 0;
  int m_nWidth = 0, m_nHeight = 0;
  CDib m_bitmap;
  int m_nState = kSeekStateNormal;
};

class CSeekBar : public CSkinCanvas {
 public:
  explicit CSeekBar(QWidget* parent = nullptr);
  ~CSeekBar() override;

  // Written by the Player before Create.
  std::string m_strSkinFolder;

  // Loads the four backgrounds (left cap, track tile, groove tile, right cap) and the three
  // elements (thumb, previous, next), then makes the bar a hidden child of parent at (x, y),
  // width wide. 0 when a bitmap fails to load. Messages are posted to owner.
  int Create(QWidget* parent, IMessageTarget* owner, int x, int y, int width, uint32_t range,
             const char* const* backgrounds, int backgroundCount, const char* const* elements, const int* kinds,
             const uint32_t* messages, int elementCount);
  int GetHeight() const { return m_cy; }
  void SetRange(uint32_t n);
  uint32_t GetRange() const { return m_nRange; }
  uint32_t GetPos() const { return m_nPos; }
  // The position as another thread may read it (the Player's seek thread).
  uint32_t GetPosAtomic() const { return m_nPosShared.load(std::memory_order_relaxed); }
  void SetPos(uint32_t p);
  // (start frame, end frame) pairs flattened, 0-based; replaces the marks.
  void SetEvents(std::vector<uint32_t> pairs);
  void ClearEvents();
  void PrevFrame();
  void NextFrame();

  // The text of the tooltip over the track for a position (the recording time there); unset or
  // empty: no tooltip.
  void SetPosText(std::function<std::string(uint32_t pos)> text) { m_fnPosText = std::move(text); }
  // The tooltip over x: the text for the position there, empty off the track.
  std::string ToolTipAt(int x) const;

  const SeekTrack& GetTrack() const { return m_track; }
  int GetThumbX() const { return m_thumb.GetX(); }
  const CSeekButton& Element(int kind) const;
  // Kind of the element under (x, y), thumb first; 0 when none. offset: x minus its x.
  int HitTest(int x, int y, int* offset = nullptr) const;

 protected:
  bool event(QEvent* e) override;
  void PaintAll(QPainter& p) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  friend class CSeekButton;
  SeekBarSizes Sizes() const;
  void Recalculate();
  void PlaceThumb();
  CSeekButton* ElementAt(int x, int y, int* offset);
  void Post(uint32_t msg);
  void HoverTo(CSeekButton* e);

  std::vector<uint32_t> m_eventMarks;  // pairs
  int m_nDragOffset = 0;
  CSeekButton* m_pHot = nullptr;
  CDib m_bmpLeft, m_bmpTrack, m_bmpGroove, m_bmpRight;
  CSeekButton m_thumb, m_prev, m_next;
  QPoint m_ptPress;
  int m_bCaptured = 0;
  int m_bDown = 0;
  int m_cx = 0, m_cy = 0;
  IMessageTarget* m_hOwner = nullptr;
  SeekTrack m_track;
  uint32_t m_nPos = 1;
  uint32_t m_nRange = 100;
  std::atomic<uint32_t> m_nPosShared{1};
  std::function<std::string(uint32_t)> m_fnPosText;
};

}  // namespace vt
