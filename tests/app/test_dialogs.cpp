// Message boxes, login dialog and About box on the offscreen platform.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "app/app_paths.h"
#include "app/dialog_units.h"
#include "app/lang_text.h"
#include "app/login_dlg.h"
#include "common/mask_data.h"
#include "app/message_box.h"
#include "app/ui_text.h"
#include "platform/codepage.h"
#include "platform/win_types.h"
#include "recorddb/camera_config.h"
#include "qt_test_env.h"

namespace vt {
namespace {

// Captures every box instead of showing it and answers with a fixed button.
struct BoxRecorder {
  std::vector<MessageBoxRequest> boxes;
  int answer = IDOK;
  BoxRecorder() {
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return answer;
    });
  }
  ~BoxRecorder() { SetMessageBoxDisplay({}); }
};

// The application's side: a title that is empty until the main window is made, and texts.
struct AppStandIn {
  std::string title;
  QWidget* mainWindow = nullptr;
  AppStandIn() {
    SetMessageBoxContext({[this] { return title; }, [this] { return mainWindow; },
                          [](const char* key, int id) { return std::string(key) + "#" + std::to_string(id); },
                          [](int id) { return "id#" + std::to_string(id); }});
  }
  ~AppStandIn() { SetMessageBoxContext({}); }
};

TEST(MessageBoxTest, CaptionRules) {
  struct Case {
    MessageBoxKind kind;
    bool hasWindow;
    const char* expected;
  } cases[] = {
      {MessageBoxKind::kByKey, false, "Vantor Player"}, {MessageBoxKind::kText, false, "Vantor Player"},
      {MessageBoxKind::kById, false, "Title"},          {MessageBoxKind::kByKey, true, "Title"},
      {MessageBoxKind::kText, true, "Title"},           {MessageBoxKind::kById, true, "Title"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MessageBoxCaption(c.kind, c.hasWindow, "Title"), c.expected) << static_cast<int>(c.kind) << c.hasWindow;
}

TEST(MessageBoxTest, BeforeAndAfterTheMainWindow) {
  BoxRecorder rec;
  AppStandIn app;
  rec.answer = IDNO;
  EXPECT_EQ(MessageBoxByKey("IDS_MSG_VIDEO_ONLY", 59399, MB_OK), IDNO);
  EXPECT_EQ(MessageBoxById(59416, MB_ICONEXCLAMATION), IDNO);
  EXPECT_EQ(MessageBoxText("free text", MB_YESNO), IDNO);
  ASSERT_EQ(rec.boxes.size(), 3u);
  EXPECT_EQ(rec.boxes[0].caption, "Vantor Player");
  EXPECT_EQ(rec.boxes[0].text, "IDS_MSG_VIDEO_ONLY#59399");
  EXPECT_EQ(rec.boxes[1].caption, "");  // the title is still empty
  EXPECT_EQ(rec.boxes[1].text, "id#59416");
  EXPECT_EQ(rec.boxes[1].style, MB_ICONEXCLAMATION);
  EXPECT_EQ(rec.boxes[2].caption, "Vantor Player");
  EXPECT_EQ(rec.boxes[2].style, MB_YESNO);
  for (const auto& b : rec.boxes) EXPECT_EQ(b.owner, nullptr);

  QWidget main;
  app.title = "Vantor 2 Player";
  app.mainWindow = &main;
  rec.boxes.clear();
  MessageBoxByKey("IDS_MSG_VIDEO_ONLY", 59399, MB_OK);
  MessageBoxById(59416, MB_OK);
  MessageBoxText("free text", MB_OK);
  ASSERT_EQ(rec.boxes.size(), 3u);
  for (const auto& b : rec.boxes) {
    EXPECT_EQ(b.caption, "Vantor 2 Player");
    EXPECT_EQ(b.owner, &main);
  }
  EXPECT_EQ(rec.boxes[2].text, "free text");
}

// The real box: buttons and icon by style, answers by the button pressed.
TEST(MessageBoxTest, QtBoxMapsStyleAndAnswer) {
  struct Case {
    uint32_t style;
    QMessageBox::StandardButton press;
    QMessageBox::Icon icon;
    int answer;
  } cases[] = {
      {MB_OK, QMessageBox::Ok, QMessageBox::NoIcon, IDOK},
      {MB_ICONEXCLAMATION, QMessageBox::Ok, QMessageBox::Warning, IDOK},
      {MB_YESNO, QMessageBox::Yes, QMessageBox::NoIcon, IDYES},
      {MB_YESNO | MB_ICONEXCLAMATION, QMessageBox::No, QMessageBox::Warning, IDNO},
  };
  for (const Case& c : cases) {
    QString seenText, seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::Critical;
    bool hasNo = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seenText = box->text();
      seenTitle = box->windowTitle();
      seenIcon = box->icon();
      hasNo = box->button(QMessageBox::No) != nullptr;
      box->button(c.press)->click();
    });
    MessageBoxRequest r{"Password is incorrect\r\n\n Please enter it again.", "Vantor Player", c.style, nullptr};
    EXPECT_EQ(ShowQtMessageBox(r), c.answer);
    EXPECT_EQ(seenText, QStringLiteral("Password is incorrect\n\n Please enter it again."));
    EXPECT_EQ(seenTitle, QStringLiteral("Vantor Player"));
    EXPECT_EQ(seenIcon, c.icon);
    EXPECT_EQ(hasNo, (c.style & 0xF) == MB_YESNO);
  }
}

