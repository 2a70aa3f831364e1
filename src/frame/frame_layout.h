// Geometry of the main window: fitting it around the video and holding it on the screen, the
// video-size pane text, the window's first position.
#pragma once

#include <string>

namespace vt {

struct WndRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const WndRect&) const = default;
};

// The Player sits this far from the video view's left and top edges (and keeps as much free
// on the right and bottom).
inline constexpr int kPlayerMargin = 10;
inline constexpr int kInitialWidth = 560;
inline constexpr int kInitialHeight = 500;

// True when the view (clientW x clientH) already holds the Player (playerW x playerH) with
// its margins.
bool ViewFitsPlayer(int clientW, int clientH, int playerW, int playerH);
// The main window rectangle that gives the view the Player's size plus the margins, held on a
// screen of screenW x screenH.
WndRect FitWindowToVideo(const WndRect& window, int clientW, int clientH, int playerW, int playerH, int screenW,
                         int screenH);
// "%dx%d" when both are non-zero, else empty.
std::string VideoSizeText(int width, int height);
// ((screen - 560) / 2, (screen - 500) / 2), halving toward zero.
void InitialWindowPos(int screenW, int screenH, int* x, int* y);

}  // namespace vt
