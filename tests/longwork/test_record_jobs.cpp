#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

#include "jobs_fixture.h"
#include "longwork/record_jobs.h"
#include "platform/profile.h"
#include "recorddb/rdb_texts.h"

namespace vt {
namespace {

using test::Utc;

// The main window as the worker sees it: posted progress messages, and a hook on each step.
struct StatusWindow : test::FakeWindow {
  std::function<void(int step)> onStep;
  int steps = 0;
  bool Post(uint32_t msg, WPARAM w, LPARAM l) override {
    FakeWindow::Post(msg, w, l);
    if (msg == kMsgProgress && w == kProgressStep && onStep) onStep(++steps);
    return true;
  }
  std::vector<std::string> Progress() const {
    std::vector<std::string> out;
    for (const auto& m : posted)
      if (m.msg == kMsgProgress) out.push_back(std::to_string(m.w) + ":" + std::to_string(m.l));
    return out;
  }
};

class RecordJobs : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;
  StatusWindow status;
  CWorkControl control{&status};

  BackupJob Backup(std::vector<CameraEntry> cameras) {
    test::WriteFile(dir / "vantor.ini", "[Preference_ch03]\r\nsCameraName=Gate\r\n");
    BackupJob job;
    job.root = dir / "bak";
    job.iniPath = dir / "vantor.ini";
    job.cameras = std::move(cameras);
    std::filesystem::create_directories(job.root);
    return job;
  }
};

TEST_F(RecordJobs, BackupCountsFilesAndBytesAndShowsTheStatusText) {
  const BackupJob job = Backup({{0, "C1:A", test::MakeCamera(dir, "a", {1, 2}, 100)},
                                {2, "C3:Gate", test::MakeCamera(dir, "c", {5}, 300, "2008-06-01")}});
  const RecordJobResult r = RunBackup(job, control);
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(r.cameras, 2);
  EXPECT_EQ(r.report.nCopied, 3);
  const WorkProgress p = control.Progress();
  EXPECT_EQ(p.files, 3);
  EXPECT_EQ(p.totalFiles, 3);
  EXPECT_EQ(p.bytes, 500u);
  EXPECT_EQ(p.totalBytes, 500u);
  EXPECT_EQ(status.Progress(), (std::vector<std::string>{"6:" + std::to_string(kIdsBackupProgress), "1:1", "3:0",
                                                         "3:1", "3:0", "2:0"}));
  EXPECT_EQ(test::CheckExportedCamera(dir / "bak/camera01", dir / "a").size(), 2u);
  EXPECT_EQ(test::CheckExportedCamera(dir / "bak/camera03", dir / "c").size(), 1u);
  EXPECT_EQ(GetProfileString(dir / "bak/recorddb.ini", "Storage_ch03", "sStoragePath", ""), "\\camera03");
}

// Cancel after each number of finished copies: what was copied is complete and listed, the
// cameras not begun are left out, the sources are untouched.
TEST_F(RecordJobs, CancelledBackupLeavesAConsistentExport) {
  for (int cancelAfter : {1, 2, 3}) {
    SCOPED_TRACE(cancelAfter);
    test::TempDir d;
    const std::string a = test::MakeCamera(d, "a", {1, 2, 3}, 2000);
    const std::string b = test::MakeCamera(d, "b", {4, 5}, 2000);
    // Indexes first, so that the sources' contents can be compared before and after.
    for (const std::string& cam : {a, b}) {
      CRecordDB db;
      ASSERT_TRUE(db.Open(cam));
    }
    const auto before = test::FolderContents(d / "");
    StatusWindow st;
    CWorkControl ctl(&st);
    st.onStep = [&](int step) {
      if (step == cancelAfter) ctl.Cancel();
    };
    BackupJob job;
    job.root = d / "bak";
    job.iniPath = d / "vantor.ini";
    job.cameras = {{0, "C1:A", a}, {1, "C2:B", b}};
    std::filesystem::create_directories(job.root);
    const RecordJobResult r = RunBackup(job, ctl);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.report.nFailed, 0);
    EXPECT_EQ(r.report.nCopied, cancelAfter);
    EXPECT_EQ(test::CheckExportedCamera(d / "bak/camera01", a).size(), static_cast<size_t>(cancelAfter));
    // Camera b was never begun: no folder, no entry.
    EXPECT_FALSE(test::Exists(d / "bak/camera02"));
    EXPECT_EQ(GetProfileString(d / "bak/recorddb.ini", "Storage_ch02", "sStoragePath", "none"), "none");
    EXPECT_EQ(st.Progress().back(), "2:0");  // the status bar's display is ended
    auto after = test::FolderContents(d / "");
    for (auto it = after.begin(); it != after.end();) it = it->first.rfind("bak/", 0) == 0 ? after.erase(it) : ++it;
    EXPECT_EQ(after, before);
  }
}