// Runs LoginIfNeeded, typing each attempt and pressing OK; after the attempts Cancel ends it
// (cancelAtEnd) or the test fails for a dialog that is still open.
int RunLogin(int flag, const std::string& expected, const std::vector<QString>& attempts,
             std::vector<QString>* textAfterEach, bool cancelAtEnd) {
  size_t next = 0;
  std::function<void()> step = [&] {
    auto* dlg = qobject_cast<CLoginDlg*>(QApplication::activeModalWidget());
    if (!dlg) return;  // already closed
    if (next > 0 && textAfterEach) textAfterEach->push_back(dlg->GetPasswordEdit()->text());
    if (next < attempts.size()) {
      if (next == 0) {
        EXPECT_EQ(dlg->focusWidget(), dlg->GetPasswordEdit());
      }
      dlg->GetPasswordEdit()->setText(attempts[next++]);
      dlg->GetOkButton()->click();
      if (dlg->isVisible()) QTimer::singleShot(0, step);
    } else if (cancelAtEnd) {
      dlg->GetCancelButton()->click();
    } else {
      ADD_FAILURE() << "dialog still open after the last attempt";
      dlg->reject();
    }
  };
  QTimer::singleShot(0, step);
  return LoginIfNeeded(flag, expected);
}

TEST(LoginTest, WrongPasswordsThenRight) {
  BoxRecorder rec;
  AppStandIn app;
  std::vector<QString> texts;
  EXPECT_EQ(RunLogin(1, "Secret", {"x", "secret", "SECRET", "Secret"}, &texts, false), 1);
  ASSERT_EQ(rec.boxes.size(), 3u);
  for (const auto& b : rec.boxes) {
    EXPECT_EQ(b.text, "IDS_MSG_PW_INCORRECT#59394");
    EXPECT_EQ(b.style, MB_ICONEXCLAMATION);
    EXPECT_EQ(b.caption, "Vantor Player");
  }
  // The dialog stayed open with the typed text after each refusal.
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0], "x");
  EXPECT_EQ(texts[1], "secret");
  EXPECT_EQ(texts[2], "SECRET");
}

TEST(LoginTest, CancelEmptyPasswordAndNoFlag) {
  BoxRecorder rec;
  AppStandIn app;
  EXPECT_EQ(RunLogin(1, "pw", {"nope"}, nullptr, true), 0);
  EXPECT_EQ(rec.boxes.size(), 1u);
  rec.boxes.clear();
  EXPECT_EQ(RunLogin(1, "", {""}, nullptr, false), 1);
  EXPECT_EQ(RunLogin(1, "", {" "}, nullptr, true), 0);  // a blank is not empty
  EXPECT_EQ(rec.boxes.size(), 1u);
  // No flag: no dialog at all (a dialog would fail the run below by staying open).
  EXPECT_EQ(LoginIfNeeded(0, "pw"), 1);
}

