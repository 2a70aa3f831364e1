#include <gtest/gtest.h>

#include "platform/data_policy.h"
#include "platform/profile.h"
#include "rdb_fixture.h"
#include "recorddb/rdb_texts.h"
#include "recorddb/record_list.h"

namespace vt {
namespace {

using test::Utc;

struct FakeRecorder : IRecorderLink {
  RecorderWindow window = RecorderWindow::kNone;
  bool takes = true;  // false: a recorder that is stopped or busy
  std::vector<test::FakeWindow::Msg> posted;
  RecorderWindow FindRecorder() override { return window; }
  bool Post(uint32_t msg, WPARAM w, LPARAM l) override {
    if (window == RecorderWindow::kNone || !takes) return false;
    posted.push_back({msg, w, l});
    return true;
  }
};

struct FakeSelector : ICameraQuery {
  std::vector<CameraEntry> cameras;
  int current = 0;
  std::vector<CameraEntry> GetCameras() const override { return cameras; }
  int GetCurrentCamera() const override { return current; }
};

class MaintenanceTest : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;
  test::FakeWindow wnd;
  FakeSelector selector;
  std::string picked;  // folder the picker answers with; empty = cancel
  int picks = 0;
  std::unique_ptr<CRecordList> list = std::make_unique<CRecordList>();

  // Camera folder cam with records "2008-05-10/0110hh00..." of the given hours.
  std::string MakeCamera(const std::string& name, const std::vector<int>& hours, const std::string& day = "2008-05-10") {
    for (int h : hours) {
      char file[32];
      std::snprintf(file, sizeof file, "01%02d0000%02d30000.avi", h, h);
      test::WriteFile(dir / (name + "/" + day + "/" + file), "video-" + name + std::to_string(h));
    }
    return dir / name;
  }
  void SetUp() override {
    test::WriteFile(dir / "vantor.ini", "[Preference_ch03]\r\nsCameraName=Gate\r\n");
    RecordListContext ctx;
    ctx.strIniPath = dir / "vantor.ini";
    ctx.pMainWnd = &wnd;
    ctx.pickFolder = [this](std::string& path, bool, const std::string&) {
      ++picks;
      if (picked.empty()) return false;
      path = picked;
      return true;
    };
    ctx.pCameras = &selector;
    list->SetContext(ctx);
  }
};

TEST_F(MaintenanceTest, SaveDayShowsPercentAndCopiesFiles) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1, 2, 3, 4}), nullptr), 1);
  picked = dir / "out";
  wnd.sent.clear();
  CopyReport report;
  ASSERT_TRUE(list->SaveRecordsTo(Utc(2008, 5, 10, 1, 0, 0), true, 2, &report));
  EXPECT_EQ(wnd.Progress(), (std::vector<std::string>{"6:" + std::to_string(kIdsSaveProgress), "1:4", "3:0", "3:1",
                                                      "3:2", "3:3", "2:0"}));
  EXPECT_EQ(report.nCopied, 4);
  EXPECT_EQ(report.nFailed, 0);
  EXPECT_EQ(test::ReadFile(dir / "out/camera03/2008-05-10/010100000130000.avi"), "video-cam1");
  EXPECT_EQ(GetProfileString(dir / "out/recorddb.ini", "Storage_ch03", "sStoragePath", ""), "\\camera03");
  EXPECT_EQ(GetProfileString(dir / "out/recorddb.ini", "Preference_ch03", "sCameraName", ""), "Gate");
  // The browsed database keeps its own paths.
  EXPECT_EQ(std::string(list->GetDB().GetIndex()->years[0].months[0].days[0].records[0].szFilePath),
            dir / "cam/2008-05-10/010100000130000.avi");
  EXPECT_FALSE(test::Exists(dir / "out/camera03/rdb.ndx"));
}

TEST_F(MaintenanceTest, SaveRecordCancelledOrMissingOrFailed) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1}), nullptr), 1);
  EXPECT_FALSE(list->SaveRecordsTo(Utc(2008, 5, 10, 1, 0, 0), false, 0));  // picker cancelled
  EXPECT_FALSE(list->SaveRecordsTo(Utc(2008, 5, 10, 9, 0, 0), false, 0));  // no record there
  EXPECT_EQ(picks, 1);
  picked = dir / "out";
  ::unlink((dir / "cam/2008-05-10/010100000130000.avi").c_str());
  CopyReport report;
  EXPECT_TRUE(list->SaveRecordsTo(Utc(2008, 5, 10, 1, 0, 0), false, 0, &report));
  EXPECT_EQ(report.nFailed, 1);
  EXPECT_EQ(report.strFirstFailed, dir / "cam/2008-05-10/010100000130000.avi");
  EXPECT_FALSE(test::Exists(dir / "out/camera01/2008-05-10/010100000130000.avi"));
  EXPECT_FALSE(test::Exists(dir / "out/camera01/2008-05-10/.part-010100000130000.avi"));
}

