#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/child_process.h"
#include "rdb_fixture.h"
#include "recorddb/folder_scan.h"
#include "recorddb/rdb_texts.h"
#include "recorddb/record_db.h"

namespace vt {
namespace {

using test::Utc;

struct ScanResult {
  std::vector<RDB_RECORD> records;
  test::FakeTree tree;
};

class FolderScanTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  CRecordDB db;
  test::FakeWindow wnd;
  void Put(const std::string& rel, const std::string& bytes = "video") { test::WriteFile(dir / rel, bytes); }
  ScanResult Rebuild() {
    db.SetFolder(dir.path());
    db.SetProgressTarget(&wnd);
    EXPECT_EQ(db.Rebuild(), 1);
    ScanResult out;
    for (const auto& d : db.ListDays())
      for (const auto& r : d.pDay->records) out.records.push_back(r);
    db.FillTree(&out.tree);
    return out;
  }
};

TEST_F(FolderScanTest, NamesGiveTimesKindAndSize) {
  test::ScopedTz tz("UTC0");
  Put("2008-05-10/011020301120340.avi", "12345");
  Put("2008-12-31/012300000012301.avi");
  auto r = Rebuild();
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_EQ(r.records[0].tStart, Utc(2008, 5, 10, 10, 20, 30));
  EXPECT_EQ(r.records[0].tEnd, Utc(2008, 5, 10, 11, 20, 34));
  EXPECT_EQ(r.records[0].nKind, 0);
  EXPECT_EQ(r.records[0].qwSize, 5u);
  EXPECT_EQ(std::string(r.records[0].szFilePath), dir / "2008-05-10/011020301120340.avi");
  // Across the year end: listed under its start day, ending in the next year.
  EXPECT_EQ(r.records[1].tStart, Utc(2008, 12, 31, 23, 0, 0));
  EXPECT_EQ(r.records[1].tEnd, Utc(2009, 1, 1, 0, 12, 30));
  EXPECT_EQ(r.records[1].nKind, 1);
  ASSERT_EQ(r.tree.days.size(), 2u);
  EXPECT_EQ(r.tree.days[1].text, "2008-12-31");
  EXPECT_EQ(r.tree.days[1].records[0], (std::pair<std::string, int>("23:00:00", 1)));
  EXPECT_EQ(wnd.Progress(), (std::vector<std::string>{"6:" + std::to_string(kIdsRebuildProgress), "1:1", "3:0", "3:0", "2:0"}));
}

TEST_F(FolderScanTest, WhatIsIgnoredKeptOrDeleted) {
  test::ScopedTz tz("UTC0");
  struct Case {
    const char* path;
    const char* bytes;
    bool listed;
    bool keptOnDisk;
  };
  const Case cases[] = {
      {"2008-05-10/notes.txt", "text", false, true},
      {"2008-05-10/empty.txt", "", false, false},
      {"2008-05-10/011020301020300.avi", "v", false, false},  // end equals start
      {"011020301120340.avi", "v", false, true},              // outside any date folder
      {"2008_05_11/011020301120340.avi", "v", true, true},
      {"backup/2008-05-12/011020301120340.avi", "v", false, true},
      {"2008-05-13/2008-05-14/011020301120340.avi", "v", true, true},  // nested: its own date
      {"2008-05-15/01102030112034x.AVI", "v", false, true},           // ".avi" is case-sensitive
      {"2008-05-15/01xx2030112034.avi", "v", false, true},             // field does not parse
  };
  for (const Case& c : cases) Put(c.path, c.bytes);
  auto r = Rebuild();
  for (const Case& c : cases) {
    bool listed = false;
    for (const auto& rec : r.records) listed = listed || std::string(rec.szFilePath) == dir / c.path;
    EXPECT_EQ(listed, c.listed) << c.path;
    EXPECT_EQ(test::Exists(dir / c.path), c.keptOnDisk) << c.path;
  }
  ASSERT_EQ(r.tree.days.size(), 2u);
  EXPECT_EQ(r.tree.days[0].text, "2008-05-11");
  EXPECT_EQ(r.tree.days[1].text, "2008-05-14");
}

TEST_F(FolderScanTest, OverlappingSecondRecordIsRefusedButKept) {
  test::ScopedTz tz("UTC0");
  Put("2008-05-10/011000001100000.avi");
  Put("2008-05-10/011030001130000.avi");
  auto r = Rebuild();
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_TRUE(test::Exists(dir / "2008-05-10/011030001130000.avi"));
  // Both valid spans count in the progress.
  EXPECT_EQ(wnd.Progress().size(), 5u);
}

TEST_F(FolderScanTest, FilesHeldLockedByAnotherProgramAreSkippedAndKept) {
  test::ScopedTz tz("UTC0");
  Put("2008-05-10/011000001100000.avi");
  Put("2008-05-10/011200001300000.avi", "");           // being created
  Put("2008-05-10/011400001500000.avi", "partial");    // being written
  Put("2008-05-10/011600001700000.avi", "partial");    // POSIX record lock
  std::vector<int> fds;
  for (const char* name : {"011200001300000.avi", "011400001500000.avi"}) {
    fds.push_back(::open((dir / "2008-05-10/" + name).c_str(), O_RDONLY));
    ASSERT_GE(fds.back(), 0);
    ASSERT_EQ(::flock(fds.back(), LOCK_EX), 0);
  }
  fds.push_back(::open((dir / "2008-05-10/011600001700000.avi").c_str(), O_RDWR));
  struct flock lk {};
  lk.l_type = F_WRLCK;
  lk.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(fds.back(), F_SETLK, &lk), 0);
  auto r = Rebuild();
  for (int fd : fds) ::close(fd);
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_EQ(r.records[0].tStart, Utc(2008, 5, 10, 10, 0, 0));
  EXPECT_TRUE(test::Exists(dir / "2008-05-10/011200001300000.avi"));
  // Once released they are listed.
  EXPECT_EQ(Rebuild().records.size(), 3u);
}

