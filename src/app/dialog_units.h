// Dialog templates are laid out in dialog units: a quarter of the dialog font's average
// character width across, an eighth of its height down.
#pragma once

#include <QFont>
#include <QRect>

namespace vt {

struct DluBase {
  int cx = 0;  // average character width in pixels
  int cy = 0;  // character height in pixels
};

// Base units of a font: average width of the 52 Latin letters (rounded), and the line height.
DluBase DialogBaseUnits(const QFont& font);
// Rectangle of dialog units (x, y, width, height) in pixels, each value rounded.
QRect DluToPixels(const DluBase& base, int x, int y, int w, int h);
// The dialogs' template font: "Tahoma" 8 points, or the closest the system has.
QFont DialogFont();

}  // namespace vt
