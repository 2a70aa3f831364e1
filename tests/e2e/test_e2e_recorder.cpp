// The player's main window against the recorder stand-in on the recorder link: deletions told
// to the recorder instead of saving the index, update requests answered by a reload, rebuild
// refused while a recorder runs, and the single-instance hand-over.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QTreeView>

#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <thread>

#include "app/lang_text.h"
#include "app/message_box.h"
#include "app/recorder_link.h"
#include "app/single_instance.h"
#include "common/alarm_guard.h"
#include "e2e_fixture.h"
#include "frame/left_view_pane.h"
#include "frame/main_frame.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "recorddb/record_db.h"
#include "res/gen/res_images.h"

#ifndef VT_RECORDER_EXE
#error VT_RECORDER_EXE must name the vtrecorder executable
#endif
#ifndef VT_PLAYER_EXE
#error VT_PLAYER_EXE must name the vtplayer executable
#endif

namespace vt::e2e {
namespace {

QApplication* App() {
  static int argc = 1;
  static char name[] = "test_e2e_recorder";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

class RecorderE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    root_ = std::filesystem::temp_directory_path() / ("vt_e2e_" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "run");
    std::filesystem::create_directories(root_ / "prog/ui_p/bg");
    DrawToolbarStrip().save(QString::fromStdString((root_ / "prog/ui_p/bg/toolbar24.bmp").string()), "BMP");
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    data_ = std::make_unique<RecorderData>(root_);
    data_->AddRecord(1, "2026-12-08", "080000", "081500");
    data_->AddRecord(1, "2026-12-08", "120000", "123000", 1);
    data_->AddRecord(1, "2026-12-09", "090000", "091000");
    SetMessageBoxDisplay([this](const MessageBoxRequest& r) {
      boxes_.push_back(r.text);
      styles_.push_back(r.style);
      return answer_;
    });
    SetMessageBoxContext({[] { return std::string("Vantor 2 Player"); }, [] { return nullptr; },
                          [this](const char* key, int id) { return std::string(lang_.GetTextByKey(key, id)); },
                          [this](int id) { return std::string(lang_.GetTextById(static_cast<uint32_t>(id))); }});
  }
  void TearDown() override {
    frame_.reset();
    recorder_.Stop();
    SetMessageBoxDisplay({});
    std::filesystem::remove_all(root_);
  }

