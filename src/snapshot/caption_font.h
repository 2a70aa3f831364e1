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

inline QColor ColorRefToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF QColorToColorRef(const QColor& c) {
  return RGB(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

}  // namespace vt
