// Record tree: items for a database, the selection handler's messages, the record time of the
// selection and item deletion.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../app/qt_test_env.h"
#include "browser/record_tree.h"
#include "browser/tree_text.h"
#include "browser_fixture.h"

namespace vt {
namespace {

using test::MakeRecord;
using test::MessageLog;

struct TreeFixture : ::testing::Test {
  QTemporaryDir dir;
  test::MainWindowStandIn main;
  MessageLog player;
  CRecordTree tree;
  time32 tA = MakeLocalTime(2008, 5, 14, 9, 5, 7);     // kind 0
  time32 tB = MakeLocalTime(2008, 5, 14, 17, 30, 0);   // kind 2
  time32 tC = MakeLocalTime(2007, 12, 31, 23, 50, 0);  // kind 0, runs past midnight
  time32 tD = MakeLocalTime(2008, 1, 2, 0, 0, 1);      // kind 1

  void SetUp() override {
    tree.SetPlayerTarget(&player);
    // Added out of order: the tree lists them by text.
    test::FillDatabase(tree.GetRecordList().GetDB(), dir.path().toStdString(),
                       {MakeRecord(tB, 60, 2), MakeRecord(tA, 60, 0), MakeRecord(tD, 30, 1), MakeRecord(tC, 1800, 0)});
    tree.GetRecordList().GetDB().FillTree(tree.GetTreeItems());
    tree.Flush();
  }
  QModelIndex Item(const char* day, const char* time = "") { return tree.FindItem(day, time); }
  void Select(const QModelIndex& item) {
    tree.selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
  }
  std::string Text(const QModelIndex& i) { return tree.GetModel()->ItemText(i); }
  int Image(const QModelIndex& i, int role) { return tree.GetModel()->data(i, role).toInt(); }
};

TEST_F(TreeFixture, ItemsTextsOrderAndImages) {
  CRecordTreeModel* m = tree.GetModel();
  ASSERT_EQ(m->rowCount(), 3);
  const char* days[] = {"2007-12-31", "2008-01-02", "2008-05-14"};
  for (int d = 0; d < 3; ++d) {
    const QModelIndex day = m->index(d, 0);
    EXPECT_EQ(Text(day), days[d]);
    EXPECT_EQ(Image(day, CRecordTreeModel::kImageRole), kImageDay);
    EXPECT_EQ(Image(day, CRecordTreeModel::kSelectedImageRole), kImageDaySelected);
    EXPECT_EQ(m->data(day).toString().toStdString(), days[d]);
  }
  const QModelIndex may = m->index(2, 0);
  ASSERT_EQ(m->rowCount(may), 2);
  EXPECT_EQ(Text(m->index(0, 0, may)), "09:05:07");
  EXPECT_EQ(Text(m->index(1, 0, may)), "17:30:00");
  // Kind 0 green, any other kind red, each with its ticked picture when selected.
  EXPECT_EQ(Image(m->index(0, 0, may), CRecordTreeModel::kImageRole), kImageRecord);
  EXPECT_EQ(Image(m->index(0, 0, may), CRecordTreeModel::kSelectedImageRole), kImageRecordSelected);
  EXPECT_EQ(Image(m->index(1, 0, may), CRecordTreeModel::kImageRole), kImageEventRecord);
  EXPECT_EQ(Image(m->index(1, 0, may), CRecordTreeModel::kSelectedImageRole), kImageEventRecordSelected);
  EXPECT_EQ(Image(Item("2008-01-02", "00:00:01"), CRecordTreeModel::kImageRole), kImageEventRecord);
  EXPECT_EQ(Text(m->index(0, 0, m->index(0, 0))), "23:50:00");  // stays under its start day
  EXPECT_FALSE(m->data(m->index(0, 0, may), Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(TreeFixture, RefillAppearsInOneStepAndEmptyDatabaseEmptiesTheTree) {
  tree.GetRecordList().GetDB().NewEmpty();
  tree.GetRecordList().GetDB().FillTree(tree.GetTreeItems());
  EXPECT_EQ(tree.GetModel()->rowCount(), 3);  // still the old items until control returns
  QApplication::processEvents();
  EXPECT_EQ(tree.GetModel()->rowCount(), 0);
}

TEST_F(TreeFixture, SelectingARecordOpensItAndADayClosesIt) {
  Select(Item("2008-05-14", "17:30:00"));
  ASSERT_EQ(player.posted.size(), 1u);
  EXPECT_EQ(player.posted[0].msg, kMsgOpenRecord);
  EXPECT_EQ(player.posted[0].wParam, 0u);
  auto* rec = reinterpret_cast<RDB_RECORD*>(player.posted[0].lParam);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec, tree.GetRecordList().GetDB().FindRecordAt(tB));
  EXPECT_EQ(rec->tStart, tB);
  ASSERT_EQ(main.posted.size(), 1u);
  EXPECT_EQ(main.posted[0].msg, kMsgFitToVideo);
  EXPECT_EQ(tree.GetCurrentRecordTime(), tB);

  player.posted.clear();
  main.posted.clear();
  Select(Item("2008-05-14"));
  ASSERT_EQ(player.posted.size(), 1u);
  EXPECT_EQ(player.posted[0].msg, kMsgOpenRecord);
  EXPECT_EQ(player.posted[0].lParam, 0);
  ASSERT_EQ(main.posted.size(), 1u);
  EXPECT_EQ(main.posted[0].msg, kMsgVideoSize);
  EXPECT_EQ(main.posted[0].wParam, 0u);
  EXPECT_EQ(main.posted[0].lParam, 0);
  EXPECT_EQ(tree.GetCurrentRecordTime(), 0);

  // The same record again after the day: it plays again.
  player.posted.clear();
  Select(Item("2008-05-14", "17:30:00"));
  ASSERT_EQ(player.posted.size(), 1u);
  EXPECT_NE(player.posted[0].lParam, 0);
}

TEST_F(TreeFixture, CurrentItemWithoutSelectionAndDeselection) {
  // The view makes an item current on focus without selecting it: no notification.
  tree.selectionModel()->setCurrentIndex(Item("2008-05-14", "09:05:07"), QItemSelectionModel::NoUpdate);
  EXPECT_TRUE(player.posted.empty());
  EXPECT_TRUE(main.posted.empty());
  Select(Item("2008-05-14", "09:05:07"));
  ASSERT_EQ(player.posted.size(), 1u);
  // Selecting the selected item again changes nothing.
  Select(Item("2008-05-14", "09:05:07"));
  EXPECT_EQ(player.posted.size(), 1u);
  // Deselecting leaves no item: the playback closes.
  tree.selectionModel()->select(Item("2008-05-14", "09:05:07"), QItemSelectionModel::Deselect);
  ASSERT_EQ(player.posted.size(), 2u);
  EXPECT_EQ(player.posted[1].lParam, 0);
  EXPECT_EQ(tree.GetCurrentRecordTime(), 0);
}

TEST_F(TreeFixture, SameStartSecondTwiceClosesAndMissingRecordClearsTheVideoSize) {
  // Two items with the same time text under one day (as two records of one second give).
  IRecordTree* items = tree.GetTreeItems();
  items->Clear();
  RecordTreeItem day = items->InsertDay("2008-05-14");
  items->InsertRecord(day, "09:05:07", 0);
  items->InsertRecord(day, "09:05:07", 0);
  items->InsertRecord(day, "12:00:00", 0);  // no such record in the database
  tree.Flush();
  const QModelIndex dayItem = Item("2008-05-14");
  Select(tree.GetModel()->index(0, 0, dayItem));
  ASSERT_EQ(player.posted.size(), 1u);
  EXPECT_EQ(reinterpret_cast<RDB_RECORD*>(player.posted[0].lParam)->tStart, tA);

  player.posted.clear();
  main.posted.clear();
  Select(tree.GetModel()->index(1, 0, dayItem));
  ASSERT_EQ(player.posted.size(), 1u);
  EXPECT_EQ(player.posted[0].lParam, 0);
  ASSERT_EQ(main.posted.size(), 1u);
  EXPECT_EQ(main.posted[0].msg, kMsgVideoSize);

  player.posted.clear();
  main.posted.clear();
  Select(tree.GetModel()->index(2, 0, dayItem));
  EXPECT_TRUE(player.posted.empty());  // nothing to play
  ASSERT_EQ(main.posted.size(), 1u);
  EXPECT_EQ(main.posted[0].msg, kMsgVideoSize);
  EXPECT_EQ(tree.GetCurrentRecordTime(), MakeLocalTime(2008, 5, 14, 12, 0, 0));
}

TEST_F(TreeFixture, RecordTimeOfTheSelection) {
  time32 t = -5;
  QModelIndex item;
  EXPECT_EQ(tree.GetRecordTimeOfSelection(&t, &item), kSelNone);
  EXPECT_FALSE(tree.HasSelectedItem());
  Select(Item("2008-05-14", "17:30:00"));
  EXPECT_EQ(tree.GetRecordTimeOfSelection(&t, &item), kSelRecord);
  EXPECT_EQ(t, tB);
  EXPECT_EQ(item, Item("2008-05-14", "17:30:00"));
  Select(Item("2008-05-14"));
  EXPECT_EQ(tree.GetRecordTimeOfSelection(&t, &item), kSelDay);
  EXPECT_EQ(t, tA);  // the day's first record
  EXPECT_EQ(item, Item("2008-05-14"));
  EXPECT_TRUE(tree.HasSelectedItem());
  // A day left without records is nothing usable.
  tree.DeleteItem(Item("2007-12-31", "23:50:00"));
  Select(Item("2007-12-31"));
  EXPECT_EQ(tree.GetRecordTimeOfSelection(&t, nullptr), kSelNone);
}

TEST_F(TreeFixture, DeletingTheSelectedItemSelectsTheNextOne) {
  Select(Item("2008-05-14", "09:05:07"));
  player.posted.clear();
  tree.DeleteItem(Item("2008-05-14", "09:05:07"));
  EXPECT_EQ(Text(tree.currentIndex()), "17:30:00");  // next sibling
  ASSERT_EQ(player.posted.size(), 1u);
  EXPECT_EQ(reinterpret_cast<RDB_RECORD*>(player.posted[0].lParam)->tStart, tB);
  tree.DeleteItem(Item("2008-05-14", "17:30:00"));
  EXPECT_EQ(Text(tree.currentIndex()), "2008-05-14");  // then the parent
  tree.DeleteItem(Item("2008-05-14"));
  EXPECT_EQ(Text(tree.currentIndex()), "2008-01-02");  // last day: the previous sibling
  EXPECT_EQ(tree.GetModel()->rowCount(), 2);
  // Deleting the only remaining item leaves no selection and closes the playback.
  tree.DeleteItem(Item("2008-01-02"));
  tree.DeleteItem(Item("2007-12-31"));
  EXPECT_FALSE(tree.HasSelectedItem());
  EXPECT_EQ(player.posted.back().lParam, 0);
}

TEST(TreeTextTest, ParsesFixedPositions) {
  EXPECT_EQ(ParseTextNumber("2008-05-14", 0, 4), 2008);
  EXPECT_EQ(ParseTextNumber("2008-05-14", 5, 2), 5);
  EXPECT_EQ(ParseTextNumber("2008-05-14", 8, 2), 14);
  EXPECT_EQ(ParseTextNumber("2008-05-1", 8, 2), 1);  // text ends early
  EXPECT_EQ(ParseTextNumber("ab", 0, 2), 0);
  EXPECT_EQ(ParseTextNumber("", 3, 2), 0);
  EXPECT_EQ(ItemTextsToTime("2008-05-14", "09:05:07"), MakeLocalTime(2008, 5, 14, 9, 5, 7));
  // Round trip through the texts FillTree writes.
  RDB_RECORD r = MakeRecord(MakeLocalTime(2026, 3, 29, 23, 59, 59), 10, 0);
  LocalFields f;
  ASSERT_TRUE(SplitLocalTime(r.tStart, &f));
  EXPECT_EQ(ItemTextsToTime(RdbDayText(f.year, f.month, f.day), RdbRecordText(r)), r.tStart);
}

}  // namespace
}  // namespace vt