  void StartRecorder(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {VT_RECORDER_EXE, "--data-folder", data_->Data().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    ASSERT_TRUE(recorder_.Start(args, root_ / "recorder.out"));
    ASSERT_TRUE(WaitFor([&] { return recorder_.Output().find("listening") != std::string::npos; }));
  }

  // The main window on the fixture with camera 1 open in the tree.
  CMainFrame* OpenPlayer() {
    FrameContext c;
    c.strProgramFolder = (root_ / "prog").string();
    c.strDataFolder = data_->Data().string();
    c.strIniPath = data_->Ini().string();
    c.textById = [this](uint32_t id) { return std::string(lang_.GetTextById(id)); };
    c.pRecorder = recorderLink_;
    frame_ = std::make_unique<CMainFrame>(std::move(c));
    EXPECT_TRUE(frame_->Create());
    frame_->show();
    LoadMainCameras(data_->Ini().string(), false, frame_->GetLeftView());
    EXPECT_TRUE(WaitFor([&] { return Tree()->FindItem("2026-12-08").isValid(); }));
    return frame_.get();
  }
  CRecordTree* Tree() { return dynamic_cast<CLeftViewPane*>(frame_->GetLeftView())->GetView()->GetTree(); }
  void Select(const std::string& day, const std::string& time = "") {
    QModelIndex item = Tree()->FindItem(day, time);
    ASSERT_TRUE(item.isValid()) << day << " " << time;
    Tree()->setCurrentIndex(item);
    QCoreApplication::processEvents();
  }
  std::string Index(int camera) { return ReadAll(data_->Camera(camera) / "rdb.ndx"); }
  static bool Listed(const std::filesystem::path& folder, time32 t) {
    CRecordDB db;
    db.SetFolder(folder.string());
    return db.Load() && db.FindRecordAt(t) != nullptr;
  }

  std::filesystem::path root_;
  std::unique_ptr<RecorderData> data_;
  CLangText lang_;
  CSocketRecorderLink link_;
  IRecorderLink* recorderLink_ = &link_;
  ChildProcess recorder_;
  std::unique_ptr<CMainFrame> frame_;
  std::vector<std::string> boxes_;
  std::vector<uint32_t> styles_;
  int answer_ = IDNO;
};

TEST_F(RecorderE2E, DeleteRecordWithRecorderPostsStartTimeAndCameraAndLeavesIndex) {
  StartRecorder();
  CMainFrame* f = OpenPlayer();
  const std::string indexBefore = Index(1);
  ASSERT_FALSE(indexBefore.empty());
  Select("2026-12-08", "12:00:00");
  answer_ = IDYES;
  f->RunCommand(ID_DELETE_RECORD);
  const time32 t = MakeLocalTime(2026, 12, 8, 12, 0, 0);
  char want[96];
  std::snprintf(want, sizeof want, "message 0x83F7 wParam=%d lParam=0x00010000", t);
  EXPECT_TRUE(WaitFor([&] { return recorder_.Output().find(want) != std::string::npos; })) << recorder_.Output();
  EXPECT_EQ(Index(1), indexBefore) << "the recorder owns the index while it runs";
  EXPECT_FALSE(std::filesystem::exists(data_->Camera(1) / "2026-12-08/00120000123000" "1.avi"));
  EXPECT_FALSE(Tree()->FindItem("2026-12-08", "12:00:00").isValid());

  // A whole day on the second camera: the day-deleted message names camera 2.
  f->Send(kMsgOpenCamera, reinterpret_cast<WPARAM>(data_->Camera(2).c_str()), 1);
  data_->AddRecord(2, "2026-12-07", "100000", "101500");
  f->RunCommand(ID_UPDATE_DB);  // main database + recorder: asks the recorder
  ASSERT_TRUE(WaitFor([&] { return Tree()->FindItem("2026-12-07").isValid(); })) << recorder_.Output();
  Select("2026-12-07");
  f->RunCommand(ID_DELETE_RECORD);
  std::snprintf(want, sizeof want, "message 0x83F8 wParam=%d lParam=0x00020000", MakeLocalTime(2026, 12, 7, 10, 0, 0));
  EXPECT_TRUE(WaitFor([&] { return recorder_.Output().find(want) != std::string::npos; })) << recorder_.Output();
}

// The recorder link as it is asked: whether the record file was still there at each look-up.
struct WatchedRecorderLink : IRecorderLink {
  std::filesystem::path file;
  std::vector<bool> fileThereAtLookUp;
  RecorderWindow FindRecorder() override {
    fileThereAtLookUp.push_back(std::filesystem::exists(file));
    return RecorderWindow::kRecorder;
  }
  bool Post(uint32_t, WPARAM, LPARAM) override { return true; }
};

TEST_F(RecorderE2E, RecorderIsLookedUpBeforeTheDeletionStarts) {
  WatchedRecorderLink watched;
  watched.file = data_->Camera(1) / "2026-12-08/00080000081500" "0.avi";
  recorderLink_ = &watched;
  CMainFrame* f = OpenPlayer();
  Select("2026-12-08", "08:00:00");
  watched.fileThereAtLookUp.clear();
  answer_ = IDYES;
  f->RunCommand(ID_DELETE_RECORD);
  EXPECT_FALSE(std::filesystem::exists(watched.file));
  ASSERT_FALSE(watched.fileThereAtLookUp.empty());
  EXPECT_TRUE(watched.fileThereAtLookUp.front()) << "looked up after the file was gone";
}

TEST_F(RecorderE2E, DeleteRecordWithoutRecorderSavesIndex) {
  CMainFrame* f = OpenPlayer();
  const time32 t = MakeLocalTime(2026, 12, 8, 8, 0, 0);
  ASSERT_TRUE(Listed(data_->Camera(1), t));
  Select("2026-12-08", "08:00:00");
  // Asked once, naming camera and time, No the default; No keeps everything.
  f->RunCommand(ID_DELETE_RECORD);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("camera C1:"), std::string::npos) << boxes_[0];
  EXPECT_NE(boxes_[0].find("2026-12-08 08:00:00"), std::string::npos) << boxes_[0];
  EXPECT_EQ(styles_[0], MB_YESNO | MB_DEFBUTTON2);
  EXPECT_TRUE(Listed(data_->Camera(1), t));
  EXPECT_TRUE(Tree()->FindItem("2026-12-08", "08:00:00").isValid());
  answer_ = IDYES;
  f->RunCommand(ID_DELETE_RECORD);
  EXPECT_EQ(boxes_.size(), 2u);
  EXPECT_FALSE(Listed(data_->Camera(1), t)) << "the index on disk no longer lists the record";
  EXPECT_TRUE(Listed(data_->Camera(1), MakeLocalTime(2026, 12, 8, 12, 0, 0)));
  // Delete All names the camera and defaults to No.
  answer_ = IDNO;
  f->RunCommand(ID_DELETE_ALL);
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_NE(boxes_[2].find("Camera C1:"), std::string::npos) << boxes_[2];
  EXPECT_EQ(styles_[2], MB_YESNO | MB_DEFBUTTON2);
  EXPECT_TRUE(Listed(data_->Camera(1), MakeLocalTime(2026, 12, 8, 12, 0, 0)));
}

TEST_F(RecorderE2E, UpdateAsksRecorderAndReloadsOnItsAnswer) {
  StartRecorder();
  CMainFrame* f = OpenPlayer();
  data_->AddRecord(1, "2026-12-10", "070000", "071000");
  f->RunCommand(ID_UPDATE_DB);
  EXPECT_TRUE(WaitFor([&] { return recorder_.Output().find("message 0x83F5 wParam=0 lParam=0x00000000") !=
                                   std::string::npos; }));
  EXPECT_TRUE(WaitFor([&] { return Tree()->FindItem("2026-12-10", "07:00:00").isValid(); })) << recorder_.Output();
  EXPECT_NE(recorder_.Output().find("posted 0x83F6 to VTPlayer: ok"), std::string::npos);
}

TEST_F(RecorderE2E, StoppedRecorderNeverHoldsTheWindow) {
  StartRecorder();
  CMainFrame* f = OpenPlayer();
  ASSERT_EQ(kill(recorder_.pid(), SIGSTOP), 0);
  data_->AddRecord(1, "2026-12-10", "070000", "071000");
  {
    test::AlarmGuard guard(3000);  // a command stuck in the kernel comes back late instead of never
    for (int i = 0; i < 10; ++i) {
      const auto start = std::chrono::steady_clock::now();
      f->RunCommand(ID_UPDATE_DB);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << "Ctrl+U " << i + 1;
    }
    // Requests that did not fit into the stopped recorder's queue were answered here.
    EXPECT_TRUE(f->GetPaneText(0).contains(QStringLiteral("did not take the update request")))
        << f->GetPaneText(0).toStdString();
    EXPECT_TRUE(Tree()->FindItem("2026-12-08").isValid());

    // A deletion the recorder cannot be told of reaches the index on disk instead.
    const time32 t = MakeLocalTime(2026, 12, 8, 8, 0, 0);
    Select("2026-12-08", "08:00:00");
    answer_ = IDYES;
    const auto start = std::chrono::steady_clock::now();
    f->RunCommand(ID_DELETE_RECORD);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_FALSE(Listed(data_->Camera(1), t));
    EXPECT_TRUE(f->GetPaneText(0).contains(QStringLiteral("index was saved here"))) << f->GetPaneText(0).toStdString();
  }
  // Once it runs again it takes what was queued.
  ASSERT_EQ(kill(recorder_.pid(), SIGCONT), 0);
  EXPECT_TRUE(WaitFor([&] { return recorder_.Output().find("message 0x83F5") != std::string::npos; }))
      << recorder_.Output();
}

TEST_F(RecorderE2E, TricklingClientDoesNotHoldTheWindow) {
  CMainFrame* f = OpenPlayer();
  f->showMinimized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(LinkFind(kClassPlayer));
  // A client that writes the restore message one byte every 100 ms.
  std::thread trickler([] {
    int c = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, LinkSocketPath(kClassPlayer).c_str());
    if (connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      uint8_t frame[kLinkFrameSize];
      EncodeLinkFrame({kMsgSysCommand, kScRestore, 0}, frame);
      for (uint8_t b : frame) {
        if (write(c, &b, 1) != 1) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
    close(c);
  });
  // The window's own timers keep running all the while.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, longestGap = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, clock.elapsed() - last);
    last = clock.elapsed();
  });
  tick.start(10);
  EXPECT_TRUE(WaitFor([&] { return !f->isMinimized(); }, 5000));
  trickler.join();
  EXPECT_GT(clock.elapsed(), 1000) << "the message came whole only at the end";
  EXPECT_LT(longestGap, 500) << "the window stopped answering while the bytes trickled in";
}

