#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "frame/empty_player_area.h"
#include "frame/vant_player_view.h"

namespace vt {
namespace {

TEST(MarginBands, FourBandsAroundThePlayerEmptyOnesLeftOut) {
  struct Case {
    const char* name;
    QRect client, player;
    std::vector<QRect> want;
  };
  const Case cases[] = {
      {"fitted view", QRect(0, 0, 350, 260), QRect(10, 10, 330, 240),
       {QRect(0, 0, 350, 10), QRect(0, 250, 350, 10), QRect(0, 0, 10, 260), QRect(340, 0, 10, 260)}},
      {"player at the corner", QRect(0, 0, 100, 80), QRect(0, 0, 60, 80), {QRect(60, 0, 40, 80)}},
      {"player covers all", QRect(0, 0, 50, 50), QRect(0, 0, 50, 50), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(MarginBands(c.client, c.player), c.want) << c.name;
}

TEST(VideoView, GreyMarginAroundEmptyPlayerArea) {
  static int argc = 1;
  static char name[] = "test_video_view";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  CVantPlayerView view(nullptr);
  view.Init("/nonexistent/vantor.ini", "/nonexistent");
  view.resize(350, 260);
  IPlayerWindow* p = view.GetPlayer();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(QRect(p->GetWndX(), p->GetWndY(), p->GetWndWidth(), p->GetWndHeight()), QRect(10, 10, 330, 240));
  EXPECT_FALSE(p->IsOpen());
  EXPECT_FALSE(p->Widget()->isHidden());
  QImage img = view.grab().toImage();
  EXPECT_EQ(img.pixel(0, 0), 0xFF808080u);
  EXPECT_EQ(img.pixel(9, 130), 0xFF808080u);
  EXPECT_EQ(img.pixel(345, 255), 0xFF808080u);
  EXPECT_EQ(img.pixel(175, 130), 0xFF000000u);
}

}  // namespace
}  // namespace vt
