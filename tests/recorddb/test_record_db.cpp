#include <gtest/gtest.h>
#include <sys/stat.h>

#include "rdb_fixture.h"
#include "recorddb/record_db.h"

namespace vt {
namespace {

using test::Rec;
using test::Utc;

class RecordDbTest : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;
  CRecordDB db;
  void SetUp() override {
    db.SetFolder(dir.path());
    ASSERT_TRUE(db.NewEmpty());
  }
  void Add(time32 s, time32 e, uint64_t size = 1000) { ASSERT_EQ(db.AddRecord(nullptr, Rec(s, e, size)), 1); }
};

TEST_F(RecordDbTest, EmptyDatabaseSavesAs56ByteHeaderAndLoadsEmpty) {
  ASSERT_TRUE(db.Save());
  std::string bytes = test::ReadFile(db.GetIndexPath());
  ASSERT_EQ(bytes.size(), 56u);
  EXPECT_EQ(test::U32At(bytes, 0), 100u);
  EXPECT_EQ(test::U32At(bytes, 24), 0u);  // nCount
  EXPECT_EQ(test::U32At(bytes, 28), 0u);  // nCapacity
  EXPECT_FALSE(test::Exists(db.GetIndexPath() + "1"));
  CRecordDB other;
  other.SetFolder(dir.path());
  ASSERT_TRUE(other.Load());
  test::FakeTree tree;
  other.FillTree(&tree);
  EXPECT_TRUE(tree.days.empty());
  EXPECT_TRUE(other.IsEmpty());
}

TEST_F(RecordDbTest, YearsStaySortedAndGrowByTwo) {
  Add(Utc(2006, 3, 1, 10, 0, 0), Utc(2006, 3, 1, 10, 5, 0));
  EXPECT_EQ(db.GetIndex()->header.nCapacity, 2u);
  Add(Utc(2008, 3, 1, 10, 0, 0), Utc(2008, 3, 1, 10, 5, 0));
  Add(Utc(2007, 3, 1, 10, 0, 0), Utc(2007, 3, 1, 10, 5, 0));
  const RdbIndex& idx = *db.GetIndex();
  ASSERT_EQ(idx.years.size(), 3u);
  EXPECT_EQ(idx.years[0].node.wKey, 2006u);
  EXPECT_EQ(idx.years[1].node.wKey, 2007u);
  EXPECT_EQ(idx.years[2].node.wKey, 2008u);
  EXPECT_EQ(idx.header.nCount, 3u);
  EXPECT_EQ(idx.header.nCapacity, 4u);
  EXPECT_EQ(idx.years[0].node.nCapacity, 12u);
  EXPECT_EQ(idx.years[0].months[0].node.nCapacity, 31u);
  EXPECT_EQ(idx.years[0].months[0].days[0].node.nCapacity, 16u);
  // The stored file carries the same capacities.
  std::string bytes = CRecordDB::Serialize(idx);
  EXPECT_EQ(test::U32At(bytes, 28), 4u);
}

TEST_F(RecordDbTest, SeventeenthRecordOfADayGrowsTo47Slots) {
  const time32 base = Utc(2008, 5, 10, 8, 0, 0);
  for (int i = 0; i < 16; ++i) Add(base + i * 600, base + i * 600 + 300);
  const RdbDay& day = db.GetIndex()->years[0].months[0].days[0];
  EXPECT_EQ(day.node.nCapacity, 16u);
  Add(base + 16 * 600, base + 16 * 600 + 300);
  EXPECT_EQ(db.GetIndex()->years[0].months[0].days[0].node.nCapacity, 47u);
  EXPECT_EQ(db.GetIndex()->years[0].months[0].days[0].node.nCount, 17u);
}

TEST_F(RecordDbTest, RecordAcrossMidnightStaysUnderItsStartDay) {
  const time32 s = Utc(2008, 5, 10, 23, 50, 0), e = Utc(2008, 5, 11, 0, 20, 0);
  Add(s, e);
  RDB_RECORD* r = db.FindRecordAt(Utc(2008, 5, 11, 0, 10, 0));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->tStart, s);
  const RdbMonth& m = db.GetIndex()->years[0].months[0];
  EXPECT_EQ(m.days[0].node.wKey, 10u);
  EXPECT_EQ(m.days[0].node.tEnd, e);
  EXPECT_EQ(m.node.tEnd, e);
  test::FakeTree tree;
  db.FillTree(&tree);
  ASSERT_EQ(tree.days.size(), 1u);
  EXPECT_EQ(tree.days[0].text, "2008-05-10");
  EXPECT_EQ(tree.days[0].records[0].first, "23:50:00");
}

