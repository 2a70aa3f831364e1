#include "snapshot/snapshot_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace vt {
namespace {

std::string TempIni(const std::string& text) {
  char tmpl[] = "/tmp/vt_snapini_XXXXXX";
  int fd = mkstemp(tmpl);
  close(fd);
  std::ofstream(tmpl, std::ios::binary) << text;
  return tmpl;
}

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(SnapshotSettings, DefaultsWithoutSnapSection) {
  const std::string ini = TempIni("[Storage_ch01]\r\nsStoragePath=D:\\camera01\r\n");
  CSnapshotSettings s;
  s.m_crColor = 123;
  s.m_lf.lfWeight = 700;
  s.Load(ini, "/opt");
  EXPECT_EQ(s.m_crColor, 0u);
  EXPECT_EQ(s.m_lf.lfHeight, 16);
  EXPECT_EQ(s.m_lf.lfWeight, 0);
  EXPECT_STREQ(s.m_lf.lfFaceName, "Times New Roman");
  LOGFONT zeroRest = s.m_lf;
  zeroRest.lfHeight = 0;
  std::memset(zeroRest.lfFaceName, 0, sizeof zeroRest.lfFaceName);
  const LOGFONT zero{};
  EXPECT_EQ(std::memcmp(&zeroRest, &zero, sizeof(LOGFONT)), 0);
  unlink(ini.c_str());
  // A missing file reads the same.
  CSnapshotSettings m;
  m.Load("/nonexistent/vantor.ini", "");
  EXPECT_EQ(m.m_lf.lfHeight, 16);
  EXPECT_STREQ(m.m_lf.lfFaceName, "Times New Roman");
}

TEST(SnapshotSettings, EveryKeyRoundTripsAndIsWrittenInOrder) {
  const std::string ini = TempIni("[Preference_ch01]\r\nfAutoPlay=1\r\n");
  CSnapshotSettings a;
  a.m_crColor = 0x00123456;
  a.m_lf.lfHeight = -21;
  a.m_lf.lfWidth = 7;
  a.m_lf.lfEscapement = 900;
  a.m_lf.lfOrientation = 450;
  a.m_lf.lfWeight = 700;
  a.m_lf.lfItalic = 1;
  a.m_lf.lfUnderline = 1;
  a.m_lf.lfStrikeOut = 1;
  a.m_lf.lfCharSet = 136;
  a.m_lf.lfOutPrecision = 3;
  a.m_lf.lfClipPrecision = 2;
  a.m_lf.lfQuality = 5;
  a.m_lf.lfPitchAndFamily = 0x22;
  std::memset(a.m_lf.lfFaceName, 0, LF_FACESIZE);
  std::strcpy(a.m_lf.lfFaceName, "DejaVu Sans Mono");
  ASSERT_TRUE(a.Save(ini));

  CSnapshotSettings b;
  b.Load(ini, "");
  EXPECT_EQ(b.m_crColor, a.m_crColor);
  EXPECT_EQ(std::memcmp(&b.m_lf, &a.m_lf, sizeof(LOGFONT)), 0);

  const std::string text = ReadText(ini);
  EXPECT_NE(text.find("fAutoPlay=1"), std::string::npos);
  const char* order[] = {"color=1193046", "lfHeight=-21", "lfWidth=7", "lfEscapement=900", "lfOrientation=450",
                         "lfWeight=700", "lfItalic=1", "lfUnderline=1", "lfStrikeOut=1", "lfCharSet=136",
                         "lfOutPrecision=3", "lfClipPrecision=2", "lfQuality=5", "lfPitchAndFamily=34",
                         "lfFaceName=DejaVu Sans Mono"};
  size_t at = text.find("[Snap]");
  ASSERT_NE(at, std::string::npos);
  for (const char* key : order) {
    size_t next = text.find(key, at);
    ASSERT_NE(next, std::string::npos) << key;
    at = next;
  }
  unlink(ini.c_str());
}

TEST(SnapshotSettings, ByteFieldsKeepTheLowByteAndFaceNamesAreCut) {
  const std::string ini = TempIni(
      "[snap]\r\nlfItalic=257\r\nlfCharSet=-1\r\nlfHeight=abc\r\n"
      "lfFaceName=An Extremely Long Font Face Name Beyond Thirty-One\r\n");
  CSnapshotSettings s;
  s.Load(ini, "");
  EXPECT_EQ(s.m_lf.lfItalic, 1);
  EXPECT_EQ(s.m_lf.lfCharSet, 255);
  EXPECT_EQ(s.m_lf.lfHeight, 0);  // present without digits reads as 0, not the default
  EXPECT_EQ(std::strlen(s.m_lf.lfFaceName), 31u);
  EXPECT_STREQ(s.m_lf.lfFaceName, "An Extremely Long Font Face Nam");
  unlink(ini.c_str());
}

}  // namespace
}  // namespace vt
