#include "snapshot/snapshot_settings.h"

#include <cstring>

#include "platform/data_policy.h"
#include "platform/profile.h"

namespace vt {

namespace {

// The keys in the order they are written; the byte fields keep the low byte of what is read.
struct IntKey {
  const char* name;
  int32_t LOGFONT::*wide;
  uint8_t LOGFONT::*narrow;
};
constexpr IntKey kIntKeys[] = {
    {"lfHeight", &LOGFONT::lfHeight, nullptr},
    {"lfWidth", &LOGFONT::lfWidth, nullptr},
    {"lfEscapement", &LOGFONT::lfEscapement, nullptr},
    {"lfOrientation", &LOGFONT::lfOrientation, nullptr},
    {"lfWeight", &LOGFONT::lfWeight, nullptr},
    {"lfItalic", nullptr, &LOGFONT::lfItalic},
    {"lfUnderline", nullptr, &LOGFONT::lfUnderline},
    {"lfStrikeOut", nullptr, &LOGFONT::lfStrikeOut},
    {"lfCharSet", nullptr, &LOGFONT::lfCharSet},
    {"lfOutPrecision", nullptr, &LOGFONT::lfOutPrecision},
    {"lfClipPrecision", nullptr, &LOGFONT::lfClipPrecision},
    {"lfQuality", nullptr, &LOGFONT::lfQuality},
    {"lfPitchAndFamily", nullptr, &LOGFONT::lfPitchAndFamily},
};
constexpr const char* kColorKey = "color";
constexpr const char* kFaceKey = "lfFaceName";

void SetFace(LOGFONT* lf, const std::string& face) {
  std::memset(lf->lfFaceName, 0, sizeof lf->lfFaceName);
  std::memcpy(lf->lfFaceName, face.data(), face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1);
}

LOGFONT DefaultFont() {
  LOGFONT lf{};
  lf.lfHeight = kDefaultCaptionHeight;
  SetFace(&lf, kDefaultCaptionFace);
  return lf;
}

}  // namespace

CSnapshotSettings::CSnapshotSettings() : m_lf(DefaultFont()), m_crColor(0) {}

void CSnapshotSettings::Load(const std::string& iniPath, const std::string& /*programFolder*/) {
  const LOGFONT def = DefaultFont();
  m_crColor = static_cast<COLORREF>(GetProfileInt(iniPath, kSnapSection, kColorKey, 0));
  for (const IntKey& k : kIntKeys) {
    if (k.wide) {
      m_lf.*k.wide = GetProfileInt(iniPath, kSnapSection, k.name, def.*k.wide);
    } else {
      m_lf.*k.narrow = static_cast<uint8_t>(GetProfileInt(iniPath, kSnapSection, k.name, def.*k.narrow));
    }
  }
  SetFace(&m_lf, GetProfileString(iniPath, kSnapSection, kFaceKey, kDefaultCaptionFace));
}

bool CSnapshotSettings::Save(const std::string& iniPath) const {
  if (IsReadOnlyData()) return false;  // "Snap" lives in the recorder's vantor.ini
  bool ok = WriteProfileString(iniPath, kSnapSection, kColorKey, std::to_string(static_cast<int32_t>(m_crColor)));
  for (const IntKey& k : kIntKeys) {
    const int value = k.wide ? m_lf.*k.wide : m_lf.*k.narrow;
    ok = WriteProfileString(iniPath, kSnapSection, k.name, std::to_string(value)) && ok;
  }
  const std::string face(m_lf.lfFaceName, strnlen(m_lf.lfFaceName, LF_FACESIZE));
  return WriteProfileString(iniPath, kSnapSection, kFaceKey, face) && ok;
}

}  // namespace vt