TEST_F(RecorderE2E, UpdateWithoutAnswerLeavesTree) {
  StartRecorder({"--no-answer"});
  CMainFrame* f = OpenPlayer();
  data_->AddRecord(1, "2026-12-10", "070000", "071000");
  // The index on disk is stale until the recorder rewrites it; no answer, no reload.
  f->RunCommand(ID_UPDATE_DB);
  ASSERT_TRUE(WaitFor([&] { return recorder_.Output().find("message 0x83F5") != std::string::npos; }));
  WaitFor([] { return false; }, 300);
  EXPECT_FALSE(Tree()->FindItem("2026-12-10").isValid());
}

TEST_F(RecorderE2E, RebuildRefusedWhileRecorderOrRemoteViewerRuns) {
  StartRecorder();
  CMainFrame* f = OpenPlayer();
  const std::string indexBefore = Index(1);
  f->RunCommand(ID_REBUILD_DB);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], "Please close Vantor program before executing the command.");
  EXPECT_EQ(Index(1), indexBefore);
  recorder_.Stop();
  StartRecorder({"--remote"});
  f->RunCommand(ID_REBUILD_DB);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1], "Please close Remote program before executing the command.");
  recorder_.Stop();
  f->RunCommand(ID_REBUILD_DB);  // nothing runs: the question comes, "No" keeps everything
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_NE(boxes_[2].find("camera 1 "), std::string::npos);
  EXPECT_EQ(Index(1), indexBefore);
}

