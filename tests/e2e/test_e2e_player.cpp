// The main window with the real Player on record files generated with the frame number drawn in
// each frame: the Player's own keys typed on the shown window, and every failure the user must
// be told about (records that cannot be played, a stream that breaks while playing, audio-only
// records, nothing open, a skin picture that cannot be loaded, video narrower than the buttons).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/lang_text.h"
#include "app/message_box.h"
#include "browser/record_tree.h"
#include "e2e_fixture.h"
#include "frame/command_ids.h"
#include "frame/left_view_pane.h"
#include "frame/main_frame.h"
#include "platform/local_time.h"
#include "playback/gst/gst_engine.h"
#include "playback/gst/test_media.h"
#include "playback/player_logic.h"
#include "playback/player_wnd.h"
#include "playback/player_wnd_util.h"
#include "playback/seek_bar.h"
#include "playback/vant_writer.h"
#include "skin/button_bar.h"
#include "skin/info_bar.h"
#include "skin/skin_button.h"
#include "skin/skin_layout.h"
#include "snapshot/snapshot_picture.h"
#include "snapshot/snapshot_settings.h"

namespace vt::e2e {
namespace {

namespace fs = std::filesystem;
using test::PaintedFrame;

constexpr const char* kDay = "2026-12-08";

QApplication* App() {
  static int argc = 1;
  static char name[] = "test_e2e_player";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

// Pixels of the information bar drawn in the line's colour: none when the bar is empty.
int InfoTextPixels(CInfoBar* bar) {
  const QImage img = bar->grab().toImage();
  const QColor text(GetRValue(kInfoTextColor), GetGValue(kInfoTextColor), GetBValue(kInfoTextColor));
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += img.pixelColor(x, y) == text;
  return n;
}

class PlayerE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    root_ = fs::temp_directory_path() / ("vt_e2e_player_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "run");
    fs::create_directories(root_ / "prog");
    fs::copy(fs::path(VT_TEST_RESOURCE_DIR) / "UI_P", root_ / "prog/UI_P", fs::copy_options::recursive);
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    data_ = std::make_unique<RecorderData>(root_);
    // Records open paused on their first frame.
    std::string ini = ReadAll(data_->Ini());
    ini.replace(ini.find("fAutoPlay=1"), 11, "fAutoPlay=0");
    std::ofstream(data_->Ini(), std::ios::binary) << ini;
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes_.push_back(r.text);
      return IDOK;
    });
    SetMessageBoxContext({[] { return std::string("Vantor 2 Player"); }, [] { return nullptr; },
                          [this](const char* key, int id) { return std::string(lang_.GetTextByKey(key, id)); },
                          [this](int id) { return std::string(lang_.GetTextById(static_cast<uint32_t>(id))); }});
  }
  void TearDown() override {
    frame_.reset();
    SetMessageBoxDisplay({});
    fs::remove_all(root_);
  }

  // A record of camera 1 on kDay made of a generated clip; its start time.
  time32 AddClip(const std::string& start, const std::string& end, const TestClipSpec& spec,
                 const std::string& textA = "") {
    const fs::path path = data_->AddRecord(1, kDay, start, end);
    std::string err;
    EXPECT_TRUE(MakeTestClip(spec, path.string(), &err)) << err;
    if (!textA.empty()) {
      VantTrailer t;
      t.textA = textA;
      t.textB = "Yard";
      EXPECT_TRUE(AppendVantTrailer(path.string(), t));
    }
    return StartOf(start);
  }
  // A record file with the given bytes.
  void AddFile(const std::string& start, const std::string& end, const std::string& bytes) {
    std::ofstream(data_->AddRecord(1, kDay, start, end), std::ios::binary | std::ios::trunc) << bytes;
  }
  static time32 StartOf(const std::string& hhmmss) {
    return MakeLocalTime(2026, 12, 8, std::stoi(hhmmss.substr(0, 2)), std::stoi(hhmmss.substr(2, 2)),
                         std::stoi(hhmmss.substr(4, 2)));
  }
  static std::string TimeText(const std::string& hhmmss) {
    return hhmmss.substr(0, 2) + ":" + hhmmss.substr(2, 2) + ":" + hhmmss.substr(4, 2);
  }

