// Backup Record DB in the background: the progress dialog over a backup that a test holds in
// the middle, and the main window with the real Player starting and cancelling one.
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <condition_variable>
#include <mutex>

#include "jobs_fixture.h"
#include "longwork/record_jobs.h"
#include "longwork/ui/long_work_dlg.h"
#include "timeline/review_fixture.h"

namespace vt::test {
namespace {

[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new ReviewEnvironment);

// The status bar as the worker sees it; holds the worker at its second finished copy until
// the test lets it go.
class HoldingStatus : public IMessageTarget {
 public:
  bool Post(uint32_t msg, WPARAM w, LPARAM) override {
    if (msg != kMsgProgress || w != kProgressStep) return true;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (++m_steps == 2) {
      m_held = true;
      m_cv.wait(lock, [this] { return m_released; });
    }
    return true;
  }
  LRESULT Send(uint32_t msg, WPARAM w, LPARAM l) override { return Post(msg, w, l); }
  bool Held() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_held;
  }
  void Release() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_released = true;
    }
    m_cv.notify_all();
  }
  ~HoldingStatus() override { Release(); }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  int m_steps = 0;
  bool m_held = false;
  bool m_released = false;
};

TEST(LongWorkDialog, CancelInTheMiddleOfABackupLeavesAConsistentExport) {
  ScopedTz tz("UTC0");
  TempDir dir;
  const std::string a = MakeCamera(dir, "a", {1, 2, 3}, 5000);
  const std::string b = MakeCamera(dir, "b", {4, 5}, 5000);
  for (const std::string& cam : {a, b}) {
    CRecordDB db;
    ASSERT_TRUE(db.Open(cam));
  }
  const auto sources = FolderContents(dir / "");
  BackupJob job;
  job.root = dir / "bak";
  job.iniPath = dir / "vantor.ini";
  job.cameras = {{0, "C1:A", a}, {1, "C2:B", b}};
  fs::create_directories(job.root);

  HoldingStatus status;
  QWidget window;
  QPointer<CLongWorkDlg> dlg = new CLongWorkDlg(QStringLiteral("Backup Record DB"), &status, &window);
  auto result = std::make_shared<RecordJobResult>();
  int finished = 0;
  bool wasCancelled = false;
  dlg->Start([&job, result](CWorkControl& c) { *result = RunBackup(job, c); },
             [&](bool cancelled) {
               ++finished;
               wasCancelled = cancelled;
             });
  ASSERT_TRUE(WaitFor([&] { return status.Held(); }));
  Pump(300);  // the dialog polls while the worker waits: the GUI thread is free
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_FALSE(dlg->isModal());
  EXPECT_EQ(dlg->ProgressLabel()->text().left(16), QStringLiteral("2 of 5 files, 9."));
  EXPECT_EQ(dlg->Bar()->value(), dlg->Bar()->maximum() * 2 / 5);
  EXPECT_EQ(finished, 0);

  QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg->CancelButton()->isEnabled());
  EXPECT_EQ(dlg->PhaseLabel()->text(), QStringLiteral("Cancelling..."));
  status.Release();
  ASSERT_TRUE(WaitFor([&] { return dlg.isNull(); }));
  EXPECT_EQ(finished, 1);
  EXPECT_TRUE(wasCancelled);
  EXPECT_TRUE(result->cancelled);
  EXPECT_EQ(result->report.nFailed, 0);

  // Two complete copies listed, camera b not begun, the sources as they were.
  EXPECT_EQ(CheckExportedCamera(dir / "bak/camera01", a).size(), 2u);
  EXPECT_FALSE(Exists(dir / "bak/camera02"));
  auto after = FolderContents(dir / "");
  for (auto it = after.begin(); it != after.end();) it = it->first.rfind("bak/", 0) == 0 ? after.erase(it) : ++it;
  EXPECT_EQ(after, sources);
}

