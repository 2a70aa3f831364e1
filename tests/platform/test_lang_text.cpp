#include "app/lang_text.h"

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "res/strings.h"
#include "temp_dir.h"

namespace vt {
namespace {

TEST(LanguageNameTest, LocaleTable) {
  const struct {
    const char* locale;
    const char* name;
  } cases[] = {
      {"fr_FR.UTF-8", "French"},      {"fr_CA", "French"},       {"zh_TW.UTF-8", "TChinese"},
      {"zh_CN.GB2312", "SChinese"},   {"zh_HK.UTF-8", "English"}, {"zh_SG", "English"},
      {"zh", "English"},              {"de_AT@euro", "German"},   {"ja_JP.eucJP", "Japanese"},
      {"es_MX", "Spanish"},           {"it_IT", "Italian"},       {"pl_PL", "Polish"},
      {"tr_TR", "Turkish"},           {"el_GR", "Greek"},         {"pt_BR", "Portuguese"},
      {"hu_HU", "Hungarian"},         {"sk_SK", "Slovak"},        {"en_US.UTF-8", "English"},
      {"C", "English"},               {"POSIX", "English"},       {"", "English"},
      {"french", "English"},          {"dE_DE", "English"},       {"de", "German"},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageNameFromLocale(c.locale), c.name) << c.locale;
}

class EnvSet {
 public:
  EnvSet(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v, had_ = true;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~EnvSet() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(LanguageNameTest, LocaleVariablesInOrder) {
  {
    EnvSet a("LC_ALL", "de_DE"), m("LC_MESSAGES", "fr_FR"), l("LANG", "ja_JP");
    EXPECT_EQ(SystemMessageLocale(), "de_DE");
  }
  {
    EnvSet a("LC_ALL", ""), m("LC_MESSAGES", "fr_FR"), l("LANG", "ja_JP");
    EXPECT_EQ(SystemMessageLocale(), "fr_FR");
  }
  {
    EnvSet a("LC_ALL", nullptr), m("LC_MESSAGES", nullptr), l("LANG", "zh_TW.UTF-8");
    test::TempDir dir;
    CLangText t;
    t.Init(dir.path());
    EXPECT_EQ(t.GetFilePath(), dir.path() + "/TChineseini");
  }
}

TEST(LangTextTest, WithoutLanguageFileTheTableIsUsed) {
  test::TempDir dir;
  CLangText t;
  t.InitLanguage(dir.path(), "French");
  EXPECT_FALSE(t.IsFilePresent());
  EXPECT_STREQ(t.GetTextByKey("IDS_MSG_VIDEO_ONLY", res::kIdsMsgVideoOnly), "The record is video only.");
  EXPECT_STREQ(t.GetTextByKey("IDS_MSG_VIDEO_ONLY", 1), " ") << "unknown id";
  EXPECT_STREQ(t.GetTextById(res::kIdsSelectFolder), "Select a folder");
  EXPECT_STREQ(t.GetTextById(0), " ");
}

TEST(LangTextTest, LanguageFileByKeyButNeverById) {
  test::TempDir dir;
  test::WriteFile(dir / "Frenchini",
                  "[Vantor]\r\nIDS_MSG_PW_INCORRECT=Mot de passe incorrect\r\nids_msg_delete_all_record = Tout effacer ? \r\n"
                  "IDS_MSG_CLOSE_VANTREMOTE=\r\nLONG=" + std::string(300, 'L') + "\r\n");
  CLangText t;
  t.InitLanguage(dir.path(), "French");
  ASSERT_TRUE(t.IsFilePresent());
  EXPECT_STREQ(t.GetTextByKey("IDS_MSG_PW_INCORRECT", res::kIdsMsgPwIncorrect), "Mot de passe incorrect");
  EXPECT_STREQ(t.GetTextByKey("IDS_MSG_DELETE_ALL_RECORD", res::kIdsMsgDeleteAllRecord), "Tout effacer ?");
  // A key the file lacks gives one blank, not the built-in text.
  EXPECT_STREQ(t.GetTextByKey("IDS_MSG_VIDEO_ONLY", res::kIdsMsgVideoOnly), " ");
  EXPECT_STREQ(t.GetTextByKey("IDS_MSG_CLOSE_VANTREMOTE", res::kIdsMsgCloseVantRemote), "");
  EXPECT_EQ(std::strlen(t.GetTextByKey("LONG", 0)), 259u);
  EXPECT_STREQ(t.GetTextById(res::kIdsMsgPwIncorrect), "Password is incorrect\n\n Please enter it again.");
}

TEST(LangTextTest, FolderNamedLikeTheFileIsNotAFile) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "Germanini");
  CLangText t;
  t.InitLanguage(dir.path(), "German");
  EXPECT_FALSE(t.IsFilePresent());
}

TEST(ResStringsTest, QuotedTextsAndPromptForm) {
  const struct {
    uint32_t id;
    const char* text;
  } cases[] = {
      {res::kIdsReady, "Ready"},
      {res::kIdPlay, "Start the playback\n Play"},
      {res::kIdsMsgRebuildConfirm,
       "Rebuilding the record database for camera %d may take a few minutes.  Do you want to continue?"},
      {res::kIdsSaveProgress, "Save record files:  %d%% completed"},
      {res::kIdsCameraName, "Camera %02d"},
      {res::kIdsVideoSizeSample, "720x576"},
      {res::kIdsTitleLite, "Vantor 2 Player"},
      {res::kIdrMainFrame, "Vantor Player\n\nVantPl\n\n\nVantPlayer.Document\nVantPl Document"},
  };
  for (const auto& c : cases) EXPECT_STREQ(res::LoadResString(c.id), c.text) << c.id;
  EXPECT_EQ(res::LoadResString(59410), nullptr);
  EXPECT_EQ(res::LoadResString(0), nullptr);

  // Every menu command has a "prompt\n tooltip" string.
  const uint32_t commands[] = {32771, 32772, 32773, 32774, 32775, 32776, 32777, 32778, 32779, 32781, 32782,
                               32783, 32784, 32785, 32786, 32787, 32788, 32791, 32792, 32793, 32794, 32795,
                               32796, 32797, 32798, 32799, 32800, 32801, 57664, 57665, 57670, 59392, 59393};
  for (uint32_t id : commands) {
    const char* s = res::LoadResString(id);
    ASSERT_NE(s, nullptr) << id;
    const char* nl = std::strstr(s, "\n ");
    ASSERT_NE(nl, nullptr) << id;
    EXPECT_GT(nl - s, 0) << id;
    EXPECT_GT(std::strlen(nl + 2), 0u) << id;
  }
  // Nothing in the table is longer than a look-up returns.
  size_t n = 0;
  const res::ResString* table = res::ResStringTable(&n);
  for (size_t i = 0; i < n; ++i) EXPECT_LE(std::strlen(table[i].text), 259u) << table[i].id;
}

}  // namespace
}  // namespace vt
