#include "platform/profile.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vt {
namespace {

struct LookupCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  const char* expected;  // nullptr: not found, the default comes back
};

const char kRecorderIni[] =
    "\xEF\xBB\xBF[Storage_ch01]\r\n"
    "sStoragePath = D:\\rec\\ch01  \r\n"
    "sCameraName=Front door\r\n"
    "\r\n"
    "[Preference_ch01]\r\n"
    "fAutoPlay=1\r\n"
    "[storage_CH01]\r\n"
    "sCameraName=Second section ignored\r\n"
    "[ Spaced ]\r\n"
    "  Key\t=\t value with  inner  blanks \t\r\n"
    "Quoted=\"  kept inside  \"\r\n"
    "Half=\"not closed\r\n"
    "NoEquals\r\n"
    "Empty=\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "Eq=a=b\r\n"
    "[Last]\n"
    "lf=only LF\n"
    "noeol=end";

TEST(ProfileLookupTest, WindowsSemantics) {
  const LookupCase cases[] = {
      {"trimmed value, BOM skipped", kRecorderIni, "Storage_ch01", "sStoragePath", "D:\\rec\\ch01"},
      {"case-insensitive section and key", kRecorderIni, "STORAGE_CH01", "scameraname", "Front door"},
      {"first section of a name wins", kRecorderIni, "Storage_ch01", "sCameraName", "Front door"},
      {"key only in the later duplicate section", kRecorderIni, "Preference_ch01", "sCameraName", nullptr},
      {"section name trimmed", kRecorderIni, "Spaced", "key", "value with  inner  blanks"},
      {"matching quotes removed", kRecorderIni, "Spaced", "Quoted", "  kept inside  "},
      {"unmatched quote kept", kRecorderIni, "Spaced", "Half", "\"not closed"},
      {"line without '=' is no key", kRecorderIni, "Spaced", "NoEquals", nullptr},
      {"empty value found", kRecorderIni, "Spaced", "Empty", ""},
      {"first key wins", kRecorderIni, "Spaced", "DUP", "first"},
      {"value keeps later '='", kRecorderIni, "Spaced", "Eq", "a=b"},
      {"LF line endings", kRecorderIni, "Last", "lf", "only LF"},
      {"last line without line ending", kRecorderIni, "Last", "noeol", "end"},
      {"missing section", kRecorderIni, "Nope", "lf", nullptr},
      {"key of another section", kRecorderIni, "Last", "fAutoPlay", nullptr},
      {"empty text", "", "a", "b", nullptr},
      {"prefix of a section name is no match", "[Snapshot]\nk=v\n", "Snap", "k", nullptr},
      {"prefix of a key is no match", "[S]\nkey2=v\n", "S", "key", nullptr},
      {"header without ']'", "[S\nk=v\n", "S", "k", "v"},
  };
  for (const auto& c : cases) {
    bool found = true;
    std::string got = ProfileLookup(c.text, c.section, c.key, "<def>", &found);
    EXPECT_EQ(found, c.expected != nullptr) << c.name;
    EXPECT_EQ(got, c.expected ? c.expected : "<def>") << c.name;
  }
}

TEST(ProfileLookupTest, ValueCutTo259Characters) {
  std::string longValue(400, 'x');
  longValue[258] = 'y';
  longValue[259] = 'z';
  std::string got = ProfileLookup("[S]\r\nk=" + longValue + "\r\n", "S", "k", "");
  ASSERT_EQ(got.size(), 259u);
  EXPECT_EQ(got.back(), 'y');
  EXPECT_EQ(ProfileLookup("", "S", "k", std::string(300, 'd')).size(), 259u);
}

struct ReplaceCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