class LongWorkFrame : public ReviewFixture {
 protected:
  std::string Backup() {
    const std::string bak = (dir_ / "bak").string();
    pickFolder_ = [bak](std::string& path, bool, const std::string&) {
      path = bak;
      return true;
    };
    return bak;
  }
  void ExpectDatabaseCommands(bool enabled) {
    for (uint32_t id : {ID_BACKUP_DB, ID_DELETE_ALL, ID_REBUILD_DB, ID_OPEN_RECORD_DB, ID_UPDATE_DB})
      EXPECT_EQ(frame_->GetAction(id)->isEnabled(), enabled) << id;
  }
};

TEST_F(LongWorkFrame, BackupRunsInTheBackgroundAndTheDatabaseCommandsWait) {
  const std::string bak = Backup();
  Start();
  const std::string source = (dir_ / "cam1").string();
  frame_->UpdateCommandUi();
  ExpectDatabaseCommands(true);

  frame_->RunCommand(ID_BACKUP_DB);
  QPointer<CLongWorkDlg> dlg = frame_->GetLongWork();
  ASSERT_FALSE(dlg.isNull());
  // The dialog can only end through the event loop, which has not run since.
  ExpectDatabaseCommands(false);
  EXPECT_TRUE(frame_->GetAction(ID_GOTO_TIME)->isEnabled());
  frame_->RunCommand(ID_BACKUP_DB);  // a key that beats the menu's update is refused too
  EXPECT_EQ(frame_->GetLongWork(), dlg.data());

  ASSERT_TRUE(WaitFor([&] { return dlg.isNull(); }));
  frame_->UpdateCommandUi();
  ExpectDatabaseCommands(true);
  EXPECT_EQ(CheckExportedCamera(bak + "/camera01", source).size(), 5u);
  // The end names the destination and the counts.
  EXPECT_EQ(frame_->GetPaneText(0), QString::fromStdString("Backed up 5 record files of 1 camera to " + bak));
  EXPECT_TRUE(boxes_.empty());
  // The window goes on showing recordings afterwards as before.
  ASSERT_TRUE(nav_->OpenAt(1, vt::kUnitsPerSecond, JumpMode::kPause));
  EXPECT_TRUE(ShowsFrame(kFps));
}

// Cancelled wherever the worker happens to be, the export is consistent and the window says so.
TEST_F(LongWorkFrame, CancelledBackupSaysSoAndLeavesAConsistentExport) {
  const std::string bak = Backup();
  Start();
  const std::string source = (dir_ / "cam1").string();
  const std::string index = ReadFile(source + "/rdb.ndx");
  frame_->RunCommand(ID_BACKUP_DB);
  QPointer<CLongWorkDlg> dlg = frame_->GetLongWork();
  ASSERT_FALSE(dlg.isNull());
  dlg->CancelButton()->click();
  ASSERT_TRUE(WaitFor([&] { return dlg.isNull(); }));
  EXPECT_TRUE(frame_->GetPaneText(0).startsWith(QStringLiteral("Cancelled")));
  if (fs::exists(bak + "/camera01/rdb.ndx")) {
    EXPECT_LE(CheckExportedCamera(bak + "/camera01", source).size(), 5u);
  }
  EXPECT_EQ(ReadFile(source + "/rdb.ndx"), index);
  EXPECT_TRUE(boxes_.empty());
}

