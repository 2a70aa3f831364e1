// Main window on Qt's offscreen platform: bars and panes, the messages it handles, fitting
// around the video, the edition-3 menu trim and the database commands' side effects that do
// not need the recorder program.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "app/lang_text.h"
#include "app/message_box.h"
#include "export/ui/export_clip_dlg.h"
#include "frame/empty_player_area.h"
#include "frame/main_frame.h"
#include "help/help_launcher.h"
#include "help/help_window.h"
#include "common/temp_dir.h"
#include "help/opener_scripts.h"
#include "platform/data_policy.h"
#include "res/gen/res_images.h"

namespace vt {
namespace {

QApplication* App() {
  static int argc = 1;
  static char name[] = "test_main_frame";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

// A Player area whose button-bar query and size the test controls.
class CTestPlayer : public CEmptyPlayerArea {
 public:
  using CEmptyPlayerArea::CEmptyPlayerArea;
  bool IsButtonBarButton(WPARAM w) const override { return w == 0x1234; }
  std::vector<uint32_t> hooked;
  void OwnerMessageHook(uint32_t msg, WPARAM, LPARAM) override { hooked.push_back(msg); }
};

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    root_ = std::filesystem::temp_directory_path() / ("vt_frame_" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "prog/UI_P/bg");
    std::filesystem::create_directories(root_ / "data");
    // Stored as the recorder family writes it: the folder in capitals.
    DrawToolbarStrip().save(QString::fromStdString((root_ / "prog/UI_P/bg/toolbar24.bmp").string()), "BMP");
    DrawAppIcon(64).save(QString::fromStdString((root_ / "prog/vtplayer.png").string()), "PNG");
    std::ofstream(root_ / "data/vantor.ini") << "[Preference]\r\nfAutoPlay=1\r\n";
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes_.push_back(r.text);
      return answer_;
    });
    SetMessageBoxContext({[] { return std::string("Vantor 2 Player"); }, [] { return nullptr; },
                          [this](const char* key, int id) { return std::string(lang_.GetTextByKey(key, id)); },
                          [this](int id) { return std::string(lang_.GetTextById(static_cast<uint32_t>(id))); }});
  }
  void TearDown() override {
    frame_.reset();
    SetMessageBoxDisplay({});
    std::filesystem::remove_all(root_);
  }
  FrameContext Context() {
    FrameContext c;
    c.strProgramFolder = (root_ / "prog").string();
    c.strDataFolder = (root_ / "data").string();
    c.strIniPath = (root_ / "data/vantor.ini").string();
    c.textById = [this](uint32_t id) { return std::string(lang_.GetTextById(id)); };
    c.makePlayer = [this](QWidget* parent) {
      player_ = new CTestPlayer(parent);
      return player_;
    };
    c.pickFolder = [this](std::string& path, bool allowNew, const std::string&) {
      picks_.push_back(allowNew);
      path = pickAnswer_;
      return !pickAnswer_.empty();
    };
    c.bListen = false;
    return c;
  }
  CMainFrame* Make(FrameContext c) {
    frame_ = std::make_unique<CMainFrame>(std::move(c));
    EXPECT_TRUE(frame_->Create());
    return frame_.get();
  }
  static void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

  std::filesystem::path root_;
  CLangText lang_;
  std::unique_ptr<CMainFrame> frame_;
  CTestPlayer* player_ = nullptr;
  std::vector<std::string> boxes_;
  int answer_ = IDNO;
  std::vector<bool> picks_;
  std::string pickAnswer_;
};

TEST_F(MainFrameTest, MissingToolbarPictureFailsCreation) {
  std::filesystem::remove(root_ / "prog/UI_P/bg/toolbar24.bmp");
  CMainFrame frame(Context());
  EXPECT_FALSE(frame.Create());
}

TEST_F(MainFrameTest, BarsPanesAndLogFile) {
  CMainFrame* f = Make(Context());
  QToolBar* tb = f->GetToolBar();
  ASSERT_EQ(tb->actions().size(), 11);
  int separators = 0;
  for (QAction* a : tb->actions()) {
    if (a->isSeparator()) {
      ++separators;
      continue;
    }
    auto* b = qobject_cast<QToolButton*>(tb->widgetForAction(a));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->size(), QSize(31, 30));
    EXPECT_FALSE(a->icon().isNull());
  }
  EXPECT_EQ(separators, 3);
  EXPECT_EQ(tb->actions()[0]->data().toUInt(), 32781u);
  EXPECT_EQ(tb->actions()[10]->data().toUInt(), 57664u);
  EXPECT_EQ(f->GetPaneText(0), "Ready");
  EXPECT_EQ(f->GetPaneText(1), "");
  EXPECT_TRUE(std::filesystem::exists(root_ / "data/VTPlayer.Log"));
  EXPECT_EQ(GetMainWndTarget(), f);
  EXPECT_FALSE(f->windowIcon().isNull()) << "the program's icon";
}

