// The whole program as a person uses it: the application object started on generated demo data
// with its real main window, record browser, Player and Snapshot dialog, driven through the
// camera selector, tree clicks, menus and the Player's buttons, closed through File > Exit;
// then the files it left behind are checked.
//
// Runs beside the resource folder (its binary is built into it) because the program finds its
// skin, toolbar and texts next to its executable.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/message_box.h"
#include "app/vant_player_app.h"
#include "browser/camera_combo.h"
#include "browser/left_view.h"
#include "browser/record_tree.h"
#include "demo/demo_data.h"
#include "demo/demo_plan.h"
#include "frame/command_ids.h"
#include "frame/left_view_pane.h"
#include "frame/main_frame.h"
#include "platform/local_time.h"
#include "playback/player_wnd.h"
#include "playback/seek_bar.h"
#include "recorddb/record_db.h"
#include "skin/button_bar.h"
#include "skin/skin_button.h"
#include "snapshot/snapshot_dlg.h"
#include "snapshot/snapshot_layout.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

// Button bar slots, left to right.
constexpr int kBtnPlay = 0, kBtnPause = 1, kBtnStop = 2, kBtnSnapshot = 5;
constexpr uint32_t kIdsVideoOnlyText = 59399;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string DayText(time32 t) {
  LocalFields f;
  SplitLocalTime(t, &f);
  char s[16];
  std::snprintf(s, sizeof s, "%04d-%02d-%02d", f.year, f.month, f.day);
  return s;
}

std::string TimeText(time32 t) {
  LocalFields f;
  SplitLocalTime(t, &f);
  char s[16];
  std::snprintf(s, sizeof s, "%02d:%02d:%02d", f.hour, f.minute, f.second);
  return s;
}

QApplication* App() {
  static int argc = 1;
  static char name[] = "vtplayer";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VTPlayer"));
    QApplication::setOrganizationName(QStringLiteral("VTPlayer"));
    return a;
  }();
  return app;
}

class UserE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("vt_e2e_user_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    for (const char* d : {"run", "home", "cache", "config", "other"}) fs::create_directories(root_ / d);
    ::chmod((root_ / "run").c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "home").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ / "cache").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    App();
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes_.push_back(r.text);
      return (r.style & MB_YESNO) ? IDYES : IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxDisplay({});
    fs::remove_all(root_);
  }

  // Clicks a menu entry as a person does: the menu opens (its entries are brought up to date)
  // and the entry is clicked. False when the entry is not there or greyed.
  static bool ClickMenu(QMenu* menu, QAction* action) {
    if (!menu || !action) return false;
    menu->popup(QPoint(10, 10));
    if (!QTest::qWaitFor([&] { return menu->isVisible(); }, 3000)) return false;
    const bool usable = action->isEnabled() && menu->actions().contains(action);
    if (usable) {
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }
    if (menu->isVisible()) menu->close();
    QCoreApplication::processEvents();
    return usable;
  }
  bool ClickCommand(MenuIndex m, uint32_t id) { return ClickMenu(frame_->GetMenu(m), frame_->GetAction(id)); }
  QMenu* SpeedMenu() {
    for (QAction* a : frame_->GetMenu(kMenuPlayback)->actions())
      if (a->menu()) return a->menu();
    return nullptr;
  }
  void ClickButton(int slot) {
    CSkinButton* b = player_->ButtonBar()->Button(slot);
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
  }
  // Clicks a tree item (scrolled into view first).
  void ClickItem(const std::string& day, const std::string& time = "") {
    QModelIndex item = tree_->FindItem(day, time);
    ASSERT_TRUE(item.isValid()) << day << " " << time;
    tree_->scrollTo(item);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, tree_->visualRect(item).center());
    QCoreApplication::processEvents();
  }
  // Answers the next folder picker with path.
  void AnswerFolderPicker(const fs::path& path) {
    QTimer::singleShot(200, [path] {
      auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dlg) return;
      dlg->setDirectory(QString::fromStdString(path.string()));
      dlg->selectFile(QString::fromStdString(path.string()));
      static_cast<QDialog*>(dlg)->accept();  // QFileDialog::accept checks the choice
    });
    // Never left waiting: whatever modal window is still up after this is closed.
    QTimer::singleShot(8000, [] {
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
  }

  fs::path root_;
  std::vector<std::string> boxes_;
  CMainFrame* frame_ = nullptr;
  CPlayerWnd* player_ = nullptr;
  CRecordTree* tree_ = nullptr;
};