TEST_F(RecordDbTest, RecordingAcrossYearEndKeepsYearSpans) {
  const time32 s = Utc(2008, 12, 31, 23, 0, 0), e = Utc(2009, 1, 1, 0, 12, 30);
  Add(s, e);
  Add(Utc(2009, 1, 1, 0, 12, 30), Utc(2009, 1, 1, 1, 0, 0));
  const RdbIndex& idx = *db.GetIndex();
  ASSERT_EQ(idx.years.size(), 2u);
  EXPECT_EQ(idx.years[0].node.tEnd, e);
  EXPECT_EQ(db.FindRecordAt(Utc(2009, 1, 1, 0, 5, 0))->tStart, s);
  // Back to back at the year end: the second record's start belongs to 2009 only.
  EXPECT_EQ(db.FindRecordAt(e)->tStart, e);
  RdbDay* day = nullptr;
  ASSERT_TRUE(db.FindDay(e, nullptr, nullptr, &day, nullptr));
  EXPECT_EQ(day->node.wKey, 1u);
}

TEST_F(RecordDbTest, FindRecordAtEndsAreExclusive) {
  const time32 s = Utc(2008, 5, 10, 10, 0, 0), e = Utc(2008, 5, 10, 11, 0, 0);
  Add(s, e);
  Add(Utc(2008, 5, 10, 12, 0, 0), Utc(2008, 5, 10, 13, 0, 0));
  EXPECT_NE(db.FindRecordAt(s), nullptr);
  EXPECT_EQ(db.FindRecordAt(e), nullptr);
  EXPECT_EQ(db.FindRecordAt(db.GetIndex()->header.tEnd), nullptr);
  EXPECT_EQ(db.FindRecordAt(0), nullptr);
}

TEST_F(RecordDbTest, DeletingTheDayAfterAMidnightRecordRemovesThatDay) {
  // Continuous recording: the first file of the 11th starts where the 10th's last one ends.
  Add(Utc(2008, 5, 10, 23, 55, 0), Utc(2008, 5, 11, 0, 5, 0));
  Add(Utc(2008, 5, 11, 0, 5, 0), Utc(2008, 5, 11, 0, 15, 0));
  ASSERT_TRUE(db.RemoveDay(Utc(2008, 5, 11, 0, 5, 0), false));
  test::FakeTree tree;
  db.FillTree(&tree);
  ASSERT_EQ(tree.days.size(), 1u);
  EXPECT_EQ(tree.days[0].text, "2008-05-10");
}

TEST_F(RecordDbTest, RecordsOfNextYearGoUnderTheirOwnYearDuringOneRebuild) {
  RDB_CURSOR cursor;
  ASSERT_EQ(db.AddRecord(&cursor, Rec(Utc(2007, 5, 10, 9, 0, 0), Utc(2007, 5, 10, 9, 30, 0))), 1);
  ASSERT_EQ(db.AddRecord(&cursor, Rec(Utc(2008, 5, 10, 9, 0, 0), Utc(2008, 5, 10, 9, 30, 0))), 1);
  ASSERT_EQ(db.GetIndex()->years.size(), 2u);
  EXPECT_EQ(db.GetIndex()->years[1].node.wKey, 2008u);
  EXPECT_EQ(db.GetIndex()->years[1].months[0].days[0].records.size(), 1u);
}

