// Pictures of the demo recordings: a simple scene in the camera's colour with the camera
// name, the recording's date and a clock that ticks each second, and something that moves.
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt::demo {

struct DemoFrameInfo {
  std::string strCamera;
  uint32_t rgbSky = 0;  // 0xRRGGBB
  time32 tStart = 0;    // time of frame 0
  int nFrame = 0;       // 0-based frame number
  int nFps = 25;
  bool bEvent = false;  // inside one of the recording's events
};

// Time shown on a frame: the start plus the whole seconds elapsed.
time32 DemoFrameTime(time32 start, int frame, int fps);

// Draws frames of one size; keeps the static scene of the last colour so that each frame
// only paints what changes.
class CDemoPainter {
 public:
  CDemoPainter(int width, int height);
  // image: width x height, any 32-bit RGB format.
  void Draw(QImage* image, const DemoFrameInfo& info);

 private:
  void BuildScene(uint32_t rgbSky);
  // Texts change once a second at most: drawn once into a transparent layer.
  void BuildOverlay(const DemoFrameInfo& info, time32 t);

  int m_nWidth;
  int m_nHeight;
  QImage m_scene;
  uint32_t m_rgbScene = 0xffffffff;
  QImage m_overlay;
  std::string m_strOverlayCamera;
  time32 m_tOverlay = -1;
  bool m_bOverlayEvent = false;
  QFont m_fontClock;
  QFont m_fontDate;
  QFont m_fontLabel;
};

}  // namespace vt::demo
