#include "frame/frame_layout.h"

namespace vt {

bool ViewFitsPlayer(int clientW, int clientH, int playerW, int playerH) {
  return clientW == playerW + 2 * kPlayerMargin && clientH == playerH + 2 * kPlayerMargin;
}

WndRect FitWindowToVideo(const WndRect& window, int clientW, int clientH, int playerW, int playerH, int screenW,
                         int screenH) {
  WndRect r = window;
  r.right += playerW + 2 * kPlayerMargin - clientW;
  r.bottom += playerH + 2 * kPlayerMargin - clientH;
  if (r.right > screenW) {
    r.left -= r.right - screenW;
    r.right = screenW;
  }
  if (r.bottom > screenH) {
    r.top -= r.bottom - screenH;
    r.bottom = screenH;
  }
  if (r.left < 0) {
    r.right -= r.left;
    r.left = 0;
  }
  if (r.top < 0) {
    r.bottom -= r.top;
    r.top = 0;
  }
  return r;
}

std::string VideoSizeText(int width, int height) {
  if (width == 0 || height == 0) return {};
  return std::to_string(width) + "x" + std::to_string(height);
}

void InitialWindowPos(int screenW, int screenH, int* x, int* y) {
  *x = (screenW - kInitialWidth) / 2;
  *y = (screenH - kInitialHeight) / 2;
}

}  // namespace vt