TEST_F(RecordDbTest, AddRecordRefusalsAndTheirFiles) {
  const std::string kept = dir / "kept.avi", gone = dir / "gone.avi";
  test::WriteFile(kept, "x");
  test::WriteFile(gone, "x");
  Add(Utc(2008, 5, 10, 10, 0, 0), Utc(2008, 5, 10, 11, 0, 0));
  // Start inside an existing record: refused, file stays.
  EXPECT_EQ(db.AddRecord(nullptr, Rec(Utc(2008, 5, 10, 10, 30, 0), Utc(2008, 5, 10, 12, 0, 0), 5, kept)), -1);
  EXPECT_TRUE(test::Exists(kept));
  // Reversed span: refused, file deleted.
  EXPECT_EQ(db.AddRecord(nullptr, Rec(Utc(2008, 5, 10, 14, 0, 0), Utc(2008, 5, 10, 13, 0, 0), 5, gone)), -1);
  EXPECT_FALSE(test::Exists(gone));
  EXPECT_EQ(db.GetIndex()->header.qwSize, 1000u);
}

TEST_F(RecordDbTest, RemovingRecordsUpdatesTotalsAndEmptiesTheDatabase) {
  const time32 a = Utc(2008, 5, 10, 10, 0, 0), b = Utc(2008, 5, 11, 10, 0, 0);
  Add(a, a + 60, 100);
  Add(b, b + 60, 200);
  ASSERT_TRUE(db.RemoveRecord(a, false));
  const RdbIndex& idx = *db.GetIndex();
  EXPECT_EQ(idx.header.qwSize, 200u);
  EXPECT_EQ(idx.header.tStart, b);
  // The emptied day node stays but the tree no longer shows it.
  EXPECT_EQ(idx.years[0].months[0].days.size(), 2u);
  EXPECT_EQ(idx.years[0].months[0].days[0].node.nCapacity, 0u);
  test::FakeTree tree;
  db.FillTree(&tree);
  ASSERT_EQ(tree.days.size(), 1u);
  EXPECT_EQ(tree.days[0].text, "2008-05-11");
  ASSERT_TRUE(db.RemoveRecord(b, false));
  EXPECT_TRUE(db.IsEmpty());
  EXPECT_EQ(db.GetIndex()->header.tStart, 0);
  EXPECT_EQ(db.GetIndex()->header.tEnd, 0);
  EXPECT_EQ(db.GetIndex()->header.nCapacity, 0u);
  EXPECT_TRUE(db.GetIndex()->years.empty());
  EXPECT_FALSE(db.RemoveRecord(b, false));
}

TEST_F(RecordDbTest, SaveAndLoadRoundTripByteForByte) {
  const time32 base = Utc(2008, 5, 10, 8, 0, 0);
  for (int i = 0; i < 20; ++i) Add(base + i * 7200, base + i * 7200 + 3600, 100 + i);
  ASSERT_TRUE(db.Save());
  EXPECT_EQ(db.GetIndex()->header.bModified, 0u);
  const std::string bytes = test::ReadFile(db.GetIndexPath());
  EXPECT_EQ(bytes.size(), 56u + 40u * (1 + 1 + 2) + 288u * 20);
  CRecordDB other;
  other.SetFolder(dir.path());
  ASSERT_TRUE(other.Load());
  EXPECT_EQ(CRecordDB::Serialize(*other.GetIndex()), bytes);
  EXPECT_STREQ(other.FindRecordAt(base + 7200)->szFilePath, "/nowhere/x.avi");
}