TEST_F(MainFrameTest, FirstStartWithoutConfigurationSaysWhereItLookedAndWhatToDo) {
  std::filesystem::remove(root_ / "data/vantor.ini");
  CMainFrame* f = Make(Context());
  const std::string text = f->GetPaneText(0).toStdString();
  EXPECT_EQ(text.find("No vantor.ini"), 0u) << text;
  EXPECT_NE(text.find("looked in " + (root_ / "data").string()), std::string::npos) << text;
  EXPECT_NE(text.find("--data-folder DIR"), std::string::npos) << text;
  EXPECT_NE(text.find("--demo"), std::string::npos) << text;
  // A saved database opened meanwhile has no need of it.
  pickAnswer_ = (root_ / "saved").string();
  std::filesystem::create_directories(pickAnswer_);
  f->RunCommand(ID_OPEN_RECORD_DB);
  EXPECT_EQ(f->GetPaneText(0), "Ready");
}

TEST_F(MainFrameTest, VideoSizeProgressAndStatusTextMessages) {
  CMainFrame* f = Make(Context());
  f->Send(kMsgVideoSize, 720, 576);
  EXPECT_EQ(f->GetPaneText(1), "720x576");
  f->Send(kMsgVideoSize, 720, 0);
  EXPECT_EQ(f->GetPaneText(1), "");

  EXPECT_EQ(f->Send(kMsgProgress, kProgressFormat, 59426), 1);
  f->Send(kMsgProgress, kProgressBegin, 4);
  f->Send(kMsgProgress, kProgressStep, 3);
  EXPECT_EQ(f->GetPaneText(0), "Save record files:  75% completed");
  f->Send(kMsgProgress, kProgressEnd, 0);
  EXPECT_EQ(f->GetPaneText(0), "Save record files:  100% completed");
  EXPECT_EQ(f->Send(kMsgProgress, kProgressNone, 0), 0);

  static const char kPrompt[] = "Start the playback";
  f->Send(kMsgStatusText, 0, reinterpret_cast<LPARAM>(kPrompt));
  EXPECT_EQ(f->GetPaneText(0), kPrompt);
  f->Send(kMsgStatusText, 0x1234, 0);  // cursor went straight onto another button
  EXPECT_EQ(f->GetPaneText(0), kPrompt);
  f->Send(kMsgStatusText, 0x999, 0);
  EXPECT_EQ(f->GetPaneText(0), "Ready");
  f->statusBar()->hide();
  f->Send(kMsgStatusText, 0, reinterpret_cast<LPARAM>(kPrompt));
  EXPECT_EQ(f->GetPaneText(0), "Ready");

  f->Send(0x8123, 1, 2);
  ASSERT_FALSE(player_->hooked.empty());
  EXPECT_EQ(player_->hooked.back(), 0x8123u);
}

TEST_F(MainFrameTest, FitsAroundPlayerAndKeepsViewWhenBarsToggle) {
  CMainFrame* f = Make(Context());
  f->show();
  Pump();
  f->FitToVideo();
  EXPECT_EQ(f->GetPlayerView()->size(), QSize(350, 260));
  EXPECT_EQ(player_->geometry(), QRect(10, 10, 330, 240));
  const int heightWithBar = f->height();
  f->RunCommand(ID_VIEW_TOOLBAR);
  Pump();
  EXPECT_TRUE(f->GetToolBar()->isHidden());
  EXPECT_EQ(f->GetPlayerView()->size(), QSize(350, 260));
  EXPECT_LT(f->height(), heightWithBar);
  f->RunCommand(ID_VIEW_STATUS_BAR);
  Pump();
  EXPECT_EQ(f->GetPlayerView()->size(), QSize(350, 260));
  // A bigger video grows the window around it.
  player_->resize(720, 576);
  f->Send(kMsgFitToVideo, 0, 0);
  EXPECT_EQ(f->GetPlayerView()->size(), QSize(740, 596));
}