TEST_F(MaintenanceTest, BackupListsOnlyCompleteCopies) {
  selector.cameras = {{0, "C1:A", MakeCamera("a", {1, 2})}, {2, "C3:Gate", MakeCamera("c", {5}, "2008-06-01")}};
  selector.current = 1;
  // Index camera a, then lose one of its files: the copy fails.
  ASSERT_EQ(list->OpenCamera(selector.cameras[0].strFolder, nullptr), 1);
  ::unlink((dir / "a/2008-05-10/010200000230000.avi").c_str());
  wnd.sent.clear();
  CopyReport report;
  ASSERT_TRUE(list->Backup(dir / "bak", &report));
  EXPECT_EQ(report.nCopied, 2);
  EXPECT_EQ(report.nFailed, 1);
  EXPECT_EQ(report.strFirstFailed, dir / "a/2008-05-10/010200000230000.avi");

  CRecordDB a;
  a.SetFolder(dir / "bak/camera01");
  ASSERT_TRUE(a.Load());
  auto days = a.ListDays();
  ASSERT_EQ(days.size(), 1u);
  ASSERT_EQ(days[0].pDay->records.size(), 1u);
  EXPECT_EQ(std::string(days[0].pDay->records[0].szFilePath), dir / "bak/camera01/2008-05-10/010100000130000.avi");
  EXPECT_EQ(a.GetIndex()->header.tEnd, Utc(2008, 5, 10, 1, 30, 0));
  EXPECT_EQ(a.GetIndex()->header.qwSize, days[0].pDay->records[0].qwSize);

  CRecordDB c;
  c.SetFolder(dir / "bak/camera03");
  ASSERT_TRUE(c.Load());
  ASSERT_NE(c.FindRecordAt(Utc(2008, 6, 1, 5, 0, 0)), nullptr);
  EXPECT_EQ(test::ReadFile(c.FindRecordAt(Utc(2008, 6, 1, 5, 0, 0))->szFilePath), "video-c5");

  EXPECT_EQ(GetProfileString(dir / "bak/recorddb.ini", "Storage_ch01", "sStoragePath", ""), "\\camera01");
  EXPECT_EQ(GetProfileString(dir / "bak/recorddb.ini", "Storage_ch03", "sStoragePath", ""), "\\camera03");
  auto progress = wnd.Progress();
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(progress[0], "6:" + std::to_string(kIdsBackupProgress));
  EXPECT_EQ(progress.back(), "2:0");
  // The previously current camera is opened again afterwards.
  ASSERT_EQ(wnd.posted.size(), 1u);
  EXPECT_EQ(wnd.posted[0].msg, kMsgOpenCamera);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(wnd.posted[0].w)), dir / "c");
  EXPECT_EQ(wnd.posted[0].l, 2);
}

TEST_F(MaintenanceTest, BackupSkipsACameraThatCannotBeOpened) {
  const std::string blocked = dir / "blocked";
  test::WriteFile(blocked, "a file, not a folder");
  selector.cameras = {{0, "C1:A", MakeCamera("a", {1})}, {1, "C2:B", blocked}};
  ASSERT_TRUE(list->Backup(dir / "bak", nullptr));
  EXPECT_TRUE(test::Exists(dir / "bak/camera01/rdb.ndx"));
  EXPECT_FALSE(test::Exists(dir / "bak/camera02"));
}

