#include "snapshot/caption_font.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <cstring>

namespace vt {

namespace {

constexpr int kDefaultPixelHeight = 13;  // lfHeight 0: the system's usual caption size
constexpr uint8_t kFixedPitch = 1;
constexpr uint8_t kFamilyMask = 0xF0;
constexpr uint8_t kFamilyRoman = 0x10, kFamilySwiss = 0x20, kFamilyModern = 0x30, kFamilyScript = 0x40,
                  kFamilyDecorative = 0x50;
constexpr uint8_t kNonAntialiasedQuality = 3, kAntialiasedQuality = 4;

}  // namespace

QFont LogFontToQFont(const LOGFONT& lf) {
  QFont f;
  f.setFamily(QString::fromLocal8Bit(lf.lfFaceName, static_cast<int>(strnlen(lf.lfFaceName, LF_FACESIZE))));
  switch (lf.lfPitchAndFamily & kFamilyMask) {
    case kFamilyRoman: f.setStyleHint(QFont::Serif); break;
    case kFamilySwiss: f.setStyleHint(QFont::SansSerif); break;
    case kFamilyModern: f.setStyleHint(QFont::Monospace); break;
    case kFamilyScript: f.setStyleHint(QFont::Cursive); break;
    case kFamilyDecorative: f.setStyleHint(QFont::Decorative); break;
    default: break;
  }
  if (lf.lfPitchAndFamily & kFixedPitch) f.setFixedPitch(true);
  if (lf.lfWeight > 0) f.setWeight(static_cast<QFont::Weight>(lf.lfWeight < 1000 ? lf.lfWeight : 1000));
  f.setItalic(lf.lfItalic != 0);
  f.setUnderline(lf.lfUnderline != 0);
  f.setStrikeOut(lf.lfStrikeOut != 0);
  if (lf.lfQuality == kNonAntialiasedQuality) f.setStyleStrategy(QFont::NoAntialias);
  if (lf.lfQuality == kAntialiasedQuality) f.setStyleStrategy(QFont::PreferAntialias);
  if (lf.lfHeight < 0) {
    f.setPixelSize(-lf.lfHeight);
  } else if (lf.lfHeight > 0) {
    // A cell height: the largest character size whose line fits in it.
    int px = lf.lfHeight;
    f.setPixelSize(px);
    while (px > 1 && QFontMetrics(f).height() > lf.lfHeight) f.setPixelSize(--px);
  } else {
    f.setPixelSize(kDefaultPixelHeight);
  }
  return f;
}

LOGFONT QFontToLogFont(const QFont& font, const LOGFONT& base) {
  LOGFONT lf = base;
  const int px = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
  lf.lfHeight = -px;
  lf.lfWidth = 0;
  lf.lfWeight = font.weight();
  lf.lfItalic = font.italic() ? 1 : 0;
  lf.lfUnderline = font.underline() ? 1 : 0;
  lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
  const QByteArray face = font.family().toLocal8Bit();
  std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
  std::memcpy(lf.lfFaceName, face.constData(), std::min<size_t>(face.size(), LF_FACESIZE - 1));
  return lf;
}

QFont ResolvedFont(const QFont& requested) {
  const QFontInfo info(requested);
  QFont f(info.family());
  f.setPointSize(std::max(1, info.pointSize()));
  f.setWeight(info.weight() > 0 ? static_cast<QFont::Weight>(info.weight()) : QFont::Normal);
  f.setItalic(info.italic());
  // The style by its name as well: a font dialog finds the face's own style ("Book") by it.
  if (!info.styleName().isEmpty()) f.setStyleName(info.styleName());
  f.setUnderline(requested.underline());
  f.setStrikeOut(requested.strikeOut());
  return f;
}

bool SameResolvedFont(const QFont& a, const QFont& b) {
  const QFontInfo ia(a), ib(b);
  return ia.family().compare(ib.family(), Qt::CaseInsensitive) == 0 && ia.pointSize() == ib.pointSize() &&
         ia.weight() == ib.weight() && ia.italic() == ib.italic() && a.underline() == b.underline() &&
         a.strikeOut() == b.strikeOut();
}

}  // namespace vt
