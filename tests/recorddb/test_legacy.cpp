// Data from a Windows recorder (stored Windows paths, moved folders, legacy code pages) and
// read-only review of evidence copies, through the core API.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "platform/codepage.h"
#include "platform/data_policy.h"
#include "platform/profile.h"
#include "rdb_fixture.h"
#include "recorddb/camera_config.h"
#include "recorddb/record_list.h"
#include "recorddb/record_path.h"
#include "snapshot/snapshot_settings.h"

namespace vt {
namespace {

using test::Utc;
namespace fs = std::filesystem;

// Every entry below root with its bytes, to prove that nothing was written, added or removed.
std::map<std::string, std::string> TreeBytes(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    files[e.path().string()] = e.is_regular_file() ? test::ReadFile(e.path().string()) : "<dir>";
  return files;
}

struct Cameras : ICameraList {
  std::vector<CameraEntry> rows;
  void ResetCameras() override { rows.clear(); }
  void AddCamera(int channel, const std::string& label, const std::string& folder) override {
    rows.push_back({channel, label, folder});
  }
  void SelectCamera(int) override {}
};

struct Selector : ICameraQuery {
  std::vector<CameraEntry> cameras;
  std::vector<CameraEntry> GetCameras() const override { return cameras; }
  int GetCurrentCamera() const override { return 0; }
};

class LegacyTest : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;
  test::FakeWindow wnd;
  std::string picked;
  Selector selector;