// Every text the recorder family stored reaches the user in its code page: the password from
// MaskData and the record's camera texts in the recorder's (--codepage), a language file in
// its language's unless it is UTF-8. UTF-8 stays UTF-8.
TEST(StoredTextTest, CodePagesOfEveryStoredText) {
  enum Kind { kPassword, kLanguageFile, kCameraText };
  struct Case {
    Kind kind;
    std::string stored;
    const char* codePage;  // the recorder's, or the language's name for a language file
    const char* expected;  // UTF-8
  };
  const Case cases[] = {
      {kPassword, "\x9A" "ifra", "WINDOWS-1252", "\u0161ifra"},
      {kPassword, "Caf\xE9", "WINDOWS-1252", "Caf\u00E9"},
      {kPassword, "\xB9\xE6", "WINDOWS-1250", "\u0105\u0107"},
      {kPassword, "Caf\xC3\xA9", "WINDOWS-1252", "Caf\u00E9"},
      {kPassword, "Secret", "SHIFT_JIS", "Secret"},
      {kLanguageFile, "usun\xB9\xE6", "Polish", "usun\u0105\u0107"},
      {kLanguageFile, "usun\xC4\x85\xC4\x87", "Polish", "usun\u0105\u0107"},
      {kLanguageFile, "Mot de passe erron\xE9", "French", "Mot de passe erron\u00E9"},
      {kLanguageFile, "\xC4\xE3\xBA\xC3", "SChinese", "\u4F60\u597D"},
      {kLanguageFile, "\xD6\xF6", "Greek", "\u03A6\u03C6"},
      {kCameraText, "Caf\xE9 porte", "WINDOWS-1252", "Caf\u00E9 porte"},
      {kCameraText, "\xC4\xE3\xBA\xC3", "GBK", "\u4F60\u597D"},
      {kCameraText, "\x83J\x83\x81\x83\x89", "SHIFT_JIS", "\u30AB\u30E1\u30E9"},
      {kCameraText, "Hall\xC3\xA9", "WINDOWS-1250", "Hall\u00E9"},
  };
  BoxRecorder rec;
  AppStandIn app;
  QTemporaryDir program;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    const QString expected = QString::fromUtf8(c.expected);
    switch (c.kind) {
      case kPassword: {
        ASSERT_TRUE(SetLegacyCodePage(c.codePage));
        std::string password;
        ASSERT_TRUE(DecodeMaskData(test::EncodeMaskData(c.stored, 1000), &password));
        EXPECT_EQ(password, c.stored);
        EXPECT_EQ(RunLogin(1, password, {expected}, nullptr, true), 1) << "typed as shown is accepted";
        EXPECT_TRUE(rec.boxes.empty());
        break;
      }
      case kLanguageFile: {
        // The recorder's code page has no say over the program's own language files.
        ASSERT_TRUE(SetLegacyCodePage("WINDOWS-1252"));
        QFile f(program.filePath(QString::fromLatin1(c.codePage) + "ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("[Vantor]\r\nIDS_MSG_VIDEO_ONLY=" + c.stored + "\r\n").c_str());
        f.close();
        CLangText lang;
        lang.InitLanguage(program.path().toStdString(), c.codePage);
        EXPECT_EQ(UiText(lang.GetTextByKey("IDS_MSG_VIDEO_ONLY", 59399)), expected);
        break;
      }
      case kCameraText:
        ASSERT_TRUE(SetLegacyCodePage(c.codePage));
        EXPECT_EQ(QString::fromStdString(FormatWindowTitle("T", c.stored.c_str(), "B")),
                  QStringLiteral("T (") + expected + QStringLiteral(" - B)"));
        break;
    }
  }
  SetLegacyCodePage("");
}

TEST(LoginTest, DialogLayout) {
  CLoginDlg dlg;
  EXPECT_EQ(dlg.windowTitle(), "Login");
  EXPECT_EQ(dlg.GetPasswordEdit()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dlg.GetPasswordEdit()->objectName(), "1021");
  EXPECT_TRUE(dlg.GetOkButton()->isDefault());
  const DluBase base = DialogBaseUnits(dlg.font());
  EXPECT_EQ(dlg.size(), DluToPixels(base, 0, 0, 178, 48).size());
  EXPECT_EQ(dlg.GetCancelButton()->geometry(), DluToPixels(base, 121, 27, 50, 14));
  auto labels = dlg.findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0]->text(), "&Password:");
  EXPECT_EQ(labels[0]->buddy(), dlg.GetPasswordEdit());
}

TEST(AboutTest, TitleIdAndVersionLine) {
  EXPECT_EQ(AboutTitleId(1), 59418);
  EXPECT_EQ(AboutTitleId(2), 59417);
  for (int e : {0, 3, 4, 9}) EXPECT_EQ(AboutTitleId(e), 59419) << e;
  EXPECT_EQ(AboutVersionLine("Version", "2", "1", "2008/05/14"), "Version 2.1 (2008/05/14)");
  EXPECT_EQ(AboutVersionLine("Version", "", "", ""), "Version . ()");
}

