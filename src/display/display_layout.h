// Where the Player puts the video, its frame and its bars when it is not just fitted around
// the video: in a video view the user made larger (or a maximised window), and full screen.
// The picture keeps its aspect ratio; at the fitted size everything stays where it always was.
#pragma once

namespace vt {

struct DisplayRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const DisplayRect&) const = default;
  bool Empty() const { return w <= 0 || h <= 0; }
};

// The Player's fixed parts around the video.
struct PlayerChrome {
  int leftW = 0;   // frame pieces on the left (top-left width)
  int rightW = 0;  // on the right (top-right width)
  int topH = 0;    // above the video (top-middle height)
  int infoH = 0, seekH = 0, barH = 0;
  int minW = 0;  // narrowest Player whose button bar shows every button
  int BarsHeight() const { return infoH + seekH + barH; }
};

struct PlayerDisplay {
  int wndW = 0, wndH = 0;  // the Player's size
  DisplayRect video;       // the area the frame surrounds; black where the picture is not
  DisplayRect picture;     // where the picture is drawn
  int infoY = 0, seekY = 0, barY = 0;  // bar tops; every bar is wndW wide
  bool bFramed = true;     // frame pieces drawn around the video
  bool bBars = true;       // bars shown
  bool operator==(const PlayerDisplay&) const = default;
};

// The largest rectangle of w:h inside box, centred; box itself when w or h is not positive.
DisplayRect AspectFit(const DisplayRect& box, int w, int h);

// In a video view: the Player fills areaW x areaH (never less than its fitted size, fittedW x
// fittedH video, nor narrower than c.minW). At the fitted size the picture fills the video area as it always did; larger,
// the picture keeps the native aspect (nativeW x nativeH) inside it.
PlayerDisplay LayoutInArea(int areaW, int areaH, const PlayerChrome& c, int fittedW, int fittedH, int nativeW,
                           int nativeH);
// Full screen: no frame, the picture fills the screen keeping its aspect, the bars lie over its
// bottom edge while shown.
PlayerDisplay LayoutFullScreen(int screenW, int screenH, const PlayerChrome& c, int nativeW, int nativeH,
                               bool bars);

// Full screen: the bars show while the mouse is this close to the bottom (or on them).
inline constexpr int kBarsRevealMargin = 48;
bool BarsWanted(int mouseY, int screenH, const PlayerChrome& c);

}  // namespace vt