TEST_F(MaintenanceTest, DeleteRecordDayAndAllWithNotifications) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1, 2}), nullptr), 1);
  MakeCamera("cam", {7, 8}, "2008-05-11");
  test::FakeTree tree;
  list->RebuildAndSave(&tree);
  ASSERT_EQ(tree.days.size(), 2u);

  FakeRecorder recorder;
  ASSERT_TRUE(list->Delete(Utc(2008, 5, 10, 1, 0, 0), true, false));
  EXPECT_FALSE(test::Exists(dir / "cam/2008-05-10/010100000130000.avi"));
  EXPECT_EQ(list->NotifyDeleted(&recorder, recorder.FindRecorder(), kMsgRecordDeleted, Utc(2008, 5, 10, 1, 0, 0), 2),
            DeleteNotice::kIndexSaved);
  EXPECT_TRUE(recorder.posted.empty());

  wnd.sent.clear();
  ASSERT_TRUE(list->Delete(Utc(2008, 5, 11, 7, 0, 0), true, true));
  EXPECT_EQ(wnd.Progress(), (std::vector<std::string>{"6:" + std::to_string(kIdsDeleteProgress), "1:1", "3:0", "3:0", "2:0"}));
  EXPECT_FALSE(test::Exists(dir / "cam/2008-05-11/010700000730000.avi"));
  recorder.window = RecorderWindow::kRecorder;
  EXPECT_EQ(list->NotifyDeleted(&recorder, recorder.FindRecorder(), kMsgDayDeleted, Utc(2008, 5, 11, 7, 0, 0), 2),
            DeleteNotice::kRecorderTold);
  ASSERT_EQ(recorder.posted.size(), 1u);
  EXPECT_EQ(recorder.posted[0].msg, kMsgDayDeleted);
  EXPECT_EQ(recorder.posted[0].w, static_cast<WPARAM>(Utc(2008, 5, 11, 7, 0, 0)));
  EXPECT_EQ(recorder.posted[0].l, 3 << 16);

  // Delete all with the recorder running: the index file is gone until someone saves.
  EXPECT_EQ(list->DeleteAll(true, &tree), 1);
  EXPECT_TRUE(tree.days.empty());
  EXPECT_FALSE(test::Exists(dir / "cam/rdb.ndx"));
  EXPECT_FALSE(test::Exists(dir / "cam/2008-05-10/010200000230000.avi"));
  EXPECT_TRUE(test::Exists(dir / "cam/2008-05-10"));
  recorder.window = RecorderWindow::kNone;
  EXPECT_EQ(list->NotifyDeleted(&recorder, recorder.FindRecorder(), kMsgAllDeleted, 0, 2), DeleteNotice::kIndexSaved);
  EXPECT_EQ(test::ReadFile(dir / "cam/rdb.ndx").size(), 56u);
}

TEST_F(MaintenanceTest, RecorderThatMissesTheDeletionLeavesTheIndexSavedHere) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1, 2}), nullptr), 1);
  const std::string before = test::ReadFile(dir / "cam/rdb.ndx");
  ASSERT_TRUE(list->Delete(Utc(2008, 5, 10, 1, 0, 0), true, false));
  FakeRecorder recorder;
  recorder.window = RecorderWindow::kRecorder;
  recorder.takes = false;
  EXPECT_EQ(list->NotifyDeleted(&recorder, RecorderWindow::kRecorder, kMsgRecordDeleted, Utc(2008, 5, 10, 1, 0, 0), 2),
            DeleteNotice::kRecorderMissed);
  EXPECT_NE(test::ReadFile(dir / "cam/rdb.ndx"), before) << "the deletion reached the index on disk";
}

TEST_F(MaintenanceTest, OpenCameraKeepsPreviousRecordsWhenTheIndexCannotBeMade) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1}), nullptr), 1);
  EXPECT_EQ(list->OpenCamera("", nullptr), 0);  // picker cancelled
  const std::string blocked = dir / "blocked";
  test::WriteFile(blocked, "x");
  EXPECT_EQ(list->OpenCamera(blocked + "/sub", nullptr), 0);  // folder cannot be made
  EXPECT_EQ(list->GetDB().GetFolder(), dir / "cam");
  EXPECT_NE(list->GetDB().GetIndex(), nullptr);
}

TEST_F(MaintenanceTest, DestructionWritesTheIndexBack) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1, 2}), nullptr), 1);
  ASSERT_TRUE(list->Delete(Utc(2008, 5, 10, 1, 0, 0), false, false));
  list.reset();
  CRecordDB db;
  db.SetFolder(dir / "cam");
  ASSERT_TRUE(db.Load());
  EXPECT_EQ(db.FindRecordAt(Utc(2008, 5, 10, 1, 0, 0)), nullptr);
  EXPECT_NE(db.FindRecordAt(Utc(2008, 5, 10, 2, 0, 0)), nullptr);
  EXPECT_EQ(db.GetIndex()->header.bModified, 1u);  // stored as held when written
}