  void OpenMainWindow() {
    FrameContext c;
    c.strProgramFolder = (root_ / "prog").string();
    c.strDataFolder = data_->Data().string();
    c.strIniPath = data_->Ini().string();
    c.textById = [this](uint32_t id) { return std::string(lang_.GetTextById(id)); };
    c.bListen = false;
    c.makePlayer = [this](QWidget* parent) {
      PlayerHooks hooks;
      hooks.textById = [this](uint32_t id) { return std::string(lang_.GetTextById(id)); };
      hooks.setWindowTitle = [this](const char* a, const char* b) {
        title_ = std::string(a ? a : "<none>") + "|" + (b ? b : "<none>");
      };
      hooks.snapshot = [this](std::vector<uint8_t> frame, time32 t) {
        PackedDib picture = MakeSnapshotPicture(frame.data(), frame.size());
        ASSERT_FALSE(picture.empty());
        snapshot_.ShowDialog(picture.data(), picture.size(), &t);
      };
      return CreatePlayerWindow(parent, std::move(hooks));
    };
    frame_ = std::make_unique<CMainFrame>(std::move(c));
    ASSERT_TRUE(frame_->Create());
    frame_->show();
    frame_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
    LoadMainCameras(data_->Ini().string(), false, frame_->GetLeftView());
    ASSERT_TRUE(WaitFor([&] { return Tree()->FindItem(kDay).isValid(); }));
  }
  CRecordTree* Tree() { return dynamic_cast<CLeftViewPane*>(frame_->GetLeftView())->GetView()->GetTree(); }
  CPlayerWnd* Player() { return dynamic_cast<CPlayerWnd*>(frame_->GetPlayer()); }
  // Clicks a record in the tree, as a person does (the tree then has the keyboard).
  void ClickRecord(const std::string& start) {
    QModelIndex day = Tree()->FindItem(kDay);
    Tree()->expand(day);
    QModelIndex item = Tree()->FindItem(kDay, TimeText(start));
    ASSERT_TRUE(item.isValid()) << start;
    // Only a change of the selection opens a record.
    if (Tree()->currentIndex() == item) Tree()->setCurrentIndex(day);
    Tree()->scrollTo(item);
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, Tree()->visualRect(item).center());
    QCoreApplication::processEvents();
  }
  // Opens a playable record by clicking it: the Player shows its first frame.
  void OpenRecord(const std::string& start) {
    ClickRecord(start);
    ASSERT_TRUE(WaitFor([&] { return Player()->IsOpen() && Painted() == 0; }));
    // The main window has caught up: its playback commands (and their keys) are on.
    ASSERT_TRUE(WaitFor([&] { return frame_->GetAction(ID_PLAY)->isEnabled(); }));
  }
  int Painted() { return PaintedFrame(Player()->grab().toImage(), Player()->PictureRect()); }
  // A key typed on the main window, through the window system's path.
  void Key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(frame_->windowHandle(), k, m);
    QCoreApplication::processEvents();
  }
  bool Enabled(uint32_t id) {
    frame_->UpdateCommandUi();
    return frame_->GetAction(id)->isEnabled();
  }
  std::string Status() { return frame_->GetPaneText(0).toStdString(); }

  fs::path root_;
  std::unique_ptr<RecorderData> data_;
  CLangText lang_;
  std::unique_ptr<CMainFrame> frame_;
  std::vector<std::string> boxes_;
  std::string title_;
  CSnapshotSettings snapshot_;
};

const TestClipSpec kVideo{TestClipSpec::kMjpeg, 352, 288, 250, 25, false};

