#include "snapshot/snapshot_layout.h"

#include "platform/local_time.h"

namespace vt {

namespace {

int MulDivRound(int value, int mul, int div) {
  const int64_t p = int64_t{value} * mul;
  return static_cast<int>(p >= 0 ? (p + div / 2) / div : -((-p + div / 2) / div));
}

constexpr COLORREF kOuterShadow = RGB(175, 175, 159);
constexpr COLORREF kOuterLight = RGB(255, 255, 255);
constexpr COLORREF kInnerShadow = RGB(119, 111, 103);
constexpr COLORREF kInnerLight = RGB(247, 239, 231);

// A line from (x1, y1) up to but not including (x2, y2), as both ends drawn. Lines of the frame
// are horizontal or vertical.
FrameLine HalfOpen(COLORREF c, int x1, int y1, int x2, int y2) {
  const int sx = x2 > x1 ? 1 : (x2 < x1 ? -1 : 0);
  const int sy = y2 > y1 ? 1 : (y2 < y1 ? -1 : 0);
  return {c, x1, y1, x2 - sx, y2 - sy};
}

}  // namespace

int DialogUnitsToPixelsX(int dlu) { return MulDivRound(dlu, kDialogBaseUnitX, 4); }
int DialogUnitsToPixelsY(int dlu) { return MulDivRound(dlu, kDialogBaseUnitY, 8); }

SnapRect ControlRectPixels(const SnapControl& c) {
  const int l = DialogUnitsToPixelsX(c.x), t = DialogUnitsToPixelsY(c.y);
  return {l, t, DialogUnitsToPixelsX(c.x + c.w), DialogUnitsToPixelsY(c.y + c.h)};
}

SnapshotSizing ComputeSnapshotSizing(int w, int h, SnapRect preview, int dw, int dh, int sw, int sh) {
  SnapshotSizing s;
  const int pw = preview.Width(), ph = preview.Height();
  if (w <= 0 || h <= 0) {
    s.preview = preview;
    return s;
  }
  if (w >= kMinPreviewWidth) {
    s.dx = w - pw;
    s.dy = h - ph;
    if (dw + s.dx > sw) {
      const int nw = sw - dw + pw - kScreenMargin;
      const int nh = static_cast<int>(int64_t{nw} * h / w);
      s.dx = nw - pw;
      s.dy = nh - ph;
    }
    if (dh + s.dy > sh) {
      const int nh = sh - dh + ph - kScreenMargin;
      const int nw = static_cast<int>(int64_t{nh} * w / h);
      s.dx = nw - pw;
      s.dy = nh - ph;
    }
  } else {
    s.dx = kMinPreviewWidth - pw;
    s.dy = static_cast<int>(int64_t{h} * kMinPreviewWidth / w) - ph;
  }
  s.preview = {preview.left, preview.top, preview.right + s.dx, preview.bottom + s.dy};
  return s;
}

std::array<FrameLine, 16> SunkenFrameLines(const SnapRect& rc) {
  const int l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
  return {{
      HalfOpen(kOuterShadow, l - 4, t - 4, r + 5, t - 4),
      HalfOpen(kOuterShadow, l - 3, t - 3, r + 4, t - 3),
      HalfOpen(kOuterShadow, l - 4, t - 4, l - 4, b + 5),
      HalfOpen(kOuterShadow, l - 3, t - 3, l - 3, b + 4),
      HalfOpen(kOuterLight, r + 4, b + 4, r + 4, t - 4),
      HalfOpen(kOuterLight, r + 4, b + 4, l - 4, b + 4),
      HalfOpen(kOuterLight, r + 3, b + 3, r + 3, t - 3),
      HalfOpen(kOuterLight, r + 3, b + 3, l - 3, b + 3),
      HalfOpen(kInnerShadow, l - 2, t - 2, r + 3, t - 2),
      HalfOpen(kInnerShadow, l - 1, t - 1, r + 2, t - 1),
      HalfOpen(kInnerShadow, l - 2, t - 2, l - 2, b + 3),
      HalfOpen(kInnerShadow, l - 1, t - 1, l - 1, b + 2),
      HalfOpen(kInnerShadow, r + 1, b + 1, r + 1, t - 1),
      HalfOpen(kInnerShadow, r + 1, b + 1, l - 1, b + 1),
      HalfOpen(kInnerLight, r + 2, b + 2, r + 2, t - 2),
      HalfOpen(kInnerLight, r + 2, b + 2, l - 2, b + 2),
  }};
}

std::string SnapshotCaptionText(time32 time) { return FormatLocalTime(time, "%Y/%m/%d %H:%M:%S"); }

std::string FileFilter::Suffix() const {
  const size_t dot = pattern.rfind('.');
  return dot == std::string::npos || pattern.find_first_of("*?", dot) != std::string::npos
             ? std::string()
             : pattern.substr(dot + 1);
}

std::string FileFilter::QtFilter() const {
  // Qt takes the patterns from the parentheses; add them when the description lacks them.
  return description.find('(') != std::string::npos ? description : description + " (" + pattern + ")";
}

std::vector<FileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<FileFilter> out;
  size_t at = 0;
  while (at < filter.size()) {
    const size_t bar1 = filter.find('|', at);
    if (bar1 == std::string::npos || bar1 == at) break;
    const size_t bar2 = filter.find('|', bar1 + 1);
    const size_t end = bar2 == std::string::npos ? filter.size() : bar2;
    out.push_back({filter.substr(at, bar1 - at), filter.substr(bar1 + 1, end - bar1 - 1)});
    if (bar2 == std::string::npos) break;
    at = bar2 + 1;
  }
  return out;
}

}  // namespace vt
