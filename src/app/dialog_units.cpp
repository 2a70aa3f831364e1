#include "app/dialog_units.h"

#include <QFontMetrics>

namespace vt {

namespace {
int MulDivRound(int a, int b, int c) { return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c); }
}  // namespace

DluBase DialogBaseUnits(const QFont& font) {
  const QFontMetrics fm(font);
  const int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return DluBase{(width / 26 + 1) / 2, fm.height()};
}

QRect DluToPixels(const DluBase& base, int x, int y, int w, int h) {
  return QRect(MulDivRound(x, base.cx, 4), MulDivRound(y, base.cy, 8), MulDivRound(w, base.cx, 4),
               MulDivRound(h, base.cy, 8));
}

QFont DialogFont() {
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace vt