TEST_F(MainFrameTest, EditionThreeTrimsFileMenuButShortcutsWork) {
  CMainFrame* f = Make(Context());
  f->TrimFileMenu();
  QStringList texts;
  for (QAction* a : f->GetMenu(kMenuFile)->actions()) texts << (a->isSeparator() ? "-" : a->text());
  // Export Clip is not one of the family's commands, so the trim leaves it.
  EXPECT_EQ(texts, QStringList({"&Save Record to...\tCtrl+S", "&Export Clip...", "-", "E&xit"}));
  f->show();
  f->activateWindow();
  Pump();
  QTest::keyClick(f, Qt::Key_O, Qt::ControlModifier);
  Pump();
  ASSERT_EQ(picks_.size(), 1u) << "Ctrl+O must still open the folder picker";
  EXPECT_FALSE(picks_[0]) << "Open Record DB picks without a create-folder button";
  // The toolbar's open button too.
  f->GetToolBar()->actions()[0]->trigger();
  EXPECT_EQ(picks_.size(), 2u);
}

TEST_F(MainFrameTest, OpenAndReturnSwitchTheMainDatabaseFlag) {
  CMainFrame* f = Make(Context());
  EXPECT_FALSE(f->GetAction(ID_RETURN_MAIN_DB)->isEnabled());
  f->SetCaption(QStringLiteral("Vantor 2 Player (C1 - Door)"));
  pickAnswer_ = (root_ / "saved").string();
  std::filesystem::create_directories(pickAnswer_);
  f->RunCommand(ID_OPEN_RECORD_DB);
  EXPECT_FALSE(f->IsMainDatabase());
  EXPECT_TRUE(f->GetAction(ID_RETURN_MAIN_DB)->isEnabled());
  EXPECT_EQ(f->windowTitle().toStdString(), "Vantor 2 Player (C1 - Door) - saved database " + pickAnswer_);
  f->SetCaption(QStringLiteral("Vantor 2 Player (C2 - Yard)"));
  EXPECT_EQ(f->windowTitle().toStdString(), "Vantor 2 Player (C2 - Yard) - saved database " + pickAnswer_);
  f->RunCommand(ID_RETURN_MAIN_DB);
  EXPECT_TRUE(f->IsMainDatabase());
  EXPECT_EQ(f->windowTitle(), QStringLiteral("Vantor 2 Player (C2 - Yard)"));
  EXPECT_FALSE(f->GetAction(ID_RETURN_MAIN_DB)->isEnabled());
  // Cancelling the picker changes nothing.
  pickAnswer_.clear();
  f->RunCommand(ID_OPEN_RECORD_DB);
  EXPECT_TRUE(f->IsMainDatabase());
}

TEST_F(MainFrameTest, RebuildAsksWithCameraNumberAndNoDoesNothing) {
  CMainFrame* f = Make(Context());
  f->Send(kMsgOpenCamera, reinterpret_cast<WPARAM>(""), 5);  // empty path: ignored
  EXPECT_EQ(f->GetCurrentCamera(), 0);
  answer_ = IDNO;
  f->RunCommand(ID_REBUILD_DB);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("camera 1 "), std::string::npos) << boxes_[0];
  EXPECT_EQ(player_->OpenRecordCount(), 0);
  f->RunCommand(ID_DELETE_ALL);  // disabled with an empty list: no question
  EXPECT_EQ(boxes_.size(), 1u);
}

// Review mode: no log in the data folder, Rebuild off and refused, and the status bar says why.
TEST_F(MainFrameTest, ReviewModeLocksTheDataAndSaysSo) {
  SetReadOnlyData(true);
  CMainFrame* f = Make(Context());
  EXPECT_FALSE(std::filesystem::exists(root_ / "data/VTPlayer.Log"));
  EXPECT_FALSE(f->GetAction(ID_REBUILD_DB)->isEnabled());
  EXPECT_TRUE(f->GetAction(ID_BACKUP_DB)->isEnabled());
  EXPECT_TRUE(f->GetAction(ID_UPDATE_DB)->isEnabled());
  EXPECT_EQ(f->GetPaneText(0), "Read-only review mode: Delete and Rebuild are off");
  f->RunCommand(ID_REBUILD_DB);  // refused before any question
  EXPECT_TRUE(boxes_.empty());
  SetReadOnlyData(false);
}