// Days of a few hundred records make arrays larger than any I/O buffer: order and content
// must survive the file round trip.
TEST_F(RecordDbTest, LargeIndexRoundTripThroughTheFile) {
  RDB_CURSOR cursor;
  const time32 base = Utc(2008, 1, 1, 0, 0, 0);
  for (int d = 0; d < 40; ++d)
    for (int i = 0; i < 280; ++i) {
      RDB_RECORD r = Rec(base + d * 86400 + i * 300, base + d * 86400 + i * 300 + 200, 1 + i);
      std::snprintf(r.szFilePath, sizeof r.szFilePath, "/rec/%d/%d.avi", d, i);
      ASSERT_EQ(db.AddRecord(&cursor, r), 1);
    }
  ASSERT_TRUE(db.Save());
  const std::string bytes = test::ReadFile(db.GetIndexPath());
  RdbIndex asWritten = *db.GetIndex();
  asWritten.header.bModified = 1;  // cleared after writing
  EXPECT_TRUE(bytes == CRecordDB::Serialize(asWritten));
  EXPECT_EQ(bytes.size(), 56u + 40u * (1 + 2 + 40) + 288u * 40 * 280);
  CRecordDB other;
  other.SetFolder(dir.path());
  ASSERT_TRUE(other.Load());
  EXPECT_TRUE(CRecordDB::Serialize(*other.GetIndex()) == bytes);
  RDB_RECORD* r = other.FindRecordAt(base + 39 * 86400 + 279 * 300 + 10);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->szFilePath, "/rec/39/279.avi");
}

TEST_F(RecordDbTest, BackslashPathsOfTheIndexKeepTheirForm) {
  Add(Utc(2008, 5, 10, 8, 0, 0), Utc(2008, 5, 10, 9, 0, 0));
  RDB_RECORD* r = db.FindRecordAt(Utc(2008, 5, 10, 8, 0, 0));
  std::snprintf(r->szFilePath, sizeof r->szFilePath, "%s", "D:\\rec\\ch01\\2008-05-10\\011020301120340.avi");
  std::string bytes = CRecordDB::Serialize(*db.GetIndex());
  CRecordDB other;
  ASSERT_TRUE(other.LoadFromBytes(bytes.data(), bytes.size()));
  EXPECT_STREQ(other.FindRecordAt(Utc(2008, 5, 10, 8, 0, 0))->szFilePath, "D:\\rec\\ch01\\2008-05-10\\011020301120340.avi");
  EXPECT_TRUE(CRecordDB::Serialize(*other.GetIndex()) == bytes);
}

// Damaged and hostile indexes are refused and leave the loaded hierarchy alone.
TEST_F(RecordDbTest, DamagedIndexesAreRefused) {
  const time32 base = Utc(2008, 5, 10, 8, 0, 0);
  Add(base, base + 60);
  Add(base + 86400, base + 86400 + 60);
  const std::string good = CRecordDB::Serialize(*db.GetIndex());
  // Offsets: header 0, year array 56, month array 96, day array 136 (2 days), records 216.
  struct Case {
    const char* name;
    size_t truncateTo;  // 0 = keep length
    size_t patchAt;
    uint32_t value;
  };
  const Case cases[] = {
      {"version 101", 0, 0, 101},
      {"header only", 56, 0, 100},
      {"short header", 55, 0, 100},
      {"cut in a record", good.size() - 1, 0, 100},
      {"year count over capacity", 0, 24, 3},
      {"huge year count", 0, 24, 0xFFFFFFFFu},
      {"huge year count and capacity", 0, 28, 0xFFFFFFFFu},
      {"huge month count", 0, 56 + 24, 0x7FFFFFFFu},
      {"huge day count", 0, 96 + 24, 0x10000000u},
      {"huge record count", 0, 136 + 24, 0x00FFFFFFu},
      {"record count over capacity", 0, 136 + 24, 17},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    if (c.truncateTo) bytes.resize(c.truncateTo);
    if (c.patchAt || !c.truncateTo) {
      test::PutU32(&bytes, c.patchAt, c.value);
      if (c.patchAt == 28) test::PutU32(&bytes, 24, c.value);
    }
    CRecordDB other;
    ASSERT_TRUE(other.NewEmpty());
    other.GetIndex()->header.tCreated = 4711;
    EXPECT_FALSE(other.LoadFromBytes(bytes.data(), bytes.size())) << c.name;
    EXPECT_EQ(other.GetIndex()->header.tCreated, 4711) << c.name;
  }
  // Trailing bytes after the last record are ignored.
  std::string longer = good + "junk";
  CRecordDB other;
  EXPECT_TRUE(other.LoadFromBytes(longer.data(), longer.size()));
}

