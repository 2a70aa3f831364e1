// A camera folder copied from a Windows recorder: its index stores drive-letter paths with
// backslashes that do not exist here. The player still plays a record of it and exports it,
// finding the file under the camera folder by its day folder and name; the index keeps the
// recorder's form.
//
// Runs beside the resource folder (its binary is built into it) because the program finds its
// skin and toolbar next to its executable.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/message_box.h"
#include "app/vant_player_app.h"
#include "browser/left_view.h"
#include "browser/record_tree.h"
#include "demo/demo_data.h"
#include "demo/demo_plan.h"
#include "frame/command_ids.h"
#include "frame/left_view_pane.h"
#include "frame/main_frame.h"
#include "platform/local_time.h"
#include "playback/player_wnd.h"
#include "recorddb/rdb_types.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Format(time32 t, const char* f) { return FormatLocalTime(t, f); }

QApplication* App() {
  static int argc = 1;
  static char name[] = "vtplayer";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

TEST(WindowsRecorderCopy, PlaysAndExportsRecordsStoredWithDriveLetterPaths) {
  const fs::path root = fs::temp_directory_path() / ("vt_e2e_windows_" + std::to_string(::getpid()));
  fs::remove_all(root);
  for (const char* d : {"run", "home", "cache", "out"}) fs::create_directories(root / d);
  ::chmod((root / "run").c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
  setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
  setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
  App();
  std::vector<std::string> boxes;
  SetMessageBoxDisplay([&](const MessageBoxRequest& r) {
    boxes.push_back(r.text);
    return IDOK;
  });

  // One camera with two recordings, made by the program's own demo code.
  const fs::path data = root / "data";
  demo::DemoPlan plan = demo::MakeDemoPlan(data.string(), Now32());
  plan.cameras.resize(1);
  std::vector<demo::DemoRecord> kept;
  for (const demo::DemoRecord& r : plan.records)
    if (r.nCamera == 0 && kept.size() < 2) kept.push_back(r);
  plan.records = kept;
  std::string error;
  ASSERT_TRUE(demo::GenerateDemoData(plan, &error)) << error;
  const demo::DemoRecord& rec = plan.records.front();
  const fs::path camera = plan.cameras[0].strFolder;

  // The index as the recorder on Windows wrote it: every path rewritten in place to D:\rec\ch01\...
  const fs::path ndx = camera / "rdb.ndx";
  std::string bytes = ReadAll(ndx);
  for (const demo::DemoRecord& r : plan.records) {
    const std::string native = r.Path();
    const std::string windows = "D:\\rec\\ch01\\" + fs::path(r.strDayFolder).filename().string() + "\\" + r.strFileName;
    size_t at = bytes.find(native + std::string(1, '\0'));
    ASSERT_NE(at, std::string::npos) << native;
    std::memset(bytes.data() + at, 0, sizeof(RDB_RECORD::szFilePath));
    std::memcpy(bytes.data() + at, windows.data(), windows.size());
  }
  std::ofstream(ndx, std::ios::binary | std::ios::trunc) << bytes;
  const std::string storedIndex = ReadAll(ndx);

  {
    CVantPlayerApp app;
    int exitCode = -1;
    ASSERT_TRUE(app.InitInstance({"--data-folder", data.string(), "-pass"}, &exitCode)) << exitCode;
    CMainFrame* frame = app.GetMainFrame();
    ASSERT_NE(frame, nullptr);
    auto* pane = dynamic_cast<CLeftViewPane*>(frame->GetLeftView());
    ASSERT_NE(pane, nullptr);
    CRecordTree* tree = pane->GetView()->GetTree();
    auto* player = dynamic_cast<CPlayerWnd*>(frame->GetPlayer());
    ASSERT_NE(player, nullptr);

    const std::string day = Format(rec.tStart, "%Y-%m-%d");
    const std::string time = Format(rec.tStart, "%H:%M:%S");
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->FindItem(day).isValid(); }, 5000));
    tree->expand(tree->FindItem(day));
    QModelIndex item = tree->FindItem(day, time);
    ASSERT_TRUE(item.isValid());
    tree->scrollTo(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(item).center());

    // It plays the file found under the camera folder.
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->IsOpen(); }, 10000)) << player->Core().GetError();
    EXPECT_EQ(fs::path(player->Core().GetFile()), fs::path(rec.Path()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->GetPaneText(1) == "352x288"; }, 5000));

    // Save Record to... copies that file into the chosen folder.
    // The folder picker is answered as soon as it is up (polled: it may take a while to show).
    QTimer answer;
    answer.setInterval(100);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dlg) return;
      answer.stop();
      dlg->setDirectory(QString::fromStdString(root.string()));
      dlg->selectFile(QStringLiteral("out"));
      static_cast<QDialog*>(dlg)->accept();
    });
    answer.start();
    QTimer::singleShot(10000, [] {
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    frame->UpdateCommandUi();
    ASSERT_TRUE(frame->GetAction(ID_SAVE_RECORD_TO)->isEnabled());
    frame->RunCommand(ID_SAVE_RECORD_TO);
    // The copy runs in the background.
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->GetLongWork() == nullptr; }, 10000));
    // The picker's answer lands in the folder the dialog had open; the copy is wherever that was.
    fs::path copy;
    std::string listing;
    for (auto& e : fs::recursive_directory_iterator(root)) {
      if (e.path().string().find("/data") != std::string::npos) continue;
      listing += e.path().string() + "\n";
      if (e.path().filename() == rec.strFileName && e.path().parent_path().filename() == day &&
          e.path().parent_path().parent_path().filename() == "camera01")
        copy = e.path();
    }
    ASSERT_FALSE(copy.empty()) << listing;
    EXPECT_EQ(ReadAll(copy), ReadAll(rec.Path()));
    EXPECT_TRUE(boxes.empty()) << boxes.front();

    frame->close();
    app.ExitInstance();
  }
  // Nothing was deleted, so the index went back as the recorder wrote it.
  EXPECT_EQ(ReadAll(ndx), storedIndex);
  SetMessageBoxDisplay({});
  fs::remove_all(root);
}

}  // namespace
}  // namespace vt
