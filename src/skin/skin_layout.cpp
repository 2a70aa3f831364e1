#include "skin/skin_layout.h"

#include "platform/local_time.h"

namespace vt {

std::vector<TileSpan> TileSpans(int start, int span, int tileWidth) {
  std::vector<TileSpan> out;
  if (span <= 0 || tileWidth <= 0) return out;
  const int n = static_cast<int>((static_cast<int64_t>(span) + tileWidth - 1) / tileWidth);
  out.reserve(static_cast<size_t>(n));
  int x = start;
  for (int i = 0; i < n - 1; ++i, x += tileWidth) out.push_back({x, tileWidth, false});
  out.push_back({x, span - (n - 1) * tileWidth, true});
  return out;
}

ThreePieceLayout LayoutThreePiece(int barWidth, int leftWidth, int midWidth, int rightWidth) {
  ThreePieceLayout l;
  l.leftX = 0;
  l.tiles = TileSpans(leftWidth, barWidth - rightWidth - leftWidth, midWidth);
  l.rightX = barWidth - rightWidth;
  return l;
}

int SkinButtonStrip(bool disabled, bool pressed, int state, bool hovering) {
  if (disabled) return kStripDisabled;
  if (pressed) return kStripPressed;
  if (state == kButtonStateNormal && hovering) return kStripHover;
  return kStripNormal;
}

std::vector<int> ButtonBarXs(int barWidth, int leftCapWidth, int rightCapWidth, const std::vector<int>& widths) {
  int total = 0;
  for (int w : widths) total += w;
  const int free = barWidth - rightCapWidth - leftCapWidth - total;
  int x = free >= 0 ? leftCapWidth + free / 2 : leftCapWidth;
  std::vector<int> xs;
  xs.reserve(widths.size());
  for (int w : widths) {
    xs.push_back(x);
    x += w;
  }
  return xs;
}

InfoTextRect ComputeInfoTextRect(int barWidth, int barHeight, int textHeight, int leftCapWidth, int rightCapWidth) {
  InfoTextRect r;
  if (barHeight > textHeight) {
    r.top = (barHeight - textHeight) / 2;
    r.bottom = r.top + textHeight;
  } else {
    r.top = 0;
    r.bottom = barHeight;
  }
  r.left = leftCapWidth;
  r.right = barWidth - rightCapWidth;
  return r;
}

InfoLine ChooseInfoLine(time32 t, const std::string& speed, int maxWidth,
                        const std::function<int(const std::string&)>& measure) {
  InfoLine line;
  line.text = FormatLocalTime(t, kInfoLongFormat) + speed;
  line.width = measure(line.text);
  if (line.width > maxWidth) {
    line.text = FormatLocalTime(t, kInfoShortFormat) + speed;
    line.width = measure(line.text);
    line.shortForm = true;
  }
  return line;
}

}  // namespace vt
