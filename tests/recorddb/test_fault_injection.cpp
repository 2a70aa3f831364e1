// Hostile files and hostile timing against the record database, with real processes: copied
// camera folders, index entries that name files elsewhere, FIFOs and planted links, an index
// held by another process, two writers at once, writers killed half way, a full disk. After
// each, nothing outside the camera folder was touched and the index lists a record exactly when
// its file exists.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "common/child_process.h"
#include "common/program.h"
#include "rdb_fixture.h"
#include "recorddb/folder_scan.h"
#include "recorddb/record_db.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class FaultTest : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;
  const std::string scratch = dir / ".runs";

  void SetUp() override { fs::create_directories(scratch); }

  test::ProgramResult Vtdb(std::vector<std::string> args, const test::ProgramOptions& o = {}) {
    args.insert(args.begin(), VTDB_PATH);
    return test::RunProgram(args, scratch, o);
  }
  // Starts vtdb in the background (killed or waited for by the caller).
  void StartVtdb(test::Program* p, std::vector<std::string> args) {
    args.insert(args.begin(), VTDB_PATH);
    static int n = 0;
    const std::string base = scratch + "/bg" + std::to_string(n++);
    ASSERT_TRUE(p->Start(args, base + ".out", base + ".err"));
  }

  static std::string RecordName(int second, int length, int kind = 0) {
    const int e = second + length;
    char name[40];
    std::snprintf(name, sizeof name, "01%02d%02d%02d%02d%02d%02d%d.avi", second / 3600, second / 60 % 60, second % 60,
                  e / 3600, e / 60 % 60, e % 60, kind);
    return name;
  }
  // perDay records a day from 2008-05-10 on, each file holding its own path and tag.
  void MakeCamera(const std::string& cam, int days, int perDay, const std::string& tag = "") {
    const int spacing = 86000 / perDay;
    for (int d = 0; d < days; ++d) {
      char day[16];
      std::snprintf(day, sizeof day, "2008-05-%02d", 10 + d);
      fs::create_directories(cam + "/" + day);
      for (int i = 0; i < perDay; ++i) {
        const std::string path = cam + "/" + day + "/" + RecordName(i * spacing, spacing / 2);
        std::ofstream(path, std::ios::binary) << tag << path;
      }
    }
  }
  static time32 Start(int day, int index, int perDay) { return test::Utc(2008, 5, 10 + day, 0, 0, 0) + index * (86000 / perDay); }
  static std::string TimeArg(time32 t) { return std::to_string(t); }

  // Record files on disk: regular files in date folders whose names parse as records.
  static std::set<std::string> FilesOnDisk(const std::string& cam) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(cam)) {
      if (!fs::is_regular_file(fs::symlink_status(e.path()))) continue;
      RecordNameFields f;
      int y, m, d;
      if (ParseRecordFileName(e.path().filename().string(), &f) &&
          ParseDateFolderName(e.path().parent_path().filename().string(), &y, &m, &d))
        out.insert(e.path().string());
    }
    return out;
  }
  // The index lists a record exactly when its file exists.
  static void ExpectConsistent(const std::string& cam, const std::string& when) {
    CRecordDB db;
    db.SetFolder(cam);
    ASSERT_TRUE(db.Load()) << when << ": the index can be read";
    std::set<std::string> listed;
    for (const auto& d : db.ListDays())
      for (const auto& r : d.pDay->records) {
        const std::string file = db.ResolvePath(r);
        EXPECT_FALSE(file.empty()) << when << ": listed without a file: " << r.szFilePath;
        listed.insert(file);
      }
    EXPECT_EQ(listed, FilesOnDisk(cam)) << when;
  }
};