TEST_F(PlayerE2E, PlayerKeysTypedOnTheMainWindow) {
  AddClip("080000", "080010", kVideo);
  AddClip("090000", "090010", {TestClipSpec::kMjpeg, 352, 288, 250, 25, true});
  OpenMainWindow();
  OpenRecord("080000");
  CPlayerWnd* p = Player();
  ASSERT_TRUE(Tree()->hasFocus());
  // Space is Play while stopped or running (the main window's key), and a frame step while paused.
  Key(Qt::Key_Space);
  EXPECT_EQ(kPsRunning, p->Core().GetPlayState());
  Key(Qt::Key_Space);
  EXPECT_EQ(kPsPaused, p->Core().GetPlayState());
  const int f = Painted();
  ASSERT_GE(f, 0);
  Key(Qt::Key_Space);
  EXPECT_TRUE(WaitFor([&] { return Painted() == f + 1; }));
  EXPECT_EQ(kPsPaused, p->Core().GetPlayState());
  // 1-9 step that many frames.
  Key(Qt::Key_3);
  EXPECT_TRUE(WaitFor([&] { return Painted() == f + 4; }));
  EXPECT_EQ(static_cast<uint32_t>(f + 5), p->SeekBar()->GetPos());
  // P and S pause running playback (paused, Space steps: Play resumes).
  for (Qt::Key k : {Qt::Key_P, Qt::Key_S}) {
    frame_->RunCommand(ID_PLAY);
    ASSERT_EQ(kPsRunning, p->Core().GetPlayState());
    Key(k);
    EXPECT_EQ(kPsPaused, p->Core().GetPlayState()) << k;
  }
  // M on a record without sound says so.
  Key(Qt::Key_M);
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ("The record is video only.", boxes_[0]);
  // Down: in the tree it goes to the next record (the speed carries over); on the Player it is
  // the normal speed.
  frame_->RunCommand(32777);  // x4
  Key(Qt::Key_Down);
  ASSERT_TRUE(WaitFor([&] { return p->IsOpen() && p->Core().GetFile().find("090000") != std::string::npos; }));
  EXPECT_EQ(4.0, p->GetRate());
  QTest::mouseClick(p, Qt::LeftButton, {}, p->VideoRect().center());
  ASSERT_TRUE(p->hasFocus());
  Key(Qt::Key_Down);
  EXPECT_EQ(1.0, p->GetRate());
  // M mutes and unmutes a record with sound, from the Player and from the tree.
  Key(Qt::Key_M);
  EXPECT_TRUE(p->IsMuted());
  Tree()->setFocus();
  Key(Qt::Key_M);
  EXPECT_FALSE(p->IsMuted());
  EXPECT_EQ(1u, boxes_.size());
  // Ctrl+M is the Mute command, not the Player's M (which would toggle twice).
  Key(Qt::Key_M, Qt::ControlModifier);
  EXPECT_TRUE(p->IsMuted());
  // With a dialog open the keys are the dialog's: Q typed in the Snapshot dialog closes nothing.
  bool dialogSeen = false;
  QTimer::singleShot(200, [&] {
    QWidget* dlg = QApplication::activeModalWidget();
    dialogSeen = dlg != nullptr;
    if (!dlg) return;
    QTest::keyClick(dlg->windowHandle(), Qt::Key_Q);
    dlg->close();
  });
  QTimer::singleShot(5000, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  Key(Qt::Key_A, Qt::ControlModifier);  // Snapshot
  EXPECT_TRUE(dialogSeen);
  EXPECT_TRUE(p->IsOpen());
  // Q, X and F12 close the record.
  for (Qt::Key k : {Qt::Key_Q, Qt::Key_X, Qt::Key_F12}) {
    OpenRecord("080000");
    Tree()->setFocus();
    Key(k);
    EXPECT_FALSE(p->IsOpen()) << k;
    EXPECT_EQ(0, InfoTextPixels(p->InfoBar())) << k;
  }
  // Nothing open: the keys are the tree's again, nothing happens to the Player.
  Key(Qt::Key_3);
  EXPECT_FALSE(p->IsOpen());
}

// A record that cannot be played: the reason on the status line, no time, no camera texts, and
// the playback commands stay off.
TEST_F(PlayerE2E, RecordsThatCannotBePlayedAreReported) {
  AddClip("080000", "080010", kVideo, "Front");
  AddFile("090000", "090010", "emptied after the index was made");
  AddFile("100000", "100010", "This is a note, not a video.\n");
  std::string broken("RIFF\x40\x00\x00\x00" "AVI LIST\x30\x00\x00\x00hdrlavih", 28);
  broken += std::string(64, '\xEE');
  AddFile("110000", "110010", broken);
  OpenMainWindow();
  // A file that lost its contents after the recorder listed it.
  fs::resize_file(data_->Camera(1) / kDay / "000900000900100.avi", 0);
  CPlayerWnd* p = Player();
  for (const char* start : {"090000", "100000", "110000"}) {
    SCOPED_TRACE(start);
    OpenRecord("080000");
    EXPECT_EQ("Front|Yard", title_);
    EXPECT_GT(InfoTextPixels(p->InfoBar()), 0);
    ClickRecord(start);
    ASSERT_TRUE(WaitFor([&] { return Status().find("Cannot play") != std::string::npos; }));
    const std::string status = Status();
    EXPECT_NE(std::string::npos, status.find(std::string("00") + start)) << status;
    EXPECT_NE(std::string::npos, status.find("FAILED(hr=0x")) << status;
    EXPECT_FALSE(p->IsOpen());
    EXPECT_EQ("<none>|<none>", title_);
    EXPECT_EQ(0, InfoTextPixels(p->InfoBar()));
    for (uint32_t id : {ID_PLAY, ID_FORWARD, ID_NEXT_FRAME, ID_SNAPSHOT}) EXPECT_FALSE(Enabled(id)) << id;
  }
  EXPECT_TRUE(boxes_.empty());
}

// A stream that breaks while playing ends playback as its end would, and the user is told.
TEST_F(PlayerE2E, StreamErrorWhilePlayingEndsPlaybackAndIsReported) {
  AddClip("080000", "080010", kVideo);
  OpenMainWindow();
  OpenRecord("080000");
  CPlayerWnd* p = Player();
  auto* gst = dynamic_cast<CGstEngine*>(&p->Engine());
  ASSERT_NE(gst, nullptr);
  ASSERT_TRUE(FailStreamAfter(gst->Pipeline(), 20));
  frame_->RunCommand(ID_PLAY);
  ASSERT_EQ(kPsRunning, p->Core().GetPlayState());
  ASSERT_TRUE(WaitFor([&] { return p->Core().GetPlayState() != kPsRunning; }));
  EXPECT_EQ(kPsPaused, p->Core().GetPlayState());
  EXPECT_EQ(1u, p->SeekBar()->GetPos());
  EXPECT_EQ(StartOf("080000"), p->Core().GetCurrent());
  EXPECT_TRUE(WaitFor([&] { return Painted() == 0; }));
  EXPECT_NE(std::string::npos, Status().find("stopped by an error")) << Status();
  // It plays again from the start.
  frame_->RunCommand(ID_PLAY);
  EXPECT_TRUE(WaitFor([&] { return p->SeekBar()->GetPos() > 10; }));
}

// A record with sound only: the seek bar starts at 1 and the jumps move through it.
TEST_F(PlayerE2E, AudioOnlyRecordSeeksAndJumps) {
  AddClip("080000", "080010", kVideo);
  TestClipSpec audio;
  audio.frames = 250;
  audio.fps = 25;
  audio.noVideo = true;
  AddClip("090000", "090010", audio);
  OpenMainWindow();
  OpenRecord("080000");
  CPlayerWnd* p = Player();
  p->SeekBar()->SetPos(200);
  p->Target()->Post(kMsgSeekRequest, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return Painted() == 199; }));
  ClickRecord("090000");
  ASSERT_TRUE(WaitFor([&] { return p->IsOpen() && p->Core().IsAudioOnly(); }));
  EXPECT_EQ(250u, p->SeekBar()->GetRange());
  EXPECT_EQ(1u, p->SeekBar()->GetPos());
  frame_->RunCommand(ID_FORWARD);
  EXPECT_EQ(126u, p->SeekBar()->GetPos());
  EXPECT_EQ(StartOf("090005"), p->Core().GetCurrent());
  EXPECT_EQ(FormatLocalTime(StartOf("090005"), kInfoLongFormat) + " (x1)", p->InfoBar()->GetLastLine());
  frame_->RunCommand(ID_NEXT_FRAME);
  EXPECT_TRUE(WaitFor([&] { return p->SeekBar()->GetPos() == 127 && p->Core().GetPosition() == 126 * 400000; }));
}