TEST(AboutTest, GrowthAndCentring) {
  struct Case {
    int cw, w, h, widen, taller, shift, left;
  } cases[] = {
      {350, 380, 120, 30, 120, 15, -15},  // wider: the box widens, OK moves half-way
      {350, 381, 10, 31, 10, 15, -15},    // odd difference truncates
      {350, 200, 50, 0, 50, 0, 75},       // narrower: centred, OK stays
      {350, 201, 50, 0, 50, 0, 74},
      {350, 350, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const AboutGrowth g = ComputeAboutGrowth(c.cw, c.w, c.h);
    EXPECT_EQ(g.nWiden, c.widen) << c.w;
    EXPECT_EQ(g.nTaller, c.taller) << c.w;
    EXPECT_EQ(g.nOkShift, c.shift) << c.w;
    EXPECT_EQ(SplashLeft(c.cw + c.widen, c.w), c.widen ? 0 : c.left) << c.w;
  }
  EXPECT_EQ(SplashLeft(350, 381), -15);  // truncation toward zero, not floor
}

std::string TextById(int id) {
  switch (id) {
    case 59417: return "Pro Title";
    case 59418: return "Standard Title";
    case 59419: return "Lite Title";
    case 59423: return "Version";
    default: return " ";
  }
}

QString ControlText(const CAboutDlg& dlg, int id) { return static_cast<QLabel*>(dlg.GetControl(id))->text(); }

TEST(AboutTest, TextsByEditionWithoutSplash) {
  QTemporaryDir empty;
  struct Case {
    AboutStamp stamp;
    const char* title;
    const char* version;
  } cases[] = {
      {{2, "2", "1", "2008/05/14"}, "Pro Title", "Version 2.1 (2008/05/14)"},
      {{1, "3", "0", "2026/05/12"}, "Standard Title", "Version 3.0 (2026/05/12)"},
      {{0, "", "", ""}, "Lite Title", "Version . ()"},
  };
  for (const Case& c : cases) {
    CAboutDlg dlg(empty.path().toStdString(), c.stamp, TextById);
    EXPECT_FALSE(dlg.HasSplash());
    EXPECT_EQ(dlg.windowTitle(), c.title);
    EXPECT_EQ(ControlText(dlg, 1022), c.title);
    EXPECT_EQ(ControlText(dlg, 1023), c.version);
    EXPECT_EQ(ControlText(dlg, 1026), "All Rights Reserved.");
    EXPECT_FALSE(ControlText(dlg, 1025).isEmpty());
    EXPECT_FALSE(ControlText(dlg, 1027).isEmpty());
    // Resource layout unchanged without a picture.
    const DluBase base = DialogBaseUnits(dlg.font());
    EXPECT_EQ(dlg.size(), DluToPixels(base, 0, 0, 235, 90).size());
    EXPECT_EQ(dlg.GetControl(1)->geometry(), DluToPixels(base, 87, 70, 50, 14));
    EXPECT_EQ(dlg.GetControl(1022)->geometry(), DluToPixels(base, 40, 10, 188, 8));
  }
}

TEST(AboutTest, UnreadableSplashKeepsTheResourceLayout) {
  QTemporaryDir dir;
  QFile junk(dir.filePath("Splash.bmp"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("BM this is not a bitmap");
  junk.close();
  CAboutDlg dlg(dir.path().toStdString(), AboutStamp{1, "2", "1", "2008/05/14"}, TextById);
  EXPECT_FALSE(dlg.HasSplash());
  const DluBase base = DialogBaseUnits(dlg.font());
  EXPECT_EQ(dlg.size(), DluToPixels(base, 0, 0, 235, 90).size());
  EXPECT_EQ(ControlText(dlg, 1022), "Standard Title");
}

TEST(AboutTest, SplashGrowsTheBox) {
  QTemporaryDir dir;
  const DluBase base = DialogBaseUnits(DialogFont());
  const QSize resourceSize = DluToPixels(base, 0, 0, 235, 90).size();
  const QRect ok = DluToPixels(base, 87, 70, 50, 14);
  const QRect title = DluToPixels(base, 40, 10, 188, 8);
  for (int picW : {resourceSize.width() + 41, resourceSize.width() - 100}) {
    QImage pic(picW, 77, QImage::Format_RGB32);
    pic.fill(Qt::red);
    ASSERT_TRUE(pic.save(dir.filePath("Splash.bmp"), "BMP"));
    CAboutDlg dlg(dir.path().toStdString(), AboutStamp{2, "2", "1", "2008/05/14"}, TextById);
    ASSERT_TRUE(dlg.HasSplash());
    const int widen = picW > resourceSize.width() ? picW - resourceSize.width() : 0;
    EXPECT_EQ(dlg.size(), resourceSize + QSize(widen, 77)) << picW;
    EXPECT_EQ(dlg.GetControl(1)->geometry(), ok.translated(widen / 2, 77)) << picW;
    EXPECT_EQ(dlg.GetControl(1022)->geometry(), title.translated(0, 77)) << picW;
    EXPECT_EQ(dlg.GetControl(1024)->y(), DluToPixels(base, 7, 7, 20, 20).y() + 77);
    EXPECT_EQ(dlg.SplashPos(), QPoint(widen ? 0 : (resourceSize.width() - picW) / 2, 0));
    EXPECT_EQ(ControlText(dlg, 1023), "Version 2.1 (2008/05/14)");
  }
}

}  // namespace
}  // namespace vt