// A copy cancelled between two blocks is removed: no short file under the record's name, no
// partial file, and the record is neither listed nor counted as failed.
TEST_F(RecordJobs, CopyCancelledInTheMiddleOfAFileRemovesIt) {
  const std::string cam = test::MakeCamera(dir, "a", {1, 2}, 3 * 1024 * 1024 + 17);
  CRecordDB db;
  ASSERT_TRUE(db.Open(cam));
  std::atomic<bool> cancel{false};
  uint64_t seen = 0;
  RdbWorkHooks hooks;
  hooks.cancel = &cancel;
  hooks.onBytes = [&](uint64_t n) {
    seen += n;
    if (seen > 3 * 1024 * 1024 + 17 + 1) cancel = true;  // one block into the second file
  };
  db.SetWorkHooks(hooks);
  CopyReport report;
  ASSERT_TRUE(db.SaveTo(dir / "out", &report));
  EXPECT_EQ(report.nCopied, 1);
  EXPECT_EQ(report.nFailed, 0);
  EXPECT_EQ(test::CheckExportedCamera(dir / "out", cam), (std::vector<std::string>{"2008-05-10/010100000130000.avi"}));
}

TEST_F(RecordJobs, SaveDayCopiesWithThePercentTextAndStopsWhenCancelled) {
  const std::string cam = test::MakeCamera(dir, "a", {1, 2, 3, 4}, 500);
  CRecordDB db;
  ASSERT_TRUE(db.Open(cam));
  RdbDay* day = nullptr;
  ASSERT_TRUE(db.FindDay(Utc(2008, 5, 10, 1, 0, 0), nullptr, nullptr, &day, nullptr));
  SaveRecordsJob job;
  job.root = dir / "out";
  job.iniPath = dir / "vantor.ini";
  job.channelIndex = 2;
  job.cameraFolder = cam;
  job.dayFolder = dir / "out/camera03/2008-05-10";
  job.day = true;
  job.records = *day;
  std::filesystem::create_directories(job.dayFolder);
  RecordJobResult r = RunSaveRecords(job, control);
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(r.report.nCopied, 4);
  EXPECT_EQ(status.Progress(), (std::vector<std::string>{"6:" + std::to_string(kIdsSaveProgress), "1:4", "3:0", "3:1",
                                                         "3:2", "3:3", "2:0"}));
  EXPECT_EQ(control.Progress().bytes, 2000u);

  // Cancelled after the second file: two complete copies, nothing else.
  std::filesystem::remove_all(dir / "out");
  std::filesystem::create_directories(job.dayFolder);
  StatusWindow st;
  CWorkControl ctl(&st);
  st.onStep = [&](int step) {
    if (step == 2) ctl.Cancel();
  };
  r = RunSaveRecords(job, ctl);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.report.nCopied, 2);
  EXPECT_EQ(r.report.nFailed, 0);
  const auto out = test::FolderContents(dir / "out/camera03");
  ASSERT_EQ(out.size(), 2u);
  for (const auto& [rel, content] : out) EXPECT_EQ(content, test::ReadFile(cam + "/" + rel)) << rel;
}

