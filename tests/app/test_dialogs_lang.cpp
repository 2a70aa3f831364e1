// Message boxes with the real localized texts (language file chosen by the locale), and the
// About box fed from an identity stamp read from a file.
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <fstream>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "app/lang_text.h"
#include "app/message_box.h"
#include "app/product_stamp.h"
#include "platform/win_types.h"
#include "qt_test_env.h"

namespace vt {
namespace {

// Sets the locale variables for one test and puts them back.
class LocaleScope {
 public:
  explicit LocaleScope(const char* lang) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* v = std::getenv(name);
      m_saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
      unsetenv(name);
    }
    setenv("LANG", lang, 1);
  }
  ~LocaleScope() {
    for (const auto& [name, value] : m_saved) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

struct LangFixture : ::testing::Test {
  QTemporaryDir program;
  std::vector<MessageBoxRequest> boxes;
  CLangText lang;
  std::string title;
  QWidget* mainWindow = nullptr;
  void SetUp() override {
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return IDOK;
    });
    SetMessageBoxContext(MakeMessageBoxContext(&lang, [this] { return title; }, [this] { return mainWindow; }));
  }
  void TearDown() override {
    SetMessageBoxDisplay({});
    SetMessageBoxContext({});
  }
  void WriteFrench() {
    std::ofstream f(program.filePath("Frenchini").toStdString());
    f << "[Vantor]\nIDS_MSG_PW_INCORRECT=Mot de passe incorrect\n";
  }
};

TEST_F(LangFixture, FrenchFileLackingAKeyShowsABlank) {
  WriteFrench();
  LocaleScope fr("fr_FR.UTF-8");
  lang.Init(program.path().toStdString());
  ASSERT_TRUE(lang.IsFilePresent());
  MessageBoxByKey("IDS_MSG_PW_INCORRECT", 59394, MB_ICONEXCLAMATION);
  MessageBoxByKey("IDS_MSG_VIDEO_ONLY", 59399, MB_OK);
  MessageBoxById(59399, MB_OK);  // by id: never the file
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "Mot de passe incorrect");
  EXPECT_EQ(boxes[1].text, " ");
  EXPECT_EQ(boxes[2].text, "The record is video only.");
  EXPECT_EQ(boxes[0].caption, "Vantor Player");
  EXPECT_EQ(boxes[2].caption, "");
}

TEST_F(LangFixture, NoFileUsesTheStringTableAndTheTitleOnceTheWindowExists) {
  WriteFrench();
  LocaleScope de("de_DE.UTF-8");  // German: no Germanini beside the program
  lang.Init(program.path().toStdString());
  EXPECT_FALSE(lang.IsFilePresent());
  QWidget main;
  title = "Vantor 2 Player";
  mainWindow = &main;
  MessageBoxByKey("IDS_MSG_VIDEO_ONLY", 59399, MB_OK);
  MessageBoxText("Rebuilding...", MB_YESNO);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "The record is video only.");
  for (const auto& b : boxes) {
    EXPECT_EQ(b.caption, "Vantor 2 Player");
    EXPECT_EQ(b.owner, &main);
  }
}

std::string WriteStampFile(const QTemporaryDir& dir, const std::string& code) {
  const std::string path = dir.filePath("vtplayer").toStdString();
  std::ofstream f(path, std::ios::binary);
  f << std::string(100, 'x') << ProductStampMagic();
  f.write("\x01\x02\x03\x04", 4);
  f << code << '\0' << std::string(40, 'y');
  return path;
}

TEST(AboutStampTest, EditionVersionAndDateFromTheStamp) {
  QTemporaryDir dir;
  auto text = [](int id) {
    if (id == kIdsVersion) return std::string("Version");
    return "title " + std::to_string(id);
  };
  CProductStamp stamp;
  ASSERT_EQ(stamp.Read(WriteStampFile(dir, "VT2221000000080514AB")), 1);
  const AboutStamp s = AboutStampFrom(stamp);
  EXPECT_EQ(s.nEdition, 2);
  CAboutDlg dlg(dir.path().toStdString(), s, text);
  EXPECT_EQ(dlg.windowTitle(), "title 59417");
  EXPECT_EQ(static_cast<QLabel*>(dlg.GetControl(1023))->text(), "Version 2.1 (2008/05/14)");

  // A short code: no date, empty parentheses.
  CProductStamp shortStamp;
  ASSERT_EQ(shortStamp.Read(WriteStampFile(dir, "VT2131")), 1);
  EXPECT_EQ(AboutVersionLine("Version", AboutStampFrom(shortStamp).strMajor, AboutStampFrom(shortStamp).strMinor,
                             AboutStampFrom(shortStamp).strBuildDate),
            "Version 3.1 ()");
  // No stamp at all: the title of any other edition.
  const AboutStamp empty = AboutStampFrom(CProductStamp());
  EXPECT_EQ(empty.nEdition, 0);
  EXPECT_EQ(AboutTitleId(empty.nEdition), kIdsTitleOther);
}

}  // namespace
}  // namespace vt