TEST_F(FaultTest, CopiedCameraFolderOnlyEverTouchesItself) {
  const std::string a = dir / "A/cam", b = dir / "B/cam";
  MakeCamera(a, 2, 3, "A:");
  ASSERT_EQ(Vtdb({"rebuild", a}).rc, 0);
  fs::create_directories(dir / "B");
  fs::copy(a, b, fs::copy_options::recursive);
  for (const std::string& f : FilesOnDisk(b)) std::ofstream(f, std::ios::binary) << "B's copy";
  const std::string indexA = test::ReadFile(a + "/rdb.ndx");
  const auto filesA = FilesOnDisk(a);

  const test::ProgramResult del = Vtdb({"delete", b, "--record", TimeArg(Start(0, 1, 3))});
  ASSERT_EQ(del.rc, 0) << del.err;
  EXPECT_EQ(FilesOnDisk(a), filesA) << "A's file stays";
  EXPECT_EQ(test::ReadFile(a + "/rdb.ndx"), indexA) << "A's index stays";
  EXPECT_EQ(FilesOnDisk(b).size(), filesA.size() - 1) << "B's file went";
  ExpectConsistent(b, "after deleting in the copy");

  test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=" + b + "\r\n");
  const test::ProgramResult save =
      Vtdb({"save-to", b, "--day", "2008-05-10", "--channel", "1", "--dest", dir / "out", "--ini", dir / "vantor.ini"});
  ASSERT_EQ(save.rc, 0) << save.err;
  for (const auto& e : fs::recursive_directory_iterator(dir / "out")) {
    if (e.is_regular_file() && e.path().extension() == ".avi") {
      EXPECT_EQ(test::ReadFile(e.path()), "B's copy");
    }
  }
  const test::ProgramResult list = Vtdb({"list", b});
  EXPECT_EQ(list.out.find(dir / "A"), std::string::npos) << list.out;
}

TEST_F(FaultTest, IndexEntriesOutsideTheFolderAreNeverCopiedNorDeleted) {
  const std::string cam = dir / "cam";
  MakeCamera(cam, 1, 1);
  test::WriteFile(dir / "elsewhere/2008-05-10/010100000130000.avi", "secret");
  ::chmod((dir / "elsewhere/2008-05-10/010100000130000.avi").c_str(), 0600);
  test::WriteFile(dir / "other/shadow", "secret");
  ASSERT_EQ(::mkfifo((cam + "/2008-05-10/010200000230000.avi").c_str(), 0644), 0);
  const std::string good = *FilesOnDisk(cam).begin();
  CRecordDB built;
  built.NewEmpty();
  const time32 day = test::Utc(2008, 5, 10, 0, 0, 0);
  const std::pair<int, std::string> entries[] = {
      {0, good},
      {3600, dir / "elsewhere/2008-05-10/010100000130000.avi"},  // another folder's file
      {7200, cam + "/2008-05-10/010200000230000.avi"},            // a FIFO
      {10800, "/dev/zero"},
      {14400, dir / "other/shadow"},
  };
  for (const auto& [offset, path] : entries)
    ASSERT_EQ(built.AddRecord(nullptr, test::Rec(day + offset, day + offset + 1800, 100, path)), 1);
  ASSERT_TRUE(CRecordDB::WriteIndexFile(cam + "/rdb.ndx", *built.GetIndex()));
  test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=" + cam + "\r\n");

  test::ProgramOptions quick;
  quick.timeout = 20s;
  const test::ProgramResult save =
      Vtdb({"save-to", cam, "--day", "2008-05-10", "--channel", "1", "--dest", dir / "out", "--ini", dir / "vantor.ini"},
           quick);
  EXPECT_FALSE(save.timedOut);
  EXPECT_EQ(save.rc, 1) << "four of five copies are refused and reported";
  EXPECT_NE(save.err.find("4 file(s) could not be copied"), std::string::npos) << save.err;
  const test::ProgramResult backup = Vtdb({"backup", "--ini", dir / "vantor.ini", "--dest", dir / "bak"}, quick);
  EXPECT_FALSE(backup.timedOut);
  EXPECT_EQ(backup.rc, 1);
  for (const std::string& root : {dir / "out", dir / "bak"}) {
    size_t copies = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      if (!e.is_regular_file() || e.path().extension() != ".avi") continue;
      ++copies;
      EXPECT_NE(test::ReadFile(e.path()), "secret") << e.path();
    }
    EXPECT_EQ(copies, 1u) << root;
  }

  const test::ProgramResult del = Vtdb({"delete", cam, "--all"}, quick);
  EXPECT_EQ(del.rc, 0) << del.err;
  EXPECT_EQ(test::ReadFile(dir / "elsewhere/2008-05-10/010100000130000.avi"), "secret");
  EXPECT_EQ(test::ReadFile(dir / "other/shadow"), "secret");
  EXPECT_FALSE(test::Exists(good));
}

