// One tile of the side-by-side grid on screen: the picture its engine shows (scaled, its shape
// kept, on black), the camera's label, and "no recording" or why nothing plays over a dark tile.
// Repaints when its engine posts a new frame.
#pragma once

#include <QWidget>

#include "app/message_window.h"
#include "multiview/camera_grid.h"

namespace vt {

inline constexpr uint32_t kMsgTileFrame = 0x80F0;  // private to the grid window
inline constexpr QRgb kTileDarkColour = 0xFF101010;
inline constexpr QRgb kTileTextColour = 0xFFE0E0E0;
inline constexpr QRgb kTileLabelBack = 0xA0000000;
inline constexpr const char* kNoRecordingText = "no recording";
inline constexpr const char* kNoCameraText = "No camera (right-click to choose one)";

class CTileWidget : public QWidget, public CMessageWindow {
 public:
  CTileWidget(CCameraGrid* grid, int index, QWidget* parent);
  int Index() const { return m_nIndex; }
  // Where the picture is drawn inside the tile; empty when there is none.
  QRect PictureRect() const;
  // The text shown over the tile (label excluded), empty over a picture.
  QString OverlayText() const;
  LRESULT WindowProc(uint32_t msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  CCameraGrid* m_pGrid;
  int m_nIndex;
};

}  // namespace vt
