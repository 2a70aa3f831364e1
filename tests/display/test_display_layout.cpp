// Where the Player puts picture, frame and bars in a larger view and full screen: at the fitted
// size exactly the specified layout, larger the picture keeps its aspect, full screen without
// frame with the bars over the bottom while the mouse is near it.
#include <gtest/gtest.h>

#include "display/display_layout.h"
#include "playback/player_logic.h"

namespace vt {
namespace {

// The generated skin's parts: frame 10 / 10 / 10, information 20, seek 17, buttons 36.
const PlayerChrome kChrome{10, 10, 10, 20, 17, 36};

TEST(DisplayLayout, AspectFitCentresTheLargestPictureOfTheAspect) {
  struct Case {
    DisplayRect box;
    int w, h;
    DisplayRect want;
  } cases[] = {
      {{0, 0, 800, 300}, 4, 3, {200, 0, 400, 300}},    // wide box: bands left and right
      {{10, 10, 400, 600}, 4, 3, {10, 160, 400, 300}},  // tall box: bands above and below
      {{0, 0, 352, 288}, 352, 288, {0, 0, 352, 288}},   // the same aspect fills it
      {{0, 0, 721, 577}, 720, 576, {0, 0, 721, 576}},
      {{5, 5, 300, 200}, 0, 0, {5, 5, 300, 200}},       // no video size: the box
      {{0, 0, 0, 0}, 4, 3, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(AspectFit(c.box, c.w, c.h), c.want) << c.w << "x" << c.h;
}

TEST(DisplayLayout, AtTheFittedSizeEverythingStaysWhereTheLayoutRuleHasIt) {
  for (auto [vw, vh, nw, nh] : {std::tuple{360, 288, 720, 576}, std::tuple{352, 288, 352, 288},
                                std::tuple{330, 240, 0, 0}, std::tuple{704, 576, 352, 288}}) {
    const PlayerLayout rule = LayoutPlayer(vw, vh, kChrome.leftW, kChrome.rightW, kChrome.topH, kChrome.infoH,
                                           kChrome.seekH, kChrome.barH);
    // No area yet, or the area of a fitted window: the same.
    for (auto [aw, ah] : {std::pair{0, 0}, std::pair{rule.wndWidth, rule.wndHeight}}) {
      const PlayerDisplay d = LayoutInArea(aw, ah, kChrome, vw, vh, nw, nh);
      EXPECT_EQ(d.wndW, rule.wndWidth);
      EXPECT_EQ(d.wndH, rule.wndHeight);
      EXPECT_EQ(d.video, (DisplayRect{rule.videoX, rule.videoY, vw, vh}));
      EXPECT_EQ(d.picture, d.video);
      EXPECT_EQ(d.infoY, rule.infoY);
      EXPECT_EQ(d.seekY, rule.seekY);
      EXPECT_EQ(d.barY, rule.barY);
      EXPECT_TRUE(d.bFramed && d.bBars);
    }
  }
}

TEST(DisplayLayout, ALargerAreaGrowsVideoAndBarsAndKeepsThePictureAspect) {
  // 720 x 576 shown halved (380 x 371 Player), in a view made 1000 x 700.
  const PlayerDisplay d = LayoutInArea(980, 680, kChrome, 360, 288, 720, 576);
  EXPECT_EQ(d.wndW, 980);
  EXPECT_EQ(d.wndH, 680);
  EXPECT_EQ(d.video, (DisplayRect{10, 10, 960, 680 - 10 - 73}));
  EXPECT_EQ(d.picture.h, 597);
  EXPECT_EQ(d.picture.w, 746);  // 597 x 5 / 4
  EXPECT_EQ(d.picture.x, 10 + (960 - 746) / 2);
  EXPECT_EQ(d.barY, 680 - 36);
  EXPECT_EQ(d.seekY, 680 - 36 - 17);
  EXPECT_EQ(d.infoY, 680 - 73);
  // Never smaller than fitted: a smaller area keeps the fitted layout.
  EXPECT_EQ(LayoutInArea(100, 100, kChrome, 360, 288, 720, 576), LayoutInArea(0, 0, kChrome, 360, 288, 720, 576));
}

// A video narrower than the button bar: the Player is as wide as the bar needs and the picture
// keeps its own size in the middle of the wider video area.
TEST(DisplayLayout, NarrowVideoInAPlayerAsWideAsItsButtons) {
  PlayerChrome c = kChrome;
  c.minW = 300;
  for (auto [vw, vh] : {std::pair{176, 144}, std::pair{160, 120}}) {
    const PlayerDisplay d = LayoutInArea(0, 0, c, vw, vh, vw, vh);
    EXPECT_EQ(d.wndW, 300);
    EXPECT_EQ(d.video, (DisplayRect{10, 10, 280, vh}));
    EXPECT_EQ(d.picture, (DisplayRect{10 + (280 - vw) / 2, 10, vw, vh}));
    EXPECT_EQ(d.wndH, 10 + vh + 73);
  }
  // Wide enough already: unchanged.
  EXPECT_EQ(LayoutInArea(0, 0, c, 352, 288, 352, 288), LayoutInArea(0, 0, kChrome, 352, 288, 352, 288));
}

TEST(DisplayLayout, FullScreenHasNoFrameAndBarsOverThePictureOnlyWhenShown) {
  for (bool bars : {false, true}) {
    const PlayerDisplay d = LayoutFullScreen(1280, 1024, kChrome, 720, 576, bars);
    EXPECT_EQ(d.wndW, 1280);
    EXPECT_EQ(d.wndH, 1024);
    EXPECT_EQ(d.video, (DisplayRect{0, 0, 1280, 1024}));
    EXPECT_EQ(d.picture, (DisplayRect{0, 0 + (1024 - 1024) / 2, 1280, 1024}));  // 5:4 fills a 5:4 screen
    EXPECT_FALSE(d.bFramed);
    EXPECT_EQ(d.bBars, bars);
    EXPECT_EQ(d.barY, 1024 - 36);
    EXPECT_EQ(d.infoY, 1024 - 73);
  }
  EXPECT_EQ(LayoutFullScreen(1920, 1080, kChrome, 720, 576, false).picture, (DisplayRect{285, 0, 1350, 1080}));
  // The bars come when the mouse is within their height and the margin of the bottom.
  const int top = 1024 - kChrome.BarsHeight() - kBarsRevealMargin;
  EXPECT_FALSE(BarsWanted(top - 1, 1024, kChrome));
  EXPECT_TRUE(BarsWanted(top, 1024, kChrome));
  EXPECT_TRUE(BarsWanted(1023, 1024, kChrome));
  EXPECT_FALSE(BarsWanted(1024, 1024, kChrome));
}

}  // namespace
}  // namespace vt