TEST_F(UserE2E, ADayWithTheDemoData) {
  // Demo data for two cameras: "Front door" with one recording, "Yard" with all of its own
  // (one of them with sound); the generation is the program's own --demo code.
  const fs::path data = root_ / "data";
  demo::DemoPlan plan = demo::MakeDemoPlan(data.string(), Now32());
  plan.cameras.resize(2);
  std::vector<demo::DemoRecord> kept;
  bool frontDoor = false;
  for (const demo::DemoRecord& r : plan.records) {
    if (r.nCamera == 1 || (r.nCamera == 0 && !frontDoor)) kept.push_back(r);
    if (r.nCamera == 0) frontDoor = true;
  }
  plan.records = kept;
  std::string error;
  ASSERT_TRUE(demo::GenerateDemoData(plan, &error)) << error;
  const demo::DemoRecord* withSound = nullptr;
  const demo::DemoRecord* silent = nullptr;
  for (const demo::DemoRecord& r : plan.records) {
    if (r.nCamera != 1) continue;
    if (r.bAudio) withSound = &r;
    // A silent one on another day than the one with sound, whose events lie ahead of its start.
    else if (!silent || r.tStart > silent->tStart) silent = &r;
  }
  ASSERT_TRUE(withSound && silent);
  const std::string yard = plan.cameras[1].strFolder;

  // Start-up as the program's main() does it, with the password skipped.
  CVantPlayerApp app;
  int exitCode = -1;
  ASSERT_TRUE(app.InitInstance({"--data-folder", data.string(), "-pass"}, &exitCode)) << exitCode;
  frame_ = app.GetMainFrame();
  ASSERT_NE(frame_, nullptr);
  auto* pane = dynamic_cast<CLeftViewPane*>(frame_->GetLeftView());
  ASSERT_NE(pane, nullptr);
  CCameraCombo* combo = pane->GetView()->GetCombo();
  tree_ = pane->GetView()->GetTree();
  player_ = dynamic_cast<CPlayerWnd*>(frame_->GetPlayer());
  ASSERT_NE(player_, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return combo->GetCount() == 2 && frame_->isVisible(); }, 5000));
  EXPECT_EQ(combo->currentText().toStdString(), "C1:Front door");

  // The second camera, chosen with the keyboard in the selector.
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame_->GetCurrentCamera() == 1; }, 5000));
  EXPECT_EQ(combo->currentText().toStdString(), "C2:Yard");
  ASSERT_TRUE(QTest::qWaitFor([&] { return tree_->FindItem(DayText(withSound->tStart)).isValid(); }, 5000));

  // Open the day, play the recording with sound (auto-play starts it).
  ClickItem(DayText(withSound->tStart));
  tree_->expand(tree_->FindItem(DayText(withSound->tStart)));
  ClickItem(DayText(withSound->tStart), TimeText(withSound->tStart));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Core().GetPlayState() == kPsRunning; }, 10000))
      << player_->Core().GetError();
  EXPECT_EQ(player_->Core().GetFile(), withSound->Path());

  // Stop (back to the first frame, so that the events lie ahead however long it played) and
  // pause from the button bar, then one frame on from the Playback menu.
  ClickButton(kBtnStop);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Core().GetPlayState() != kPsRunning && player_->SeekBar()->GetPos() <= 1; }, 5000))
      << player_->Core().GetPlayState() << " " << player_->SeekBar()->GetPos();
  ClickButton(kBtnPause);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Core().GetPlayState() == kPsPaused; }, 5000));
  const uint32_t pos = player_->SeekBar()->GetPos();
  ASSERT_TRUE(ClickCommand(kMenuPlayback, ID_NEXT_FRAME));
  EXPECT_TRUE(QTest::qWaitFor([&] { return player_->SeekBar()->GetPos() == pos + 1; }, 5000))
      << pos << " -> " << player_->SeekBar()->GetPos();
  EXPECT_EQ(player_->Core().GetPlayState(), kPsPaused);

  // Next event (Forward): the clock lands on the start of an event ahead of where it was.
  const time32 before = player_->Core().GetCurrent();
  ASSERT_TRUE(ClickCommand(kMenuPlayback, ID_FORWARD));
  auto atEventAhead = [&] {
    const time32 now = player_->Core().GetCurrent();
    return now > before && std::any_of(withSound->events.begin(), withSound->events.end(),
                                       [&](const EVENT_RECORD& e) { return e.tStart == now; });
  };
  EXPECT_TRUE(QTest::qWaitFor(atEventAhead, 5000)) << before << " -> " << player_->Core().GetCurrent();

  // Speed x 2 from the menu; the menu then shows it checked.
  QMenu* speed = SpeedMenu();
  ASSERT_NE(speed, nullptr);
  ASSERT_TRUE(ClickMenu(speed, frame_->GetAction(ID_SPEED_1_16 + 5)));
  EXPECT_TRUE(QTest::qWaitFor([&] { return player_->GetRate() == 2.0; }, 3000)) << player_->GetRate();
  frame_->UpdateCommandUi();
  EXPECT_TRUE(frame_->GetAction(ID_SPEED_1_16 + 5)->isChecked());
  EXPECT_FALSE(frame_->GetAction(ID_SPEED_1_16 + 4)->isChecked());

  // Mute the recording with sound: no message, the entry checked.
  ASSERT_TRUE(ClickCommand(kMenuPlayback, ID_MUTE));
  EXPECT_TRUE(player_->IsMuted());
  frame_->UpdateCommandUi();
  EXPECT_TRUE(frame_->GetAction(ID_MUTE)->isChecked());
  EXPECT_TRUE(boxes_.empty()) << boxes_.front();

  // Snapshot from the button bar; in the dialog, Save... answered with a JPEG name, then Close.
  const fs::path jpeg = root_ / "other/front.jpg";
  bool dialogSeen = false;
  std::string proposal;
  QTimer::singleShot(300, [&] {
    auto* dlg = qobject_cast<CSnapshotDlg*>(QApplication::activeModalWidget());
    if (!dlg) return;
    dialogSeen = true;
    dlg->SetSavePathChooser([&](QWidget*, const std::string& name) {
      proposal = name;
      return jpeg.string();
    });
    QTest::mouseClick(dlg->Button(kIdSaveButton), Qt::LeftButton);
    QTest::mouseClick(dlg->Button(kIdCloseButton), Qt::LeftButton);
  });
  QTimer::singleShot(10000, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  ClickButton(kBtnSnapshot);
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialogSeen && !QApplication::activeModalWidget(); }, 12000));
  EXPECT_TRUE(fs::exists(jpeg));
  // The name proposed: the camera and the frame's time, as a JPEG.
  EXPECT_EQ(proposal.rfind(combo->itemText(combo->currentIndex()).replace(':', '-').toStdString() + " ", 0), 0u)
      << proposal;
  EXPECT_EQ(proposal.substr(proposal.size() - 4), ".jpg");

  // The silent recording: play it from the tree, mute says it has no sound.
  ClickItem(DayText(silent->tStart));
  tree_->expand(tree_->FindItem(DayText(silent->tStart)));
  ClickItem(DayText(silent->tStart), TimeText(silent->tStart));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Core().GetFile() == silent->Path() && player_->IsOpen(); }, 10000));
  ClickButton(kBtnPlay);
  ASSERT_TRUE(ClickCommand(kMenuPlayback, ID_MUTE));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], app.GetText(kIdsVideoOnlyText));
  EXPECT_FALSE(player_->IsMuted());

  // Delete that recording (Edit > Delete Record on the selected item); no recorder runs, so
  // the index is written at once.
  ASSERT_TRUE(ClickCommand(kMenuEdit, ID_DELETE_RECORD));
  EXPECT_FALSE(fs::exists(silent->Path()));
  EXPECT_FALSE(tree_->FindItem(DayText(silent->tStart), TimeText(silent->tStart)).isValid());
  // The selection moves on to a neighbour, which may start playing; never the deleted file.
  EXPECT_FALSE(player_->IsOpen() && player_->Core().GetFile() == silent->Path());

  // Auto-play off.
  ASSERT_TRUE(ClickCommand(kMenuPlayback, ID_AUTO_PLAY));
  EXPECT_EQ(frame_->GetSettings().m_bAutoPlay, 0);

  // Open another database (an empty folder), then back to the main one.
  EXPECT_FALSE(frame_->GetAction(ID_RETURN_MAIN_DB)->isEnabled());
  AnswerFolderPicker(root_ / "other");
  ASSERT_TRUE(ClickCommand(kMenuFile, ID_OPEN_RECORD_DB));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !frame_->IsMainDatabase(); }, 10000));
  EXPECT_EQ(combo->GetCount(), 0);
  ASSERT_TRUE(ClickCommand(kMenuFile, ID_RETURN_MAIN_DB));
  EXPECT_TRUE(frame_->IsMainDatabase());
  EXPECT_EQ(combo->GetCount(), 2);
  EXPECT_EQ(combo->currentText().toStdString(), "C1:Front door");

  // Quit: File > Exit, then what main() does once the event loop ends.
  ASSERT_TRUE(ClickCommand(kMenuFile, ID_APP_EXIT));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !frame_->isVisible(); }, 5000));
  frame_ = nullptr;
  player_ = nullptr;
  tree_ = nullptr;
  EXPECT_EQ(app.ExitInstance(), 0);

  // What it left behind.
  QImage shot(QString::fromStdString(jpeg.string()), "JPG");
  EXPECT_FALSE(shot.isNull());
  EXPECT_EQ(shot.width(), demo::kDemoWidth);
  EXPECT_EQ(shot.height(), demo::kDemoHeight);
  EXPECT_EQ(ReadAll(jpeg).substr(0, 2), std::string("\xFF\xD8", 2));
  CRecordDB db;
  db.SetFolder(yard);
  ASSERT_TRUE(db.Load());
  EXPECT_EQ(db.FindRecordAt(silent->tStart), nullptr);
  EXPECT_NE(db.FindRecordAt(withSound->tStart), nullptr);
  const std::string ini = ReadAll(data / "vantor.ini");
  EXPECT_NE(ini.find("fAutoPlay=0"), std::string::npos) << ini;
  EXPECT_TRUE(fs::exists(data / "VTPlayer.Log"));
}

}  // namespace
}  // namespace vt
