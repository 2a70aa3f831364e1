// Start-up with a password in vantor.ini: the application object asks with the real login
// dialog (typed into and clicked while it is up), says so on a wrong password, runs on the
// right one, closes on Cancel; "/pass" and "-pass" skip the question, "/PASS" does not.
// Built into the resource folder: the main window needs its toolbar picture beside the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "app/login_dlg.h"
#include "common/mask_data.h"
#include "app/message_box.h"
#include "app/vant_player_app.h"
#include "frame/main_frame.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "Gate7x";

using test::EncodeMaskData;

QApplication* App() {
  static int argc = 1;
  static char name[] = "vtplayer";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

struct LoginCase {
  const char* name;
  std::vector<std::string> args;      // besides --data-folder
  std::vector<std::string> attempts;  // typed one after the other; "" = Cancel
  bool dialogShown;
  size_t wrongMessages;
  bool runs;                          // the main window stays open
};

class ShellLogin : public ::testing::TestWithParam<LoginCase> {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("vt_login_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "run");
    fs::create_directories(root_ / "data");
    ::chmod((root_ / "run").c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    setenv("XDG_DATA_HOME", root_.c_str(), 1);
    std::ofstream(root_ / "data/vantor.ini", std::ios::binary)
        << "[Preference]\r\nfAutoPlay=1\r\nfHasMask=1\r\nMaskData=" << EncodeMaskData(kPassword, 4242) << "\r\n";
    App();
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes_.push_back(r);
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxDisplay({});
    fs::remove_all(root_);
  }

  fs::path root_;
  std::vector<MessageBoxRequest> boxes_;
};

TEST(ShellLoginMask, EncodingMatchesTheDocumentedExample) {
  // One word "abcd" over base 10: 0x64636261 + 10; the second word holds the end.
  EXPECT_EQ(EncodeMaskData("abcd", 10), "10-1684234859-10");
}

TEST_P(ShellLogin, StartUp) {
  const LoginCase& c = GetParam();
  size_t step = 0;
  bool shown = false;
  // Plays the person at the keyboard whenever the login dialog is up.
  QTimer driver;
  driver.setInterval(50);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* dlg = qobject_cast<CLoginDlg*>(QApplication::activeModalWidget());
    if (!dlg) return;
    shown = true;
    if (step >= c.attempts.size()) {
      dlg->reject();  // the script ran out: never leave the test waiting
      return;
    }
    const std::string typed = c.attempts[step++];
    if (typed.empty()) {
      QTest::mouseClick(dlg->GetCancelButton(), Qt::LeftButton);
      return;
    }
    QLineEdit* edit = dlg->GetPasswordEdit();
    edit->clear();
    QTest::keyClicks(edit, QString::fromStdString(typed));
    QTest::keyClick(edit, Qt::Key_Return);
    // A wrong password keeps the dialog with the text as typed.
    if (dlg->isVisible()) {
      EXPECT_EQ(edit->text().toStdString(), typed);
    }
  });
  driver.start();

  CVantPlayerApp app;
  std::vector<std::string> args = {"--data-folder", (root_ / "data").string()};
  args.insert(args.end(), c.args.begin(), c.args.end());
  int exitCode = -1;
  ASSERT_TRUE(app.InitInstance(args, &exitCode)) << exitCode;
  driver.stop();
  CMainFrame* frame = app.GetMainFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetSettings().m_strPassword, kPassword);
  EXPECT_EQ(shown, c.dialogShown);
  EXPECT_EQ(step, c.attempts.size());
  ASSERT_EQ(boxes_.size(), c.wrongMessages);
  for (const MessageBoxRequest& r : boxes_) {
    EXPECT_EQ(r.text, app.GetTextByKey(kKeyMsgPwIncorrect, kIdsMsgPwIncorrect));
    EXPECT_EQ(r.text, "Password is incorrect\n\n Please enter it again.");
    EXPECT_TRUE(r.style & MB_ICONEXCLAMATION);
  }
  // Cancel closes the program through the normal close path, once events run.
  QTest::qWait(200);
  EXPECT_EQ(frame->isVisible(), c.runs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShellLogin,
    ::testing::Values(
        LoginCase{"WrongCaseThenWrongThenRight", {}, {"gate7x", "Gate7", "Gate7x"}, true, 2, true},
        LoginCase{"Cancel", {}, {""}, true, 0, false},
        LoginCase{"WrongThenCancel", {}, {"nope", ""}, true, 1, false},
        LoginCase{"SlashPass", {"/pass"}, {}, false, 0, true},
        LoginCase{"DashPass", {"-pass"}, {}, false, 0, true},
        LoginCase{"UpperCasePassStillAsks", {"/PASS"}, {"Gate7x"}, true, 0, true}),
    [](const ::testing::TestParamInfo<LoginCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace vt