TEST_F(FaultTest, FifosAndFoldersInPlaceOfFilesNeverBlock) {
  const std::string cam = dir / "cam";
  MakeCamera(cam, 1, 3);
  ASSERT_EQ(::mkfifo((cam + "/rdb.ndx").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo((cam + "/2008-05-10/012000002100000.avi").c_str(), 0644), 0);
  fs::create_directory(cam + "/2008-05-10/013000003100000.avi");
  test::ProgramOptions quick;
  quick.timeout = 20s;
  const test::ProgramResult list = Vtdb({"list", cam}, quick);
  EXPECT_FALSE(list.timedOut) << "a FIFO index is unreadable, not waited on";
  EXPECT_EQ(list.rc, 0) << list.err;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 4) << list.out;  // day + 3 records
  struct stat st {};
  ASSERT_EQ(::lstat((cam + "/rdb.ndx").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode)) << "the rebuilt index took the FIFO's place";
  EXPECT_TRUE(fs::is_fifo(cam + "/2008-05-10/012000002100000.avi")) << "not ours to delete";
  ExpectConsistent(cam, "after the rebuild");
}

TEST_F(FaultTest, PlantedLinksAreNeverWrittenThrough) {
  const std::string cam = dir / "cam";
  MakeCamera(cam, 1, 2);
  test::WriteFile(dir / "victim", "victim");
  ASSERT_EQ(::symlink((dir / "victim").c_str(), (cam + "/rdb.ndx1").c_str()), 0);
  ASSERT_EQ(Vtdb({"rebuild", cam}).rc, 0);
  const std::string name = fs::path(*FilesOnDisk(cam).begin()).filename().string();
  fs::create_directories(dir / "out/camera01/2008-05-10");
  ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / ("out/camera01/2008-05-10/.part-" + name)).c_str()), 0);
  ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "out/recorddb.ini.vtnew").c_str()), 0);
  test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=" + cam + "\r\n");
  const test::ProgramResult save =
      Vtdb({"save-to", cam, "--day", "2008-05-10", "--channel", "1", "--dest", dir / "out", "--ini", dir / "vantor.ini"});
  EXPECT_EQ(save.rc, 0) << save.err;
  EXPECT_EQ(test::ReadFile(dir / "victim"), "victim");
  EXPECT_TRUE(test::Exists(dir / ("out/camera01/2008-05-10/" + name)));
  ExpectConsistent(cam, "after the rebuild");
}

TEST_F(FaultTest, IndexHeldByAnotherProcessIsNeverReplaced) {
  const std::string cam = dir / "cam";
  MakeCamera(cam, 2, 3);
  ASSERT_EQ(Vtdb({"rebuild", cam}).rc, 0);
  const std::string index = test::ReadFile(cam + "/rdb.ndx");
  struct stat before {};
  ::stat((cam + "/rdb.ndx").c_str(), &before);
#ifdef VTRECORDER_PATH
  test::Program recorder;
  ASSERT_TRUE(recorder.Start({VTRECORDER_PATH, "--hold", cam + "/rdb.ndx"}, scratch + "/rec.out", scratch + "/rec.err"));
  for (int i = 0; i < 500 && test::ReadWhole(scratch + "/rec.out").find("holding") == std::string::npos; ++i)
    std::this_thread::sleep_for(10ms);
#else
  test::LockHolder recorder(cam + "/rdb.ndx");
#endif
  const auto files = FilesOnDisk(cam);
  const test::ProgramResult list = Vtdb({"list", cam});
  EXPECT_EQ(list.rc, 0) << list.err;
  EXPECT_NE(list.err.find("held by another process"), std::string::npos) << list.err;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 8);
  EXPECT_TRUE(test::Exists(cam + "/rdb.ndx1")) << "the new index waits beside the held one";
  const test::ProgramResult del = Vtdb({"delete", cam, "--record", TimeArg(Start(0, 0, 3))});
  EXPECT_EQ(del.rc, 1);
  EXPECT_EQ(Vtdb({"rebuild", cam}).rc, 1);
  EXPECT_EQ(FilesOnDisk(cam), files) << "nothing was deleted";
  struct stat after {};
  ::stat((cam + "/rdb.ndx").c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the holder's file was not renamed over";
  EXPECT_EQ(test::ReadFile(cam + "/rdb.ndx"), index);
}

