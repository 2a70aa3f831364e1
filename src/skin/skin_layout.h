// Arithmetic of the skinned controls, apart from any drawing: tile spans, the button strips,
// the button bar layout and the information bar's line. All sizes are in pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace vt {

// One tile drawn while filling a span: whole tiles at their own size, the last one clipped to
// `width` (<= tile width) so that the span ends exactly where it should.
struct TileSpan {
  int x = 0;
  int width = 0;
  bool clipped = false;  // drawn with the clipping draw
  bool operator==(const TileSpan&) const = default;
};

// Tiles covering [start, start + span). Nothing for an empty or negative span or a tile of no
// width, so a bar narrower than its caps never loops or draws outside.
std::vector<TileSpan> TileSpans(int start, int span, int tileWidth);

// Left cap at 0, middle tiles from the left cap's width, right cap at barWidth - right width.
struct ThreePieceLayout {
  int leftX = 0;
  std::vector<TileSpan> tiles;
  int rightX = 0;
};
ThreePieceLayout LayoutThreePiece(int barWidth, int leftWidth, int midWidth, int rightWidth);

// Strips of a five-strip button bitmap, counted from the bottom row.
enum SkinStrip : int {
  kStripDisabled = 0,
  kStripUnused = 1,
  kStripPressed = 2,
  kStripHover = 3,
  kStripNormal = 4,
};
constexpr int kSkinStripCount = 5;
constexpr int kButtonStateNormal = 1;
constexpr int kButtonStateDisabled = 3;
// The strip a skinned button shows.
int SkinButtonStrip(bool disabled, bool pressed, int state, bool hovering);

// x of each button of the button bar, left to right, touching: centred between the caps when
// they fit, from the left cap's edge when they do not.
std::vector<int> ButtonBarXs(int barWidth, int leftCapWidth, int rightCapWidth, const std::vector<int>& widths);
// y of a button strip centred in a bar of height barHeight.
inline int CentredY(int barHeight, int itemHeight) { return (barHeight - itemHeight) / 2; }

// The information bar's text rectangle, worked out from the bar's size and the font's height.
struct InfoTextRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  bool operator==(const InfoTextRect&) const = default;
};
InfoTextRect ComputeInfoTextRect(int barWidth, int barHeight, int textHeight, int leftCapWidth, int rightCapWidth);

constexpr const char* kInfoLongFormat = "  %Y-%m-%d %H:%M:%S";
constexpr const char* kInfoShortFormat = "  %H:%M:%S";
constexpr COLORREF kInfoTextColor = RGB(0, 196, 196);
constexpr COLORREF kInfoTextBackground = RGB(0, 0, 0);

// The line shown: date, time and speed suffix when that fits maxWidth, else time and suffix
// (drawn even if that does not fit either).
struct InfoLine {
  std::string text;
  int width = 0;
  bool shortForm = false;
};
InfoLine ChooseInfoLine(time32 t, const std::string& speed, int maxWidth,
                        const std::function<int(const std::string&)>& measure);
// The old line's area is cleared only when the new line is narrower than the last one drawn.
inline bool InfoLineNeedsClear(int lastWidth, int newWidth) { return lastWidth > newWidth; }

}  // namespace vt