TEST_F(RecordDbTest, OpenRebuildsAndSavesUnreadableIndexes) {
  test::WriteFile(dir / "2008-05-10/011020301120340.avi", "video");
  for (const std::string& bad : {std::string("short"), [] {
         std::string b(56, '\0');
         b[0] = 101;
         return b;
       }()}) {
    test::WriteFile(dir / "rdb.ndx", bad);
    CRecordDB other;
    ASSERT_TRUE(other.Open(dir.path()));
    ASSERT_NE(other.FindRecordAt(Utc(2008, 5, 10, 10, 20, 30)), nullptr);
    const std::string saved = test::ReadFile(dir / "rdb.ndx");
    ASSERT_GE(saved.size(), 56u);
    EXPECT_EQ(test::U32At(saved, 0), 100u);
    EXPECT_EQ(saved.size(), 56u + 3 * 40u + 288u);
  }
}

TEST_F(RecordDbTest, FailedSaveLeavesTheOldIndexAndNoTempFile) {
  Add(Utc(2008, 5, 10, 8, 0, 0), Utc(2008, 5, 10, 9, 0, 0));
  ASSERT_TRUE(db.Save());
  const std::string before = test::ReadFile(db.GetIndexPath());
  Add(Utc(2008, 5, 10, 10, 0, 0), Utc(2008, 5, 10, 11, 0, 0));
  // A temp path that cannot be created: the index is not touched.
  ASSERT_EQ(::mkdir((db.GetIndexPath() + "1").c_str(), 0755), 0);
  EXPECT_FALSE(db.Save());
  EXPECT_EQ(test::ReadFile(db.GetIndexPath()), before);
  EXPECT_EQ(db.GetIndex()->header.bModified, 1u);
  ::rmdir((db.GetIndexPath() + "1").c_str());
  // A rename that fails (the index path is a non-empty folder): false, temp file removed.
  CRecordDB other;
  other.SetFolder(dir / "sub");
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir / "sub/rdb.ndx").c_str(), 0755), 0);
  test::WriteFile(dir / "sub/rdb.ndx/keep", "x");
  ASSERT_TRUE(other.NewEmpty());
  EXPECT_FALSE(other.Save());
  EXPECT_FALSE(test::Exists(dir / "sub/rdb.ndx1"));
  EXPECT_TRUE(test::Exists(dir / "sub/rdb.ndx/keep"));
  // A stale temp file of an earlier crash is simply replaced.
  test::WriteFile(db.GetIndexPath() + "1", "stale");
  EXPECT_TRUE(db.Save());
  EXPECT_FALSE(test::Exists(db.GetIndexPath() + "1"));
}

TEST_F(RecordDbTest, ListDaysMatchesTheTree) {
  Add(Utc(2008, 5, 10, 8, 0, 0), Utc(2008, 5, 10, 9, 0, 0));
  Add(Utc(2008, 6, 1, 8, 0, 0), Utc(2008, 6, 1, 9, 0, 0));
  auto days = db.ListDays();
  ASSERT_EQ(days.size(), 2u);
  EXPECT_EQ(RdbDayText(days[1].nYear, days[1].nMonth, days[1].nDay), "2008-06-01");
  EXPECT_EQ(days[1].pDay->records.size(), 1u);
}

}  // namespace
}  // namespace vt
