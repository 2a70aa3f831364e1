// Camera selector and the left pane's layout.
#include <QApplication>
#include <gtest/gtest.h>

#include "../app/qt_test_env.h"
#include "browser/left_view.h"
#include "browser_fixture.h"

namespace vt {
namespace {

TEST(LeftPaneLayoutTest, SelectorAboveTheTreeUnlessRemote) {
  LeftPaneLayout l = ComputeLeftPaneLayout(false, 200, 400, 22);
  EXPECT_TRUE(l.bComboVisible);
  EXPECT_EQ(l.rcCombo, QRect(0, 0, 200, 22));
  EXPECT_EQ(l.rcTree, QRect(0, 26, 200, 374));
  l = ComputeLeftPaneLayout(true, 200, 400, 22);
  EXPECT_FALSE(l.bComboVisible);
  EXPECT_EQ(l.rcTree, QRect(0, 0, 200, 400));
  l = ComputeLeftPaneLayout(false, 200, 10, 22);  // shorter than the selector
  EXPECT_EQ(l.rcTree.height(), 0);
}

TEST(LeftViewTest, RemoteViewerHidesTheSelector) {
  for (bool remote : {false, true}) {
    CLeftView view(remote);
    view.resize(180, 300);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(view.GetCombo()->isVisible(), !remote);
    const int s = view.GetCombo()->sizeHint().height();
    EXPECT_EQ(view.GetTree()->geometry(), remote ? QRect(0, 0, 180, 300) : QRect(0, s + 4, 180, 300 - s - 4));
    if (!remote) {
      EXPECT_EQ(view.GetCombo()->geometry(), QRect(0, 0, 180, s));
    }
  }
}

struct ComboFixture : ::testing::Test {
  test::MainWindowStandIn main;
  CLeftView view{false};
  CCameraCombo* combo = view.GetCombo();
  void AddThree() {
    view.ResetCameras();
    view.AddCamera(0, "C1:Gate", "/data/ch01");
    view.AddCamera(2, "C3:Yard", "/data/ch03");
    view.AddCamera(5, "C6:Hall", "/data/ch06");
  }
  const char* PathOf(const test::PostedMessage& m) { return reinterpret_cast<const char*>(m.wParam); }
};

TEST_F(ComboFixture, SelectCameraPostsOpenCamera) {
  EXPECT_EQ(combo->GetCurrentEntry(), -1);
  EXPECT_EQ(combo->GetCurrent(nullptr, nullptr, nullptr), 0);
  AddThree();
  EXPECT_EQ(combo->GetCount(), 3);
  EXPECT_EQ(combo->itemText(1), "C3:Yard");
  view.SelectCamera(0);
  ASSERT_EQ(main.posted.size(), 1u);
  EXPECT_EQ(main.posted[0].msg, kMsgOpenCamera);
  EXPECT_STREQ(PathOf(main.posted[0]), "/data/ch01");
  EXPECT_EQ(main.posted[0].lParam, 0);
  int cam = -1;
  std::string label, path;
  EXPECT_EQ(combo->GetCurrent(&cam, &label, &path), 1);
  EXPECT_EQ(cam, 0);
  EXPECT_EQ(label, "C1:Gate");
  EXPECT_EQ(combo->GetEntry(2, &cam, &label, &path), 1);
  EXPECT_EQ(cam, 5);
  EXPECT_EQ(path, "/data/ch06");
  EXPECT_EQ(combo->GetEntry(3, &cam, &label, &path), 0);
  EXPECT_EQ(combo->GetEntry(-1, &cam, &label, &path), 0);
}

TEST_F(ComboFixture, UserChangeOfCamera) {
  AddThree();
  view.SelectCamera(0);
  main.posted.clear();
  // The camera already shown: nothing.
  combo->setCurrentIndex(0);
  combo->OnSelChange();
  EXPECT_TRUE(main.posted.empty());
  // Another camera: video size cleared first, then open-camera.
  combo->setCurrentIndex(2);
  emit combo->activated(2);
  ASSERT_EQ(main.posted.size(), 2u);
  EXPECT_EQ(main.posted[0].msg, kMsgVideoSize);
  EXPECT_EQ(main.posted[0].wParam, 0u);
  EXPECT_EQ(main.posted[0].lParam, 0);
  EXPECT_EQ(main.posted[1].msg, kMsgOpenCamera);
  EXPECT_STREQ(PathOf(main.posted[1]), "/data/ch06");
  EXPECT_EQ(main.posted[1].lParam, 5);
  EXPECT_EQ(combo->GetCurrentEntry(), 2);
}

TEST_F(ComboFixture, EmptyListAndSixteenEntries) {
  AddThree();
  view.SelectCamera(1);
  main.posted.clear();
  view.ResetCameras();
  EXPECT_EQ(combo->GetCount(), 0);
  EXPECT_EQ(combo->count(), 0);
  EXPECT_EQ(combo->GetCurrentEntry(), 1);  // reset leaves it
  view.SelectCamera(0);
  EXPECT_TRUE(main.posted.empty());
  EXPECT_EQ(combo->GetCurrentEntry(), -1);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(combo->AddCamera(i, std::string("C").append(std::to_string(i + 1)), "/p"));
  EXPECT_FALSE(combo->AddCamera(16, "C17", "/p"));
  EXPECT_EQ(combo->GetCount(), 16);
  EXPECT_EQ(combo->count(), 16);
}

TEST_F(ComboFixture, PostedPathStaysReadableAfterAReset) {
  AddThree();
  view.SelectCamera(2);
  ASSERT_EQ(main.posted.size(), 1u);
  const char* posted = PathOf(main.posted[0]);
  view.ResetCameras();  // the message may still be queued: its text must stay valid
  view.AddCamera(1, "C2:Door", "/data/a-much-longer-storage-folder/ch02");
  EXPECT_STREQ(posted, "/data/ch06");
}

}  // namespace
}  // namespace vt