// Nothing open, nothing on the information bar: not at start, not after a camera is chosen
// again while a record played.
TEST_F(PlayerE2E, InformationBarIsEmptyWithNothingOpen) {
  AddClip("080000", "080010", kVideo);
  OpenMainWindow();
  CPlayerWnd* p = Player();
  EXPECT_EQ(0, InfoTextPixels(p->InfoBar()));
  OpenRecord("080000");
  EXPECT_GT(InfoTextPixels(p->InfoBar()), 0);
  frame_->Send(kMsgOpenCamera, reinterpret_cast<WPARAM>(data_->Camera(1).c_str()), 0);
  ASSERT_TRUE(WaitFor([&] { return !p->IsOpen(); }));
  EXPECT_EQ(0, InfoTextPixels(p->InfoBar()));
}

// Video narrower than the button row: the Player keeps its minimum width, every button lies
// inside it, and the picture keeps its own size in the middle.
TEST_F(PlayerE2E, NarrowVideoKeepsEveryButton) {
  AddClip("080000", "080002", {TestClipSpec::kMjpeg, 176, 144, 50, 25, false});
  AddClip("090000", "090002", {TestClipSpec::kMjpeg, 160, 120, 50, 25, false});
  OpenMainWindow();
  for (auto [start, w, h] : {std::tuple{"080000", 176, 144}, std::tuple{"090000", 160, 120}}) {
    SCOPED_TRACE(start);
    OpenRecord(start);
    CPlayerWnd* p = Player();
    CButtonBar* bar = p->ButtonBar();
    EXPECT_EQ(p->width(), bar->width());
    EXPECT_GE(bar->width(), bar->MinimumWidth());
    for (int i = 0; i < kButtonCount; ++i) {
      CSkinButton* b = bar->Button(i);
      ASSERT_NE(b, nullptr);
      EXPECT_TRUE(b->isVisible()) << i;
      EXPECT_GE(b->x(), 0) << i;
      EXPECT_LE(b->x() + b->width(), bar->width()) << i;
    }
    EXPECT_EQ(QSize(w, h), p->PictureRect().size());
    EXPECT_EQ(p->VideoRect().center(), p->PictureRect().center());
    // The last button, Speed, answers a click with its menu.
    bool menuSeen = false;
    QTimer::singleShot(100, [&] {
      if (QWidget* m = QApplication::activePopupWidget()) {
        menuSeen = true;
        m->close();
      }
    });
    QTimer::singleShot(3000, [] {
      if (QWidget* m = QApplication::activePopupWidget()) m->close();
    });
    QTest::mouseClick(bar->Button(kButtonCount - 1), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return menuSeen; }, 5000));
    // The main window is fitted around the wider Player.
    ASSERT_TRUE(WaitFor([&] { return p->parentWidget()->width() >= p->geometry().right(); }, 5000));
  }
}