TEST_F(RecordJobs, RebuildSavesTheNewIndexAndCancelledLeavesTheOldOne) {
  const std::string cam = test::MakeCamera(dir, "a", {1, 2}, 100);
  {
    CRecordDB db;
    ASSERT_TRUE(db.Open(cam));  // index of the two records
  }
  test::MakeCamera(dir, "a", {3}, 100);
  const std::string oldIndex = test::ReadFile(cam + "/rdb.ndx");
  control.Cancel();
  EXPECT_FALSE(RunRebuild(cam, control));
  EXPECT_EQ(test::ReadFile(cam + "/rdb.ndx"), oldIndex);

  CWorkControl fresh(&status);
  EXPECT_TRUE(RunRebuild(cam, fresh));
  EXPECT_EQ(fresh.Progress().files, 3);  // the scan's count
  CRecordDB db;
  db.SetFolder(cam);
  ASSERT_TRUE(db.Load());
  EXPECT_NE(db.FindRecordAt(Utc(2008, 5, 10, 3, 0, 0)), nullptr);
  EXPECT_EQ(status.Progress().front(), "6:" + std::to_string(kIdsRebuildProgress));
}

TEST_F(RecordJobs, DeleteGoesFileByFileAndStopsWhenCancelled) {
  const std::string cam = test::MakeCamera(dir, "a", {1, 2, 3, 4}, 100);
  test::MakeCamera(dir, "a", {5}, 100, "2008-05-11");
  CRecordDB db;
  ASSERT_TRUE(db.Open(cam));
  EXPECT_TRUE(PlanDelete(db, Utc(2008, 5, 12, 1, 0, 0), true).empty());  // no such day
  EXPECT_EQ(PlanDelete(db, 0, false).size(), 5u);
  const std::vector<DeleteItem> day = PlanDelete(db, Utc(2008, 5, 10, 1, 0, 0), true);
  ASSERT_EQ(day.size(), 4u);
  EXPECT_EQ(day[0].path, cam + "/2008-05-10/010100000130000.avi");

  // One file is gone already: it counts, without a step of the status text.
  ::unlink(day[1].path.c_str());
  status.onStep = [&](int step) {
    if (step == 2) control.Cancel();
  };
  EXPECT_EQ(RunDelete(day, control), 3u);
  EXPECT_EQ(status.Progress(), (std::vector<std::string>{"6:" + std::to_string(kIdsDeleteProgress), "1:1", "3:0",
                                                         "3:0", "2:0"}));
  EXPECT_EQ(control.Progress().files, 3);
  EXPECT_EQ(control.Progress().totalBytes, 400u);
  for (size_t i = 0; i < day.size(); ++i) EXPECT_EQ(test::Exists(day[i].path), i == 3) << i;
  EXPECT_TRUE(test::Exists(cam + "/2008-05-11/010500000530000.avi"));
}

// Planning refuses the file-system root and system folders, saying so, and files a record's
// copy under its day's folder below the chosen folder made absolute.
TEST_F(RecordJobs, PlanRefusesSystemFoldersAndFilesUnderTheRecordsDay) {
  const std::string cam = test::MakeCamera(dir, "a", {1, 2}, 100);
  std::string picked;
  RecordListContext ctx;
  ctx.strIniPath = dir / "vantor.ini";
  ctx.pickFolder = [&](std::string& path, bool, const std::string&) {
    path = picked;
    return true;
  };
  CRecordList list;
  list.SetContext(ctx);
  ASSERT_EQ(list.OpenCamera(cam, nullptr), 1);
  const time32 t = Utc(2008, 5, 10, 2, 10, 0);
  for (const char* refused : {"/", "/etc", "/usr/share/x"}) {
    picked = refused;
    SaveRecordsJob save;
    CopyReport why;
    EXPECT_FALSE(PlanSaveRecords(list, t, false, 0, &save, &why)) << refused;
    EXPECT_NE(why.strRefused.find("refused: "), std::string::npos) << refused;
    EXPECT_EQ(CopyReportText(why, false), why.strRefused);
    BackupJob backup;
    CopyReport whyBackup;
    EXPECT_FALSE(PlanBackup(list, &backup, &whyBackup)) << refused;
    EXPECT_EQ(whyBackup.strRefused, why.strRefused);
  }
  picked = dir / "out";
  SaveRecordsJob save;
  CopyReport why;
  ASSERT_TRUE(PlanSaveRecords(list, t, false, 2, &save, &why)) << why.strRefused;
  EXPECT_EQ(save.dayFolder, dir / "out/camera03/2008-05-10");
  const RecordJobResult r = RunSaveRecords(save, control);
  EXPECT_EQ(r.report.nCopied, 1);
  EXPECT_EQ(CopyReportText(r.report, false), "Saved 1 record file to " + dir / "out");
}

}  // namespace
}  // namespace vt