  void TearDown() override {
    SetReadOnlyData(false);
    SetLegacyCodePage("");
  }
  RecordListContext Context() {
    RecordListContext ctx;
    ctx.strIniPath = dir / "data/vantor.ini";
    ctx.pMainWnd = &wnd;
    ctx.pickFolder = [this](std::string& path, bool, const std::string&) {
      path = picked;
      return !picked.empty();
    };
    ctx.pCameras = &selector;
    return ctx;
  }
  int Records(const CRecordDB& db) {
    int n = 0;
    for (const auto& d : db.ListDays()) n += static_cast<int>(d.pDay->records.size());
    return n;
  }
};

TEST_F(LegacyTest, ResolveRecordPathFindsMovedAndWindowsPaths) {
  const std::string cam = dir / "cam";
  test::WriteFile(cam + "/2008-05-10/011020301120340.avi", "a");
  test::WriteFile(cam + "/2008-05-11/010800000900000.AVI", "b");
  test::WriteFile(cam + "/2008-05/2008-05-12/010800000900000.avi", "c");  // nested deeper
  test::WriteFile(cam + "/2009/05/2009-05-12/010800000900000.avi", "e");  // year and month folders
  test::WriteFile(cam + "/backup/2008-05-13/010800000900000.avi", "d");   // not a date folder
  test::WriteFile(cam + "/2008-05-10/2008-05-14/010800000900000.avi", "f");  // inside another day
  struct Case {
    std::string stored, expected;
  } cases[] = {
      {cam + "/2008-05-10/011020301120340.avi", cam + "/2008-05-10/011020301120340.avi"},
      {"D:\\rec\\ch01\\2008-05-10\\011020301120340.avi", cam + "/2008-05-10/011020301120340.avi"},
      {"D:/rec/ch01/2008-05-10/011020301120340.avi", cam + "/2008-05-10/011020301120340.avi"},
      {"/mnt/old/ch01/2008-05-11/010800000900000.avi", cam + "/2008-05-11/010800000900000.AVI"},
      {"E:\\REC\\CH01\\2008-05-12\\010800000900000.avi", cam + "/2008-05/2008-05-12/010800000900000.avi"},
      {"D:\\rec\\ch01\\2009-05-12\\010800000900000.avi", cam + "/2009/05/2009-05-12/010800000900000.avi"},
      {"D:\\rec\\ch01\\2008-05-13\\010800000900000.avi", ""},
      {"D:\\rec\\ch01\\2008-05-14\\010800000900000.avi", ""},
      {"D:\\rec\\ch01\\2008-05-10\\missing.avi", ""},
      {"x.avi", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveRecordPath(cam, c.stored), c.expected) << c.stored;
}

// Finders share folder listings within a process; a folder added or removed after a listing was
// kept is seen by the next look-up.
TEST_F(LegacyTest, MovedDaysAreFoundAfterTheCameraFolderChanges) {
  const std::string cam = dir / "cam";
  test::WriteFile(cam + "/2008-05-10/011020301120340.avi", "a");
  const std::string stored = "D:\\rec\\ch01\\2008-05-12\\010800000900000.avi";
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // old enough for its listing to be kept
  EXPECT_EQ(ResolveRecordPath(cam, stored), "");
  test::WriteFile(cam + "/2008-05/2008-05-12/010800000900000.avi", "c");
  EXPECT_EQ(ResolveRecordPath(cam, stored), cam + "/2008-05/2008-05-12/010800000900000.avi");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_NE(ResolveRecordPath(cam, stored), "");
  fs::rename(cam + "/2008-05", cam + "/old");
  EXPECT_EQ(ResolveRecordPath(cam, stored), "");
}

// Whatever form a stored path has, a load and a save write it back byte for byte.
TEST_F(LegacyTest, StoredPathFormsSurviveLoadAndSave) {
  const std::string cam = dir / "cam";
  fs::create_directories(cam);
  const std::string forms[] = {"D:\\rec\\ch01\\2008-05-10\\011020301120340.avi",
                               "\\rec\\ch01\\2008-05-10\\011120301220340.avi",
                               "rel\\cam2\\2008-05-10\\011220301320340.avi",
                               "\\\\server\\share\\2008-05-10\\011320301420340.avi",
                               cam + "/2008-05-10/011420301520340.avi"};
  CRecordDB built;
  built.NewEmpty();
  time32 t = Utc(2008, 5, 10, 10, 20, 30);
  for (const std::string& f : forms) {
    ASSERT_EQ(built.AddRecord(nullptr, test::Rec(t, t + 600, 6, f)), 1);
    t += 3600;
  }
  ASSERT_TRUE(CRecordDB::WriteIndexFile(cam + "/rdb.ndx", *built.GetIndex()));
  CRecordDB db;
  db.SetFolder(cam);
  ASSERT_TRUE(db.Load());
  ASSERT_TRUE(db.Save());
  CRecordDB again;
  again.SetFolder(cam);
  ASSERT_TRUE(again.Load());
  std::vector<std::string> stored;
  for (const auto& d : again.ListDays())
    for (const auto& r : d.pDay->records) stored.emplace_back(r.szFilePath);
  EXPECT_EQ(stored, std::vector<std::string>(std::begin(forms), std::end(forms)));
}

// A camera folder copied from a Windows recorder: its index holds D:\rec\ch01\... paths.
TEST_F(LegacyTest, CopiedWindowsCameraListsExportsAndDeletes) {
  const std::string src = dir / "orig";
  const char* names[] = {"011020301120340.avi", "011200001230001.avi", "010800000900000.avi"};
  const char* days[] = {"2008-05-10", "2008-05-10", "2008-05-11"};
  const time32 starts[] = {Utc(2008, 5, 10, 10, 20, 30), Utc(2008, 5, 10, 12, 0, 0), Utc(2008, 5, 11, 8, 0, 0)};
  CRecordDB built;
  built.NewEmpty();
  for (int i = 0; i < 3; ++i) {
    test::WriteFile(src + "/" + days[i] + "/" + names[i], "video" + std::to_string(i));
    const std::string stored = std::string("D:\\rec\\ch01\\") + days[i] + "\\" + names[i];
    ASSERT_EQ(built.AddRecord(nullptr, test::Rec(starts[i], starts[i] + 600, 6, stored)), 1);
  }
  ASSERT_TRUE(CRecordDB::WriteIndexFile(src + "/rdb.ndx", *built.GetIndex()));
  const std::string cam = dir / "copy/ch01";
  fs::create_directories(cam);
  fs::copy(src, cam, fs::copy_options::recursive);
  test::WriteFile(dir / "data/vantor.ini", "[Preference_ch01]\r\nsCameraName=Door\r\n");

  CRecordList list;
  list.SetContext(Context());
  ASSERT_EQ(list.OpenCamera(cam, nullptr), 1);
  ASSERT_TRUE(list.LastOpenSucceeded());
  EXPECT_EQ(Records(list.GetDB()), 3);  // the index was used, not a rebuild
  const RDB_RECORD* first = list.GetDB().FindRecordAt(starts[0]);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(list.ResolvePath(*first), cam + "/2008-05-10/011020301120340.avi");

  picked = dir / "out";
  CopyReport report;
  ASSERT_TRUE(list.SaveRecordsTo(starts[0], true, 0, &report));
  EXPECT_EQ(report.nCopied, 2);
  EXPECT_EQ(report.nFailed, 0);
  EXPECT_EQ(test::ReadFile(dir / "out/camera01/2008-05-10/011200001230001.avi"), "video1");

  CopyReport backup;
  selector.cameras = {{0, "C1:Door", cam}};
  ASSERT_TRUE(list.Backup(dir / "bak", &backup));
  EXPECT_EQ(backup.nCopied, 3);
  EXPECT_EQ(test::ReadFile(dir / "bak/camera01/2008-05-11/010800000900000.avi"), "video2");

  ASSERT_TRUE(list.Delete(starts[0], true, false));
  EXPECT_FALSE(test::Exists(cam + "/2008-05-10/011020301120340.avi"));
  ASSERT_TRUE(list.Delete(starts[2], true, true));
  EXPECT_FALSE(test::Exists(cam + "/2008-05-11/010800000900000.avi"));
  EXPECT_TRUE(test::Exists(src + "/2008-05-10/011020301120340.avi"));  // only the copy was touched
  ASSERT_TRUE(list.SaveIndex());
  // The written index keeps the recorder's form of the remaining path.
  const std::string bytes = test::ReadFile(cam + "/rdb.ndx");
  EXPECT_NE(bytes.find("D:\\rec\\ch01\\2008-05-10\\011200001230001.avi"), std::string::npos);
  EXPECT_EQ(bytes.find("D:/rec"), std::string::npos);
  EXPECT_EQ(list.DeleteAll(true, nullptr), 1);
  EXPECT_FALSE(test::Exists(cam + "/2008-05-10/011200001230001.avi"));
}

TEST_F(LegacyTest, LegacyCodePagesDecodeAndUtf8PassesUnchanged) {
  struct Case {
    std::string bytes, codePage, expected;
  } cases[] = {
      {"Cam\xE9" "ra entr\xE9" "e", "WINDOWS-1252", "Caméra entrée"},
      {"\xC3\xC5\xBF\xDA", "GBK", "门口"},
      {"\xC4\xE1\xBC\x76\xBE\xF7", "BIG5", "攝影機"},
      {"Caméra entrée", "GBK", "Caméra entrée"},  // valid UTF-8 is never re-decoded
      {"plain", "SHIFT_JIS", "plain"},
      {"\xC3\xC5\xBF", "GBK", "门\xEF\xBF\xBD"},  // a cut double-byte character
      {"\xED\xA0\x80", "WINDOWS-1252", "í\xC2\xA0\xE2\x82\xAC"},  // a UTF-8 surrogate is not UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeLegacyText(c.bytes, c.codePage), c.expected) << c.codePage;
  struct Lang {
    const char *language, *codePage;
  } langs[] = {{"English", "WINDOWS-1252"}, {"French", "WINDOWS-1252"}, {"Polish", "WINDOWS-1250"},
               {"Slovak", "WINDOWS-1250"},  {"Turkish", "WINDOWS-1254"}, {"Greek", "WINDOWS-1253"},
               {"SChinese", "GBK"},         {"TChinese", "BIG5"},        {"Japanese", "SHIFT_JIS"}};
  for (const auto& l : langs) {
    EXPECT_EQ(DefaultCodePageForLanguage(l.language), l.codePage);
    EXPECT_TRUE(IsKnownCodePage(l.codePage)) << l.codePage;
  }
  EXPECT_FALSE(SetLegacyCodePage("NO-SUCH-CODEPAGE"));
  EXPECT_EQ(GetLegacyCodePage(), "WINDOWS-1252");
}

TEST_F(LegacyTest, CameraNamesShownDecodedAndCopiedAsStored) {
  const std::string ini = dir / "data/vantor.ini";
  test::WriteFile(ini, "[Storage_ch01]\r\nsStoragePath=D:\\rec\\ch01\r\n[Preference_ch01]\r\nsCameraName=Cam\xE9" "ra entr\xE9" "e\r\n"
                       "[Storage_ch02]\r\nsStoragePath=D:\\rec\\ch02\r\n[Preference_ch02]\r\nsCameraName=Porte\r\n");
  Cameras cams;
  LoadMainCameras(ini, false, &cams);
  ASSERT_EQ(cams.rows.size(), 2u);
  EXPECT_EQ(cams.rows[0].strLabel, "C1:Caméra entrée");
  EXPECT_EQ(cams.rows[1].strLabel, "C2:Porte");

  fs::create_directories(dir / "out");
  ASSERT_TRUE(WriteCameraEntry(dir / "out", ini, 0));
  const std::string written = test::ReadFile(dir / "out/recorddb.ini");
  EXPECT_NE(written.find("sCameraName=Cam\xE9" "ra entr\xE9" "e"), std::string::npos);
  LoadCamerasFromFolder(dir / "out", &cams);
  ASSERT_EQ(cams.rows.size(), 1u);
  EXPECT_EQ(cams.rows[0].strLabel, "C1:Caméra entrée");

  // A storage folder named in the code page is found under its converted name as well.
  fs::create_directories(dir / "Entr\xC3\xA9" "e");
  test::WriteFile(ini, "[Storage_ch01]\r\nsStoragePath=" + dir / "Entr\xE9" "e\r\n");
  LoadMainCameras(ini, false, &cams);
  ASSERT_EQ(cams.rows.size(), 1u);
  EXPECT_EQ(cams.rows[0].strFolder, dir / "Entrée");
  fs::create_directories(dir / "Entr\xE9" "e");  // the original bytes win when they exist
  LoadMainCameras(ini, false, &cams);
  EXPECT_EQ(cams.rows[0].strFolder, dir / "Entr\xE9" "e");

  ASSERT_TRUE(SetLegacyCodePage("GBK"));
  test::WriteFile(ini, "[Storage_ch03]\r\nsStoragePath=/rec/ch03\r\n[Preference_ch03]\r\nsCameraName=\xC3\xC5\xBF\xDA\r\n");
  LoadMainCameras(ini, false, &cams);
  ASSERT_EQ(cams.rows.size(), 1u);
  EXPECT_EQ(cams.rows[0].strLabel, "C3:门口");
}

// Review mode on a folder without an index and with an empty and a reversed file: nothing in
// the data changes, the records are listed, exports into another folder still work.
TEST_F(LegacyTest, ReadOnlyLeavesEveryByteOfTheData) {
  const std::string cam = dir / "data/cam";
  test::WriteFile(cam + "/2008-05-10/011020301120340.avi", "aaaa");
  test::WriteFile(cam + "/2008-05-10/011200001230001.avi", "bbbbbb");
  test::WriteFile(cam + "/2008-05-10/011300001300000.avi", "equal span");
  test::WriteFile(cam + "/2008-05-11/010800000900000.avi", "");  // empty
  const std::string ini = dir / "data/vantor.ini";
  test::WriteFile(ini, "[Storage_ch01]\r\nsStoragePath=" + cam + "\r\n[Preference]\r\nfAutoPlay=1\r\n");
  const auto before = TreeBytes(dir / "data");

  SetReadOnlyData(true);
  {
    CRecordList list;
    list.SetContext(Context());
    ASSERT_EQ(list.OpenCamera(cam, nullptr), 1);
    ASSERT_TRUE(list.LastOpenSucceeded());
    EXPECT_EQ(list.WriteBlockedReason(), "read-only review mode");
    EXPECT_EQ(Records(list.GetDB()), 2);
    EXPECT_TRUE(list.GetDB().HasUnsavedChanges());  // rebuilt in memory only

    const time32 t = Utc(2008, 5, 10, 10, 20, 30);
    EXPECT_FALSE(list.Delete(t, true, false));
    EXPECT_FALSE(list.Delete(t, true, true));
    EXPECT_EQ(list.DeleteAll(true, nullptr), 0);
    EXPECT_EQ(list.RebuildAndSave(nullptr), 0);
    EXPECT_FALSE(list.SaveIndex());
    EXPECT_EQ(Records(list.GetDB()), 2);

    // Exports go elsewhere: not into the camera folder nor the data folder.
    ProtectDataFolder(dir / "data");
    CopyReport report;
    for (const std::string& inside : {cam, cam + "/export", dir / "data/out", dir / "other/../data/x/..", dir / "data/x/../../data"}) {
      picked = inside;
      EXPECT_FALSE(list.SaveRecordsTo(t, true, 0, &report)) << inside;
      EXPECT_FALSE(list.Backup(inside, &report)) << inside;
    }
    EXPECT_EQ(report.nCopied, 0);
    picked = dir / "out";
    ASSERT_TRUE(list.SaveRecordsTo(t, true, 0, &report));
    EXPECT_EQ(report.nCopied, 2);
    selector.cameras = {{0, "C1:x", cam}};
    ASSERT_TRUE(list.Backup(dir / "bak", &report));
    EXPECT_TRUE(test::Exists(dir / "bak/camera01/rdb.ndx"));
    EXPECT_EQ(test::ReadFile(dir / "bak/camera01/2008-05-10/011200001230001.avi"), "bbbbbb");

    CPlayerSettings settings;
    settings.Load(ini, "", dir / "data");
    settings.m_bAutoPlay = 0;
    EXPECT_FALSE(settings.SaveAutoPlay());
    CSnapshotSettings snap;
    EXPECT_FALSE(snap.Save(ini));
  }  // the record list's destructor does not write the rebuilt index either
  EXPECT_EQ(TreeBytes(dir / "data"), before);

  SetReadOnlyData(false);
  CRecordDB db;
  ASSERT_TRUE(db.Open(cam));
  EXPECT_TRUE(test::Exists(cam + "/rdb.ndx"));
  EXPECT_FALSE(test::Exists(cam + "/2008-05-11/010800000900000.avi"));
}

TEST_F(LegacyTest, UnwritableCameraFolderIsOpenedAndReported) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes any folder";
  const std::string cam = dir / "data/cam";
  test::WriteFile(cam + "/2008-05-10/011020301120340.avi", "aaaa");
  ::chmod(cam.c_str(), 0555);
  CRecordList list;
  list.SetContext(Context());
  EXPECT_EQ(list.OpenCamera(cam, nullptr), 1);
  EXPECT_EQ(Records(list.GetDB()), 1);
  EXPECT_EQ(list.WriteBlockedReason(), "folder is not writable: " + cam);
  EXPECT_EQ(DataWriteBlockedReason(cam), "folder is not writable: " + cam);
  EXPECT_FALSE(IsFolderWritable(cam));
  EXPECT_TRUE(IsFolderWritable(dir.path()));
  ::chmod(cam.c_str(), 0755);
}

}  // namespace
}  // namespace vt
