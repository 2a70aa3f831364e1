// Changes of one camera's index by several writers: reload before a change, refusal to undo
// another writer's index, repair after a writer was cut off.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/folder_lock.h"
#include "rdb_fixture.h"
#include "recorddb/record_db.h"

namespace vt {
namespace {

using namespace std::chrono_literals;
using test::Utc;

class IndexChangeTest : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;
  std::string cam = dir / "cam";
  void SetUp() override {
    for (int h : {1, 2, 3}) {
      char name[64];
      std::snprintf(name, sizeof name, "/2008-05-10/01%02d0000%02d30000.avi", h, h);
      test::WriteFile(cam + name, "video");
    }
  }
  static size_t Records(const CRecordDB& db) {
    size_t n = 0;
    for (const auto& d : db.ListDays()) n += d.pDay->records.size();
    return n;
  }
};

TEST_F(IndexChangeTest, ChangesStartFromTheIndexOnDiskAndNeverUndoAnother) {
  CRecordDB a, b;
  ASSERT_TRUE(a.Open(cam));
  ASSERT_TRUE(b.Open(cam));
  // b deletes a record and saves.
  ASSERT_TRUE(b.BeginChange());
  EXPECT_FALSE(b.WasReloaded());
  ASSERT_TRUE(b.RemoveRecord(Utc(2008, 5, 10, 1, 0, 0), true));
  ASSERT_TRUE(b.Save());
  b.EndChange();
  // a's copy is stale: saving it would bring the record back.
  ASSERT_TRUE(a.RemoveRecord(Utc(2008, 5, 10, 2, 0, 0), false));
  EXPECT_FALSE(a.Save());
  EXPECT_EQ(a.LastSaveStatus(), CRecordDB::SaveStatus::kChangedOnDisk);
  // A change of a begins from b's index.
  ASSERT_TRUE(a.BeginChange());
  EXPECT_TRUE(a.WasReloaded());
  EXPECT_EQ(Records(a), 2u);
  ASSERT_TRUE(a.RemoveRecord(Utc(2008, 5, 10, 3, 0, 0), true));
  ASSERT_TRUE(a.Save());
  a.EndChange();
  CRecordDB check;
  check.SetFolder(cam);
  ASSERT_TRUE(check.Load());
  EXPECT_EQ(Records(check), 1u);
  EXPECT_NE(check.FindRecordAt(Utc(2008, 5, 10, 2, 0, 0)), nullptr);
}

TEST_F(IndexChangeTest, WritersExcludeEachOtherReadersShare) {
  CFolderLock r1, r2, w;
  ASSERT_TRUE(r1.Lock(cam, CFolderLock::Mode::kShared, 0ms));
  ASSERT_TRUE(r2.Lock(cam, CFolderLock::Mode::kShared, 0ms));
  EXPECT_FALSE(w.Lock(cam, CFolderLock::Mode::kExclusive, 30ms)) << "readers hold it";
  r1.Unlock();
  EXPECT_TRUE(r2.Upgrade(30ms));
  EXPECT_FALSE(r1.Lock(cam, CFolderLock::Mode::kShared, 30ms)) << "an upgraded reader is alone";
  r2.Unlock();
  ASSERT_TRUE(w.Lock(cam, CFolderLock::Mode::kExclusive, 0ms));
  EXPECT_FALSE(r1.Lock(cam, CFolderLock::Mode::kShared, 30ms));
  // A CRecordDB change waits for the folder like any writer.
  CRecordDB db;
  db.SetFolder(cam);
  w.Unlock();
  EXPECT_TRUE(db.BeginChange());
  EXPECT_FALSE(w.Lock(cam, CFolderLock::Mode::kExclusive, 30ms));
  db.EndChange();
  EXPECT_TRUE(w.Lock(cam, CFolderLock::Mode::kExclusive, 0ms));
}

TEST_F(IndexChangeTest, ACutOffChangeIsRepairedByTheNextWriter) {
  CRecordDB db;
  ASSERT_TRUE(db.Open(cam));
  // What a writer killed between deleting a file and saving leaves: its mark, the old index.
  test::WriteFile(cam + "/rdb.ndx1", "");
  std::filesystem::remove(cam + "/2008-05-10/010100000130000.avi");
  CRecordDB next;
  ASSERT_TRUE(next.Open(cam));
  EXPECT_EQ(Records(next), 2u);
  EXPECT_FALSE(test::Exists(cam + "/rdb.ndx1"));
  CRecordDB check;
  check.SetFolder(cam);
  ASSERT_TRUE(check.Load());
  EXPECT_EQ(Records(check), 2u) << "the repaired index was saved";
  // A change that was told to the recorder instead of saved leaves no mark behind.
  ASSERT_TRUE(next.BeginChange());
  ASSERT_TRUE(next.RemoveRecord(Utc(2008, 5, 10, 2, 0, 0), true));
  EXPECT_TRUE(test::Exists(cam + "/rdb.ndx1"));
  next.EndChange();
  EXPECT_FALSE(test::Exists(cam + "/rdb.ndx1"));
}

}  // namespace
}  // namespace vt