TEST_F(FaultTest, TwoWritersOverManyRounds) {
  const std::string cam = dir / "cam";
  constexpr int kPerDay = 40, kRounds = 40;
  MakeCamera(cam, 2, kPerDay);
  ASSERT_EQ(Vtdb({"rebuild", cam}).rc, 0);
  int deletes = 0;
  for (int round = 0; round < kRounds; ++round) {
    // One process deletes a record of day 1 while the other deletes one of day 2 or rebuilds.
    test::Program p1, p2;
    StartVtdb(&p1, {"delete", cam, "--record", TimeArg(Start(0, round, kPerDay))});
    if (round % 3 == 2) {
      StartVtdb(&p2, {"rebuild", cam});
    } else {
      StartVtdb(&p2, {"delete", cam, "--record", TimeArg(Start(1, round, kPerDay))});
      ++deletes;
    }
    ++deletes;
    EXPECT_EQ(p1.Wait(30s), 0) << "round " << round;
    EXPECT_EQ(p2.Wait(30s), 0) << "round " << round;
  }
  ExpectConsistent(cam, "after the rounds");
  EXPECT_EQ(FilesOnDisk(cam).size(), static_cast<size_t>(2 * kPerDay - deletes));
}

TEST_F(FaultTest, ConcurrentReadersNeverRebuild) {
  const std::string cam = dir / "cam";
  MakeCamera(cam, 2, 300);
  ASSERT_EQ(Vtdb({"rebuild", cam}).rc, 0);
  struct stat before {};
  ::stat((cam + "/rdb.ndx").c_str(), &before);
  for (int round = 0; round < 10; ++round) {
    test::Program p1, p2;
    StartVtdb(&p1, {"list", cam});
    StartVtdb(&p2, {"list", "--json", cam});
    EXPECT_EQ(p1.Wait(30s), 0);
    EXPECT_EQ(p2.Wait(30s), 0);
  }
  struct stat after {};
  ::stat((cam + "/rdb.ndx").c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino) << "no reader rewrote the index";
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST_F(FaultTest, WritersKilledHalfWayLoseNothing) {
  const std::string cam = dir / "cam";
  constexpr int kDays = 8, kPerDay = 600;
  MakeCamera(cam, kDays, kPerDay);
  ASSERT_EQ(Vtdb({"rebuild", cam}).rc, 0);
  // Kill a day's delete, a rebuild and a record's delete at growing delays; each time the next
  // program to open the folder finds it consistent, and no file of another day went.
  const std::chrono::microseconds delays[] = {0us, 500us, 2ms, 5ms, 10ms, 20ms, 40ms};
  int round = 0;
  for (const auto delay : delays) {
    const int day = round++ % kDays;
    const std::string dayFolder = "/" + RdbDayText(2008, 5, 10 + day) + "/";
    const int next = (day + 1) % kDays, spacing = 86000 / kPerDay;
    const std::string record = cam + "/" + RdbDayText(2008, 5, 10 + next) + "/" + RecordName(7 * spacing, spacing / 2);
    struct Run {
      std::vector<std::string> args;
      std::function<bool(const std::string&)> mayGo;  // files this program may delete
    } runs[] = {
        {{"delete", cam, "--day", TimeArg(Start(day, 0, kPerDay))},
         [&](const std::string& f) { return f.find(dayFolder) != std::string::npos; }},
        {{"rebuild", cam}, [](const std::string&) { return false; }},
        {{"delete", cam, "--record", TimeArg(Start(next, 7, kPerDay))}, [&](const std::string& f) { return f == record; }},
    };
    for (const Run& run : runs) {
      const std::string when = run.args[0] + " " + run.args.back() + " killed after " + std::to_string(delay.count()) + "us";
      const auto before = FilesOnDisk(cam);
      test::Program p;
      StartVtdb(&p, run.args);
      std::this_thread::sleep_for(delay);
      p.Kill();
      const test::ProgramResult list = Vtdb({"list", cam});
      ASSERT_EQ(list.rc, 0) << when << ": " << list.err;
      ExpectConsistent(cam, when);
      const auto now = FilesOnDisk(cam);
      for (const std::string& f : before) {
        if (!now.count(f)) {
          EXPECT_TRUE(run.mayGo(f)) << when << ": lost " << f;
        }
      }
    }
  }
}

TEST_F(FaultTest, FullDiskLeavesTheOldIndexAndNoPartialFiles) {
  const std::string cam = dir / "cam";
  MakeCamera(cam, 2, 40);
  ASSERT_EQ(Vtdb({"rebuild", cam}).rc, 0);
  const std::string index = test::ReadFile(cam + "/rdb.ndx");
  ASSERT_GT(index.size(), 8192u);
  // A new file in a day folder, so the rebuilt index would differ.
  test::WriteFile(cam + "/2008-05-10/012355002359000.avi", std::string(100, 'n'));
  test::ProgramOptions full;
  full.fileSizeLimit = 8192;
  const test::ProgramResult rebuild = Vtdb({"rebuild", cam}, full);
  EXPECT_EQ(rebuild.rc, 1);
  EXPECT_NE(rebuild.err.find("cannot write"), std::string::npos) << rebuild.err;
  EXPECT_EQ(test::ReadFile(cam + "/rdb.ndx"), index);
  EXPECT_FALSE(test::Exists(cam + "/rdb.ndx1"));

  // A copy that does not fit: no partial file under the record's name, none left hidden, and
  // an existing file of that name with other contents kept.
  const std::string big = cam + "/2008-05-11/012355002359000.avi";
  test::WriteFile(big, std::string(64 * 1024, 'b'));
  ASSERT_EQ(Vtdb({"rebuild", cam}).rc, 0);
  test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=" + cam + "\r\n");
  test::WriteFile(dir / "out/camera01/2008-05-10/012355002359000.avi", "another day's recording");
  const test::ProgramResult save = Vtdb(
      {"save-to", cam, "--day", "2008-05-11", "--channel", "1", "--dest", dir / "out", "--ini", dir / "vantor.ini"}, full);
  EXPECT_EQ(save.rc, 1);
  EXPECT_NE(save.err.find("1 file(s) could not be copied"), std::string::npos) << save.err;
  EXPECT_FALSE(test::Exists(dir / "out/camera01/2008-05-11/012355002359000.avi"));
  for (const auto& e : fs::recursive_directory_iterator(dir / "out"))
    EXPECT_NE(e.path().filename().string().rfind(".part-", 0), 0u) << e.path();
  const test::ProgramResult clash = Vtdb(
      {"save-to", cam, "--day", "2008-05-10", "--channel", "1", "--dest", dir / "out", "--ini", dir / "vantor.ini"});
  EXPECT_EQ(clash.rc, 1);
  EXPECT_NE(clash.err.find("a different file of that name exists"), std::string::npos) << clash.err;
  EXPECT_EQ(test::ReadFile(dir / "out/camera01/2008-05-10/012355002359000.avi"), "another day's recording");
}

}  // namespace
}  // namespace vt
