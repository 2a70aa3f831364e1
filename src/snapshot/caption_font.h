// The caption's LOGFONT and COLORREF as Qt sees them, and back.
#pragma once

#include <QColor>
#include <QFont>

#include "platform/win_types.h"

namespace vt {

// lfHeight < 0: character height in pixels; > 0: cell height (ascent + descent) in pixels;
// 0: the default size. lfWeight 0 is normal. Escapement and width are not carried over.
QFont LogFontToQFont(const LOGFONT& lf);
// The fields Qt knows replace those of base; the others (char set, precisions) stay.
LOGFONT QFontToLogFont(const QFont& font, const LOGFONT& base);
// The font a requested one is drawn in: the family the platform resolved it to (a stored face
// that is not installed falls back), its style and its size in whole points, as a font dialog
// shows them; underline and strike-out as requested.
QFont ResolvedFont(const QFont& requested);
// Whether two fonts draw alike: the same resolved family, size, weight, slant and effects.
bool SameResolvedFont(const QFont& a, const QFont& b);

inline QColor ColorRefToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF QColorToColorRef(const QColor& c) {
  return RGB(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

}  // namespace vt
