#include <gtest/gtest.h>

#include "platform/profile.h"
#include "rdb_fixture.h"
#include "recorddb/camera_config.h"

namespace vt {
namespace {

struct FakeCameras : ICameraList {
  std::vector<std::string> rows;  // "index|label|folder"
  int resets = 0;
  int selected = -1;
  void ResetCameras() override {
    ++resets;
    rows.clear();
  }
  void AddCamera(int channelIndex, const std::string& label, const std::string& folder) override {
    rows.push_back(std::to_string(channelIndex) + "|" + label + "|" + folder);
  }
  void SelectCamera(int index) override { selected = index; }
};

const char kVantorIni[] =
    "[Storage_ch01]\r\nsStoragePath=D:\\rec\\ch01\r\n"
    "[Preference_ch01]\r\nsCameraName=Front door\r\n"
    "[Storage_ch02]\r\nsStoragePath=C:\r\n"
    "[Storage_ch03]\r\nsStoragePath=C:\\\r\n"
    "[Preference_ch03]\r\nsCameraName=Yard\r\n"
    "[Storage_ch04]\r\nsStoragePath=/srv/rec/ch04\r\n"
    "[Preference]\r\nfAutoPlay=0\r\nfHasMask=1\r\nMaskData=100-1953719768-1936941524\r\n";

TEST(CameraConfig, MainCamerasFromTheRecorderFile) {
  test::TempDir dir;
  test::WriteFile(dir / "vantor.ini", kVantorIni);
  FakeCameras list;
  list.rows.push_back("stale");
  LoadMainCameras(dir / "vantor.ini", false, &list);
  EXPECT_EQ(list.rows, (std::vector<std::string>{"0|C1:Front door|D:/rec/ch01", "2|C3:Yard|C:/",
                                                 "3|C4:Camera 04|/srv/rec/ch04"}));
  EXPECT_EQ(list.selected, 0);
  LoadMainCameras(dir / "vantor.ini", true, &list);
  EXPECT_EQ(list.rows, (std::vector<std::string>{"0|C1:Front door|D:/rec/ch01"}));
  LoadMainCameras(dir / "missing.ini", false, &list);
  EXPECT_TRUE(list.rows.empty());
}

TEST(CameraConfig, SavedDatabaseCamerasStayUnderTheRoot) {
  test::TempDir dir;
  test::WriteFile(dir / "recorddb.ini",
                  "[Storage_ch05]\r\nsStoragePath=\\camera05\r\n"
                  "[Storage_ch03]\r\nsStoragePath=\\camera03\r\n[Preference_ch03]\r\nsCameraName=Gate\r\n"
                  "[Storage_ch06]\r\nsStoragePath=\\..\\etc\r\n"
                  "[Storage_ch07]\r\nsStoragePath=C:\\rec\r\n"
                  "[Storage_ch08]\r\nsStoragePath=\\\\server\\share\r\n"
                  "[Storage_ch09]\r\nsStoragePath=camera09\r\n"
                  "[Storage_ch10]\r\nsStoragePath=\\camera10\\..\r\n"
                  "[Storage_ch11]\r\nsStoragePath=\\cam..era11\r\n");
  FakeCameras list;
  LoadCamerasFromFolder(dir.path(), &list);
  EXPECT_EQ(list.rows, (std::vector<std::string>{"2|C3:Gate|" + dir.path() + "/camera03",
                                                 "4|C5:|" + dir.path() + "/camera05",
                                                 "10|C11:|" + dir.path() + "/cam..era11"}));
  EXPECT_EQ(list.selected, 0);
}

TEST(CameraConfig, WriteCameraEntryKeepsTheFamilyForm) {
  test::TempDir dir;
  test::WriteFile(dir / "vantor.ini", kVantorIni);
  ASSERT_TRUE(WriteCameraEntry(dir.path(), dir / "vantor.ini", 0));
  ASSERT_TRUE(WriteCameraEntry(dir.path(), dir / "vantor.ini", 0));
  ASSERT_TRUE(WriteCameraEntry(dir.path(), dir / "vantor.ini", 3));
  const std::string text = test::ReadFile(dir / "recorddb.ini");
  EXPECT_NE(text.find("sStoragePath=\\camera01\r\n"), std::string::npos);
  EXPECT_EQ(text.find("sStoragePath=\\camera01"), text.rfind("sStoragePath=\\camera01"));
  EXPECT_EQ(GetProfileString(dir / "recorddb.ini", "Preference_ch01", "sCameraName", ""), "Front door");
  EXPECT_EQ(GetProfileString(dir / "recorddb.ini", "Preference_ch04", "sCameraName", ""), "Camera 04");
  // A localized default name comes through the look-up.
  ASSERT_TRUE(WriteCameraEntry(dir.path(), dir / "vantor.ini", 5, [](int) { return std::string("Kamera %02d"); }));
  EXPECT_EQ(GetProfileString(dir / "recorddb.ini", "Preference_ch06", "sCameraName", ""), "Kamera 06");
  FakeCameras list;
  LoadCamerasFromFolder(dir.path(), &list);
  EXPECT_EQ(list.rows.size(), 3u);
}

TEST(CameraConfig, DecodeMaskData) {
  struct Case {
    const char* text;
    bool ok;
    const char* password;
  };
  // Words: "test" = 0x74736574, "pass" = 0x73736170; base 100 is added to every word.
  const Case cases[] = {
      {"", true, ""},
      {"12345", false, ""},
      {"100-1953719768", true, "test"},
      {"100-1953719768-1936941524", true, "testpass"},
      {"0-544481312", true, "  t"},       // "  t " : leading blanks stay, trailing go
      {"0-7630707", true, "sot"},          // fourth byte zero
      {"10-20", true, "\n"},
      {"100-abc", false, ""},
      {"100--5", false, ""},
      {"100-5-", false, ""},
      {"x-5", false, ""},
      {"100-+5", false, ""},
      {"0-4294967295", true, "\xFF\xFF\xFF\xFF"},
      {"5-4", true, "\xFF\xFF\xFF\xFF"},   // two's-complement difference
  };
  for (const Case& c : cases) {
    std::string pw = "old";
    EXPECT_EQ(DecodeMaskData(c.text, &pw), c.ok) << c.text;
    EXPECT_EQ(pw, c.password) << c.text;
  }
}

TEST(CameraConfig, PlayerSettingsLoadAndSaveAutoPlay) {
  test::TempDir dir;
  test::WriteFile(dir / "vantor.ini", kVantorIni);
  CPlayerSettings s;
  s.Load(dir / "vantor.ini", "/prog", "/data");
  EXPECT_EQ(s.m_bAutoPlay, 0);
  EXPECT_EQ(s.m_bHasMask, 1);
  EXPECT_EQ(s.m_strPassword, "testpass");
  EXPECT_EQ(s.m_strStoragePath, "D:/rec/ch01");
  EXPECT_EQ(s.m_strIniPath, dir / "vantor.ini");
  s.m_bAutoPlay = 1;
  ASSERT_TRUE(s.SaveAutoPlay());
  const std::string text = test::ReadFile(dir / "vantor.ini");
  EXPECT_NE(text.find("fAutoPlay=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("sStoragePath=D:\\rec\\ch01\r\n"), std::string::npos);

  CPlayerSettings d;
  d.Load(dir / "none.ini", "/prog", "/data");
  EXPECT_EQ(d.m_bAutoPlay, 1);
  EXPECT_EQ(d.m_bHasMask, 0);
  EXPECT_EQ(d.m_strPassword, "");
  EXPECT_EQ(d.m_strStoragePath, "/data/records");
}

}  // namespace
}  // namespace vt