// Delete Record on a day: its files go in the background, then the day leaves the tree and the
// index; the other day stays.
TEST_F(LongWorkFrame, DeletingADayGoesInTheBackgroundAndTheTreeFollows) {
  Start();
  const std::string source = (dir_ / "cam1").string();
  tree_->setCurrentIndex(tree_->FindItem("2024-05-10"));
  frame_->UpdateCommandUi();
  ASSERT_TRUE(frame_->GetAction(ID_DELETE_RECORD)->isEnabled());
  // Asked once, naming the day, with No as the default.
  std::vector<MessageBoxRequest> asked;
  SetMessageBoxDisplay([&](const MessageBoxRequest& r) {
    asked.push_back(r);
    return IDYES;
  });
  frame_->RunCommand(ID_DELETE_RECORD);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].text.find("on 2024-05-10"), std::string::npos) << asked[0].text;
  EXPECT_EQ(asked[0].style & MB_DEFBUTTON2, static_cast<uint32_t>(MB_DEFBUTTON2));
  QPointer<CLongWorkDlg> dlg = frame_->GetLongWork();
  ASSERT_FALSE(dlg.isNull());
  ASSERT_TRUE(WaitFor([&] { return dlg.isNull(); }));
  std::vector<std::string> left;
  for (const auto& entry : FolderContents(source))
    if (entry.first != "rdb.ndx") left.push_back(entry.first);
  EXPECT_EQ(left, (std::vector<std::string>{"2024-05-11/000000020000040.avi"}));
  CRecordTreeModel* m = tree_->GetModel();
  ASSERT_EQ(m->rowCount(), 1);
  EXPECT_EQ(m->ItemText(m->index(0, 0)), "2024-05-11");
  CRecordDB saved;
  saved.SetFolder(source);
  ASSERT_TRUE(saved.Load());
  ASSERT_EQ(saved.ListDays().size(), 1u);
  EXPECT_EQ(saved.ListDays()[0].pDay->records.size(), 1u);
  EXPECT_EQ(frame_->GetPaneText(0), QStringLiteral("Delete record files (4 file deleted)"));
  EXPECT_TRUE(boxes_.empty());
}

// Delete All Records in the background, to its end, cancelled wherever the worker happens to be,
// and with the window closed meanwhile: the index, in memory and on disk, lists exactly the
// recordings whose files are still there.
enum class DeleteEnd { kToTheEnd, kCancelled, kWindowClosed };
class LongWorkDelete : public LongWorkFrame, public ::testing::WithParamInterface<DeleteEnd> {};

TEST_P(LongWorkDelete, DeleteAllKeepsTheIndexTrueToTheFiles) {
  const DeleteEnd end = GetParam();
  Start();
  SetMessageBoxDisplay([](const MessageBoxRequest&) { return IDYES; });
  const std::string source = (dir_ / "cam1").string();
  frame_->RunCommand(ID_DELETE_ALL);
  QPointer<CLongWorkDlg> dlg = frame_->GetLongWork();
  ASSERT_FALSE(dlg.isNull());
  if (end == DeleteEnd::kCancelled) dlg->CancelButton()->click();
  // Its dialog only ends through the event loop, which has not run: the window takes it down.
  if (end == DeleteEnd::kWindowClosed) frame_.reset();
  ASSERT_TRUE(WaitFor([&] { return dlg.isNull(); }));
  size_t onDisk = 0;
  for (const auto& entry : FolderContents(source)) {
    const std::string& rel = entry.first;
    onDisk += rel.size() > 4 && rel.compare(rel.size() - 4, 4, ".avi") == 0;
  }
  // The index on disk (no recorder: written here).
  CRecordDB saved;
  saved.SetFolder(source);
  ASSERT_TRUE(saved.Load());
  size_t inFile = 0;
  for (const auto& d : saved.ListDays())
    for (const auto& r : d.pDay->records) {
      EXPECT_TRUE(fs::exists(r.szFilePath)) << r.szFilePath;
      ++inFile;
    }
  EXPECT_EQ(inFile, onDisk);
  if (end == DeleteEnd::kWindowClosed) return;
  CRecordList* list = pane_->GetRecordList();
  ASSERT_NE(list, nullptr);
  size_t listed = 0;
  for (const auto& d : list->GetDB().ListDays()) listed += d.pDay->records.size();
  EXPECT_EQ(listed, onDisk);
  EXPECT_TRUE(WaitFor([&] { return nav_->Sequence().size() == listed; }));
  if (end == DeleteEnd::kToTheEnd) {
    EXPECT_EQ(onDisk, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, LongWorkDelete,
                         ::testing::Values(DeleteEnd::kToTheEnd, DeleteEnd::kCancelled, DeleteEnd::kWindowClosed));

}  // namespace
}  // namespace vt::test