TEST_F(MaintenanceTest, UnchangedIndexIsNotWrittenOverTheRecordersNewerOne) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1}), nullptr), 1);
  // The recorder writes a newer index while the player only browses.
  CRecordDB recorder;
  ASSERT_TRUE(recorder.Open(dir / "cam"));
  ASSERT_EQ(recorder.AddRecord(nullptr, test::Rec(Utc(2008, 5, 10, 9, 0, 0), Utc(2008, 5, 10, 9, 30, 0))), 1);
  ASSERT_TRUE(recorder.Save());
  const std::string newer = test::ReadFile(dir / "cam/rdb.ndx");
  list.reset();
  EXPECT_EQ(test::ReadFile(dir / "cam/rdb.ndx"), newer);
}

TEST_F(MaintenanceTest, UpdateRereadsTheIndexAndFallsBackToARebuild) {
  ASSERT_EQ(list->OpenCamera(MakeCamera("cam", {1}), nullptr), 1);
  // The recorder has written a newer index meanwhile.
  CRecordDB recorder;
  ASSERT_TRUE(recorder.Open(dir / "cam"));
  ASSERT_EQ(recorder.AddRecord(nullptr, test::Rec(Utc(2008, 5, 10, 9, 0, 0), Utc(2008, 5, 10, 9, 30, 0))), 1);
  ASSERT_TRUE(recorder.Save());
  test::FakeTree tree;
  EXPECT_EQ(list->Update(&tree), 1);
  ASSERT_EQ(tree.days.size(), 1u);
  EXPECT_EQ(tree.days[0].records.size(), 2u);
  // An unreadable index: rebuilt from the folder (not saved by Update).
  test::WriteFile(dir / "cam/rdb.ndx", "garbage");
  EXPECT_EQ(list->Update(&tree), 1);
  ASSERT_EQ(tree.days.size(), 1u);
  EXPECT_EQ(tree.days[0].records.size(), 1u);
  EXPECT_EQ(test::ReadFile(dir / "cam/rdb.ndx"), "garbage");
}

TEST(DayFolderName, FormatsTheDate) {
  EXPECT_EQ(CRecordDB::DayFolderName("/out/camera01", 2008, 5, 10), "/out/camera01/2008-05-10");
}

TEST(ExportTexts, DestinationRefusalsAndReports) {
  struct Case {
    const char* folder;
    bool refused;
  } cases[] = {{"/", true},         {"/etc", true},       {"/usr/share/out", true}, {"/proc/self", true},
               {"/home", true},     {"/media", true},     {"/run", true},           {"/media/usb/out", false},
               {"/run/media/x", false}, {"/home/user/export", false}, {"/tmp/out", false}};
  for (const auto& c : cases) EXPECT_EQ(!ExportDestinationRefusal(c.folder).empty(), c.refused) << c.folder;

  CopyReport save;
  save.strDestination = "/media/usb";
  save.nCopied = 4;
  EXPECT_EQ(CopyReportText(save, false), "Saved 4 record files to /media/usb");
  CopyReport backup;
  backup.strDestination = "/media/usb";
  backup.nCopied = 1;
  backup.nCameras = 1;
  backup.Fail("/cam/x.avi", "gone");
  backup.nIndexFailed = 1;
  EXPECT_EQ(CopyReportText(backup, true),
            "Backed up 1 record file of 1 camera to /media/usb; 1 could not be copied; 1 index file(s) could not be written");
  backup.strRefused = "refused: / is the root of the file system";
  EXPECT_EQ(CopyReportText(backup, true), backup.strRefused);
}

TEST(DeleteQuestions, NameCameraAndTime) {
  test::ScopedTz tz("UTC0");
  const time32 t = Utc(2008, 5, 10, 10, 20, 30);
  EXPECT_EQ(DeleteRecordQuestion("C3:Gate", t, false),
            "Delete the recording of camera C3:Gate that starts at 2008-05-10 10:20:30, with its file?");
  EXPECT_EQ(DeleteRecordQuestion("C3:Gate", t, true), "Delete every recording of camera C3:Gate on 2008-05-10, with its files?");
  EXPECT_EQ(DeleteAllQuestion("Are you sure to delete all records?", "C3:Gate"),
            "Are you sure to delete all records?\n\nCamera C3:Gate");
}

}  // namespace
}  // namespace vt