TEST(ProfileReplaceTest, KeepsEveryOtherByte) {
  const ReplaceCase cases[] = {
      {"in place, file's spelling of the key kept", "; head\r\n[A]\r\n  FAutoPlay = 0 \r\nx=1\r\n", "a", "fAutoPlay", "1",
       "; head\r\n[A]\r\nFAutoPlay=1\r\nx=1\r\n"},
      {"in place on the last line without line ending", "[A]\nk=old", "A", "k", "new", "[A]\nk=new"},
      {"new key after the section's last line, before blank lines", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "k", "v",
       "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
      {"new key in a section whose header ends the file", "[A]", "A", "k", "v", "[A]\r\nk=v\r\n"},
      {"new key uses the file's LF", "[A]\nx=1\n", "A", "k", "v", "[A]\nx=1\nk=v\n"},
      {"new section appended", "[A]\nx=1", "Snap", "k", "v", "[A]\nx=1\n[Snap]\nk=v\n"},
      {"new file is CR LF", "", "Snap", "k", "v", "[Snap]\r\nk=v\r\n"},
      {"only the first duplicate section is written", "[A]\r\n[a]\r\nk=1\r\n", "A", "k", "2",
       "[A]\r\nk=2\r\n[a]\r\nk=1\r\n"},
      {"line break in the value cannot inject lines", "[A]\r\n", "A", "k", "v\r\n[B]", "[A]\r\nk=v\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProfileReplace(c.before, c.section, c.key, c.value), c.after) << c.name;
  }
}

TEST(ProfileFileTest, IntegersLikeThePlatform) {
  test::TempDir dir;
  std::string ini = dir / "vantor.ini";
  test::WriteFile(ini,
                  "[N]\r\nplain=42\r\nsigned=-17\r\nplus=+8\r\ntrail=12abc\r\nword=abc\r\nempty=\r\n"
                  "blank= 7 \r\nbig=4294967297\r\nsign=-\r\n");
  struct {
    const char* key;
    int expected;
  } cases[] = {{"plain", 42}, {"signed", -17}, {"plus", 8},  {"trail", 12}, {"word", 0}, {"empty", 0},
               {"blank", 7},  {"big", 1},      {"sign", 0},  {"missing", -5}};
  for (const auto& c : cases) EXPECT_EQ(GetProfileInt(ini, "n", c.key, -5), c.expected) << c.key;
  EXPECT_EQ(GetProfileInt(dir / "absent.ini", "N", "plain", 3), 3);
}

TEST(ProfileFileTest, StringsFromFile) {
  test::TempDir dir;
  std::string ini = dir / "French" "ini";
  test::WriteFile(ini, "[Vantor]\nIDS_MSG_VIDEO_ONLY=  Vidéo seulement \n");
  EXPECT_EQ(GetProfileString(ini, "VANTOR", "ids_msg_video_only", " "), "Vidéo seulement");
  EXPECT_EQ(GetProfileString(ini, "Vantor", "IDS_OTHER", " "), " ");
  EXPECT_EQ(GetProfileString(dir / "none.ini", "Vantor", "IDS_MSG_VIDEO_ONLY", "d"), "d");
}

TEST(ProfileFileTest, WriteCreatesFileAndKeepsTheRest) {
  test::TempDir dir;
  std::string ini = dir / "vantor.ini";
  ASSERT_TRUE(WriteProfileString(ini, "Preference_ch01", "fAutoPlay", "1"));
  EXPECT_EQ(test::ReadFile(ini), "[Preference_ch01]\r\nfAutoPlay=1\r\n");

  const std::string original = "[Storage_ch01]\r\nsStoragePath=D:\\rec\r\n[Preference_ch01]\r\nfAutoPlay=1\r\n; end\r\n";
  test::WriteFile(ini, original);
  ASSERT_TRUE(WriteProfileString(ini, "preference_CH01", "FAUTOPLAY", "0"));
  std::string expected = original;
  expected.replace(expected.find("fAutoPlay=1"), 11, "fAutoPlay=0");
  EXPECT_EQ(test::ReadFile(ini), expected);
  EXPECT_EQ(GetProfileInt(ini, "Preference_ch01", "fAutoPlay", 9), 0);
  // No temporary file is left behind.
  EXPECT_FALSE(std::filesystem::exists(ini + ".vtnew"));
}

TEST(ProfileFileTest, WriteThroughALinkKeepsTheLink) {
  test::TempDir dir;
  test::WriteFile(dir / "real.ini", "[S]\nk=1\n");
  std::filesystem::create_symlink("real.ini", dir / "link.ini");
  ASSERT_TRUE(WriteProfileString(dir / "link.ini", "S", "k", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(test::ReadFile(dir / "real.ini"), "[S]\nk=2\n");
}

TEST(ProfileFileTest, WriteFailsInMissingFolderOrOnReadOnlyFile) {
  test::TempDir dir;
  test::WriteFile(dir / "ro.ini", "[S]\nk=1\n");
  std::filesystem::permissions(dir / "ro.ini", std::filesystem::perms::owner_read);
  if (::geteuid() != 0) {
    EXPECT_FALSE(WriteProfileString(dir / "ro.ini", "S", "k", "2"));
    EXPECT_EQ(test::ReadFile(dir / "ro.ini"), "[S]\nk=1\n");
  }
  test::WriteFile(dir / "mode.ini", "[S]\n");
  std::filesystem::permissions(dir / "mode.ini", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                                      std::filesystem::perms::group_read);
  ASSERT_TRUE(WriteProfileString(dir / "mode.ini", "S", "k", "2"));
  EXPECT_EQ(std::filesystem::status(dir / "mode.ini").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
  EXPECT_FALSE(WriteProfileString(dir / "no/such/folder.ini", "S", "k", "v"));
}

}  // namespace
}  // namespace vt
