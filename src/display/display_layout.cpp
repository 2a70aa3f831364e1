#include "display/display_layout.h"

#include <algorithm>
#include <cstdint>

namespace vt {

DisplayRect AspectFit(const DisplayRect& box, int w, int h) {
  if (w <= 0 || h <= 0 || box.Empty()) return box;
  // Whole-number arithmetic in 64 bits: the wider side decides.
  int fw = box.w, fh = static_cast<int>(int64_t{box.w} * h / w);
  if (fh > box.h) {
    fh = box.h;
    fw = static_cast<int>(int64_t{box.h} * w / h);
  }
  return {box.x + (box.w - fw) / 2, box.y + (box.h - fh) / 2, fw, fh};
}

namespace {

void PlaceBars(PlayerDisplay* d, const PlayerChrome& c) {
  d->barY = d->wndH - c.barH;
  d->seekY = d->barY - c.seekH;
  d->infoY = d->seekY - c.infoH;
}

}  // namespace

PlayerDisplay LayoutInArea(int areaW, int areaH, const PlayerChrome& c, int fittedW, int fittedH, int nativeW,
                           int nativeH) {
  PlayerDisplay d;
  const int borderW = c.leftW + c.rightW, fixedH = c.topH + c.BarsHeight();
  d.wndW = std::max({areaW, borderW + fittedW, c.minW});
  d.wndH = std::max(areaH, fixedH + fittedH);
  d.video = {c.leftW, c.topH, d.wndW - borderW, d.wndH - fixedH};
  d.picture = d.video.w == fittedW && d.video.h == fittedH ? d.video : AspectFit(d.video, nativeW, nativeH);
  PlaceBars(&d, c);
  return d;
}

PlayerDisplay LayoutFullScreen(int screenW, int screenH, const PlayerChrome& c, int nativeW, int nativeH, bool bars) {
  PlayerDisplay d;
  d.wndW = std::max(screenW, 1);
  d.wndH = std::max(screenH, 1);
  d.video = {0, 0, d.wndW, d.wndH};
  d.picture = AspectFit(d.video, nativeW, nativeH);
  d.bFramed = false;
  d.bBars = bars;
  PlaceBars(&d, c);
  return d;
}

bool BarsWanted(int mouseY, int screenH, const PlayerChrome& c) {
  return mouseY >= screenH - c.BarsHeight() - kBarsRevealMargin && mouseY < screenH;
}

}  // namespace vt