// File > Export Clip... opens on the current camera with its recording proposed.
TEST_F(MainFrameTest, ExportClipOpensOnTheCurrentCamera) {
  std::filesystem::create_directories(root_ / "cam/2008-05-10");
  std::ofstream(root_ / "cam/2008-05-10/011020301021000.avi") << "not played here";
  std::ofstream(root_ / "data/vantor.ini") << "[Storage_ch02]\r\nsStoragePath=" << (root_ / "cam").string()
                                           << "\r\n[Preference_ch02]\r\nsCameraName=Gate\r\n";
  CMainFrame* f = Make(Context());
  EXPECT_FALSE(f->GetAction(ID_EXPORT_CLIP)->isEnabled());
  LoadMainCameras((root_ / "data/vantor.ini").string(), false, f->GetLeftView());
  Pump();
  f->UpdateCommandUi();
  ASSERT_TRUE(f->GetAction(ID_EXPORT_CLIP)->isEnabled());
  QString camera, file;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CExportClipDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    for (QLabel* l : dlg->findChildren<QLabel*>())
      if (l->text().startsWith("C2:")) camera = l->text();
    file = dlg->FileEdit()->text();
    EXPECT_EQ(dlg->ToEdit()->dateTime().toSecsSinceEpoch() - dlg->FromEdit()->dateTime().toSecsSinceEpoch(), 30);
    dlg->CloseButton()->click();
  });
  f->RunCommand(ID_EXPORT_CLIP);
  EXPECT_EQ(camera, "C2:Gate");
  EXPECT_TRUE(file.endsWith("/camera02-20080510-102030.mkv")) << file.toStdString();
}

TEST_F(MainFrameTest, PlaybackCommandsGreyWithNothingOpenAutoPlayToggles) {
  CMainFrame* f = Make(Context());
  for (uint32_t id = 32791; id <= 32800; ++id) EXPECT_FALSE(f->GetAction(id)->isEnabled()) << id;
  for (uint32_t id = 32771; id <= 32779; ++id) {
    EXPECT_FALSE(f->GetAction(id)->isEnabled()) << id;
    EXPECT_FALSE(f->GetAction(id)->isChecked()) << id;
  }
  EXPECT_TRUE(f->GetAction(ID_AUTO_PLAY)->isEnabled());
  EXPECT_TRUE(f->GetAction(ID_AUTO_PLAY)->isChecked());
  f->RunCommand(ID_AUTO_PLAY);
  EXPECT_FALSE(f->GetAction(ID_AUTO_PLAY)->isChecked());
  EXPECT_EQ(f->GetSettings().m_bAutoPlay, 0);
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

// Help... with the desktop's opener stood in by a script first in PATH.
class MainFrameHelpTest : public MainFrameTest {
 protected:
  void SetUp() override {
    MainFrameTest::SetUp();
    std::filesystem::create_directories(root_ / "bin");
    oldPath_ = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", ((root_ / "bin").string() + ":" + oldPath_).c_str(), 1);
    std::ofstream(root_ / "prog/manual.pdf") << "%PDF-1.4\n";
    std::filesystem::copy_file(VT_MANUAL_SOURCE, root_ / "prog/manual.md");
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    MainFrameTest::TearDown();
  }
  bool WaitFor(const std::function<bool()>& pred) {
    for (int i = 0; i < 500 && !pred(); ++i) QTest::qWait(10);
    return pred();
  }
  std::string oldPath_;
};

TEST_F(MainFrameHelpTest, FailingOpenerShowsTheManualInside) {
  test::WriteOpenerScript((root_ / "bin").string(), "xdg-open", test::kNoViewerBody);
  CMainFrame* f = Make(Context());
  f->RunCommand(ID_HELP_FINDER);
  ASSERT_TRUE(WaitFor([&] { return f->GetHelp() && f->GetHelp()->Window() && f->GetHelp()->Window()->isVisible(); }));
  EXPECT_EQ(test::ReadFile((root_ / "bin/opened").string()), (root_ / "prog/manual.pdf").string() + "\n");
  EXPECT_TRUE(f->GetHelp()->Window()->windowTitle().endsWith(QStringLiteral("Help")));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainFrameHelpTest, NeitherViewerNorManualSourceSaysNoReader) {
  test::WriteOpenerScript((root_ / "bin").string(), "xdg-open", test::kNoViewerBody);
  std::filesystem::remove(root_ / "prog/manual.md");
  CMainFrame* f = Make(Context());
  f->RunCommand(ID_HELP_FINDER);
  ASSERT_TRUE(WaitFor([&] { return !boxes_.empty(); }));
  EXPECT_EQ(boxes_[0], lang_.GetTextById(IDS_MSG_NO_PDF_READER));
  EXPECT_EQ(f->GetHelp()->Window(), nullptr);
}

TEST_F(MainFrameHelpTest, ViewerThatTakesTheManualLeavesNothingToShow) {
  test::WriteOpenerScript((root_ / "bin").string(), "xdg-open", test::kHandedOnBody);
  CMainFrame* f = Make(Context());
  f->RunCommand(ID_HELP_FINDER);
  ASSERT_TRUE(WaitFor([&] { return !f->GetHelp()->Waiting(); }));
  EXPECT_EQ(f->GetHelp()->Window(), nullptr);
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
}  // namespace vt