TEST_F(RecorderE2E, HeldRecordingCountsAsOpenByTheRecorder) {
  auto recording = data_->AddRecord(1, "2026-12-09", "100000", "101000");
  ASSERT_TRUE(FileExists(recording.string()));
  StartRecorder({"--hold", recording.string()});
  EXPECT_NE(recorder_.Output().find("holding " + recording.string()), std::string::npos);
  EXPECT_FALSE(FileExists(recording.string())) << "a file the recorder holds locked counts as absent";
  recorder_.Stop();
  EXPECT_TRUE(FileExists(recording.string()));
}

TEST_F(RecorderE2E, SecondStartRaisesTheFirstWindow) {
  CMainFrame* f = OpenPlayer();
  f->showMinimized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(LinkFind(kClassPlayer));
  CLinkListener second;
  std::string running;
  EXPECT_EQ(ClaimSingleInstance(&second, 100, 100, &running), InstanceStart::kOtherRuns);
  EXPECT_TRUE(WaitFor([&] { return !f->isMinimized(); }));
}

TEST_F(RecorderE2E, SecondPlayerProcessEndsWhileFirstRuns) {
  ChildProcess first, second;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ASSERT_TRUE(first.Start({VT_PLAYER_EXE, "--data-folder", data_->Data().string()}, root_ / "first.out"));
  ASSERT_TRUE(WaitFor([] { return LinkFind(kClassPlayer); }, 15000)) << first.Output();
  ASSERT_TRUE(second.Start({VT_PLAYER_EXE, "--data-folder", data_->Data().string()}, root_ / "second.out"));
  EXPECT_EQ(second.WaitExit(5000), 0) << second.Output();
  EXPECT_TRUE(first.Running());
  first.Stop();
  // With the first gone the class is free again.
  EXPECT_TRUE(WaitFor([] { return !LinkFind(kClassPlayer); }, 3000));
}

}  // namespace
}  // namespace vt::e2e