TEST_F(FolderScanTest, FifoInADayFolderDoesNotHangTheScan) {
  test::ScopedTz tz("UTC0");
  Put("2008-05-10/011000001100000.avi");
  ASSERT_EQ(::mkfifo((dir / "2008-05-10/011200001300000.avi").c_str(), 0644), 0);
  EXPECT_EQ(Rebuild().records.size(), 1u);
  EXPECT_TRUE(test::Exists(dir / "2008-05-10/011200001300000.avi"));
}

// The quick look that spares opening each file still leaves out what this user cannot read.
TEST_F(FolderScanTest, UnreadableFilesAreSkippedAndKept) {
  test::ScopedTz tz("UTC0");
  Put("2008-05-10/011000001100000.avi");
  Put("2008-05-10/011200001300000.avi");
  Put("2008-05-10/011400001500000.avi");
  ::chmod((dir / "2008-05-10/011200001300000.avi").c_str(), 0000);
  ::chmod((dir / "2008-05-10/011400001500000.avi").c_str(), 0600);  // the owner's (root when run as root)
  ::chmod(dir.path().c_str(), 0755);
  const bool root = ::geteuid() == 0;
  const int child = test::RunInChild([&] {
    if (!test::DropRoot()) return 2;
    CRecordDB scan;
    scan.SetFolder(dir.path());
    if (scan.Rebuild() != 1) return 3;
    size_t n = 0;
    for (const auto& d : scan.ListDays()) n += d.pDay->records.size();
    return static_cast<int>(n);
  });
  EXPECT_EQ(child, root ? 1 : 2) << "records this user can read";
  EXPECT_TRUE(test::Exists(dir / "2008-05-10/011200001300000.avi"));
  EXPECT_TRUE(test::Exists(dir / "2008-05-10/011400001500000.avi"));
}

TEST_F(FolderScanTest, MissingFolderGivesAnEmptyDatabase) {
  db.SetFolder(dir / "missing");
  EXPECT_EQ(db.Rebuild(), 1);
  EXPECT_TRUE(db.IsEmpty());
}

// Local times with daylight saving: the platform decides the offset of each record.
TEST_F(FolderScanTest, DaylightSavingTimeZone) {
  test::ScopedTz tz(test::kTzBerlin);
  Put("2008-07-15/011020301120340.avi");     // summer, UTC+2
  Put("2008-01-15/011020301120340.avi");     // winter, UTC+1
  Put("2008-10-26/012330000030000.avi");     // 25-hour day, ends after midnight
  Put("2008-03-30/010130000330000.avi");     // 23-hour day: 01:30 CET to 03:30 CEST
  auto r = Rebuild();
  ASSERT_EQ(r.records.size(), 4u);
  EXPECT_EQ(r.records[0].tStart, Utc(2008, 1, 15, 9, 20, 30));
  EXPECT_EQ(r.records[1].tStart, Utc(2008, 3, 30, 0, 30, 0));
  EXPECT_EQ(r.records[1].tEnd - r.records[1].tStart, 3600);
  EXPECT_EQ(r.records[2].tStart, Utc(2008, 7, 15, 8, 20, 30));
  EXPECT_EQ(r.records[3].tStart, Utc(2008, 10, 26, 22, 30, 0));
  EXPECT_EQ(r.records[3].tEnd, Utc(2008, 10, 26, 23, 30, 0));
  EXPECT_TRUE(test::Exists(dir / "2008-10-26/012330000030000.avi"));
  ASSERT_EQ(r.tree.days.size(), 4u);
  const char* texts[] = {"10:20:30", "01:30:00", "10:20:30", "23:30:00"};
  const char* days[] = {"2008-01-15", "2008-03-30", "2008-07-15", "2008-10-26"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.tree.days[i].text, days[i]);
    EXPECT_EQ(r.tree.days[i].records[0].first, texts[i]);
  }
}

TEST(FolderNames, DateAndRecordFields) {
  int y = 0, m = 0, d = 0;
  EXPECT_TRUE(ParseDateFolderName("2008-05-10", &y, &m, &d));
  EXPECT_EQ(y * 10000 + m * 100 + d, 20080510);
  EXPECT_TRUE(ParseDateFolderName("2008_05_10", &y, &m, &d));
  EXPECT_FALSE(ParseDateFolderName("backup", &y, &m, &d));
  EXPECT_FALSE(ParseDateFolderName("2008-05", &y, &m, &d));
  RecordNameFields f;
  EXPECT_TRUE(ParseRecordFileName("011020301120340.avi", &f));
  EXPECT_EQ(f.startHour * 10000 + f.startMinute * 100 + f.startSecond, 102030);
  EXPECT_EQ(f.endHour * 10000 + f.endMinute * 100 + f.endSecond, 112034);
  EXPECT_FALSE(ParseRecordFileName("011020301120340.AVI", &f));
  EXPECT_FALSE(ParseRecordFileName("0110.avi", &f));
}

}  // namespace
}  // namespace vt