// A skin picture that cannot be loaded: one message naming the file; the main window still shows
// the tree and an empty Player area of its usual size, and nothing can be played.
TEST_F(PlayerE2E, SkinPictureThatCannotBeLoaded) {
  AddClip("080000", "080002", {TestClipSpec::kMjpeg, 176, 144, 50, 25, false});
  // A 4-bit and a run-length-encoded bitmap, both well-formed files the skin does not take.
  auto bitmap = [](uint16_t bits, uint32_t compression) {
    std::string f(54 + 64 + 16, '\0');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&f[at], &v, 2); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, 54 + 64);
    put32(14, 40);
    put32(18, 8);
    put32(22, 4);
    put16(26, 1);
    put16(28, bits);
    put32(30, compression);
    return f;
  };
  const struct {
    const char* name;
    const char* file;
    std::string bytes;  // empty: the file is removed
  } cases[] = {
      {"missing", "bg/VUpLeft.bmp", ""},
      {"4-bit", "btn/zoom.bmp", bitmap(4, 0)},
      {"RLE", "bg/IMid.bmp", bitmap(8, 1)},
  };
  const fs::path skin = root_ / "prog/UI_P";
  const fs::path saved = root_ / "saved.bmp";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::copy_file(skin / c.file, saved, fs::copy_options::overwrite_existing);
    if (c.bytes.empty())
      fs::remove(skin / c.file);
    else
      std::ofstream(skin / c.file, std::ios::binary | std::ios::trunc) << c.bytes;
    boxes_.clear();
    OpenMainWindow();
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_NE(std::string::npos, boxes_[0].find((skin / c.file).string())) << boxes_[0];
    EXPECT_EQ(nullptr, Player());
    QWidget* area = frame_->GetPlayer()->Widget();
    EXPECT_TRUE(area->isVisible());
    EXPECT_EQ(QSize(330, 240), area->size());
    QWidget* left = frame_->GetLeftView()->Widget();
    EXPECT_TRUE(left->isVisible());
    EXPECT_GT(left->width(), 50);
    EXPECT_GT(left->height(), 200);
    // Not collapsed: the window is fitted around the empty area as around a Player.
    EXPECT_TRUE(WaitFor([&] { return frame_->width() >= left->width() + 330 + 20; }, 5000)) << frame_->width();
    ClickRecord("080000");
    EXPECT_FALSE(frame_->GetPlayer()->IsOpen());
    EXPECT_FALSE(Enabled(ID_PLAY));
    frame_.reset();
    fs::copy_file(saved, skin / c.file, fs::copy_options::overwrite_existing);
  }
}

}  // namespace
}  // namespace vt::e2e
