#include "skin/skin_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/local_time.h"
#include "skin/skin_files.h"

namespace vt {
namespace {

TEST(TileSpans, WholeTilesThenOneClippedToTheRest) {
  struct Case {
    int start, span, tile;
    std::vector<TileSpan> want;
  };
  const Case cases[] = {
      {5, 30, 10, {{5, 10, false}, {15, 10, false}, {25, 10, true}}},  // exact multiple: last is whole width
      {5, 27, 10, {{5, 10, false}, {15, 10, false}, {25, 7, true}}},
      {0, 3, 10, {{0, 3, true}}},
      {0, 1, 1, {{0, 1, true}}},
      {7, 0, 10, {}},   // empty span
      {7, -4, 10, {}},  // bar narrower than its caps
      {7, 20, 0, {}},   // a tile with no width never loops
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << "," << c.span << "," << c.tile);
    EXPECT_EQ(TileSpans(c.start, c.span, c.tile), c.want);
  }
}

TEST(TileSpans, ThreePieceEndsExactlyAtTheRightCap) {
  for (int w = 0; w < 80; ++w) {
    const ThreePieceLayout l = LayoutThreePiece(w, 6, 32, 7);
    EXPECT_EQ(l.rightX, w - 7);
    if (w - 13 > 0) {
      ASSERT_FALSE(l.tiles.empty());
      EXPECT_EQ(l.tiles.front().x, 6);
      EXPECT_EQ(l.tiles.back().x + l.tiles.back().width, w - 7) << w;
    } else {
      EXPECT_TRUE(l.tiles.empty()) << w;
    }
  }
}

TEST(SkinButtonStrip, StripPerState) {
  struct Case {
    bool disabled, pressed;
    int state;
    bool hovering;
    int want;
  };
  const Case cases[] = {
      {true, false, kButtonStateDisabled, true, kStripDisabled},
      {true, false, kButtonStateNormal, false, kStripDisabled},
      {false, true, kButtonStateNormal, false, kStripPressed},
      {false, false, kButtonStateNormal, true, kStripHover},
      {false, false, kButtonStateNormal, false, kStripNormal},
      {false, false, kButtonStateDisabled, true, kStripNormal},  // any other state: normal look
  };
  for (const Case& c : cases) EXPECT_EQ(SkinButtonStrip(c.disabled, c.pressed, c.state, c.hovering), c.want);
}

TEST(ButtonBarXs, CentredTouchingOrFromTheLeftCap) {
  const std::vector<int> widths(8, 20);  // 160 in all
  // Exactly as wide as caps plus buttons: first at the left cap's edge, last touching the right cap.
  auto xs = ButtonBarXs(5 + 160 + 7, 5, 7, widths);
  EXPECT_EQ(xs.front(), 5);
  EXPECT_EQ(xs.back() + 20, 5 + 160);
  for (size_t i = 1; i < xs.size(); ++i) EXPECT_EQ(xs[i], xs[i - 1] + 20);
  // Wider: centred, the odd pixel to the right.
  xs = ButtonBarXs(5 + 160 + 7 + 11, 5, 7, widths);
  EXPECT_EQ(xs.front(), 5 + 5);
  // Narrower: from the left cap, running under the right cap.
  xs = ButtonBarXs(100, 5, 7, widths);
  EXPECT_EQ(xs.front(), 5);
  EXPECT_EQ(xs.back(), 5 + 140);
  EXPECT_EQ(CentredY(30, 12), 9);
}

TEST(InfoTextRect, CentredOrFullHeight) {
  EXPECT_EQ(ComputeInfoTextRect(200, 24, 15, 5, 6), (InfoTextRect{5, 4, 194, 19}));
  // A bar lower than the line: the line at the top in the bar's whole height.
  EXPECT_EQ(ComputeInfoTextRect(200, 12, 15, 5, 6), (InfoTextRect{5, 0, 194, 12}));
  EXPECT_EQ(ComputeInfoTextRect(200, 15, 15, 5, 6), (InfoTextRect{5, 0, 194, 15}));
}

TEST(ChooseInfoLine, LongFormUnlessItDoesNotFit) {
  setenv("TZ", "UTC0", 1);
  tzset();
  const time32 t = MakeLocalTime(2008, 3, 14, 9, 26, 5);
  auto measure = [](const std::string& s) { return static_cast<int>(s.size()) * 7; };
  const std::string longText = "  2008-03-14 09:26:05 (x1/16)";
  const std::string shortText = "  09:26:05 (x1/16)";
  const int longW = static_cast<int>(longText.size()) * 7;

  InfoLine l = ChooseInfoLine(t, " (x1/16)", longW, measure);
  EXPECT_EQ(l.text, longText);
  EXPECT_FALSE(l.shortForm);
  l = ChooseInfoLine(t, " (x1/16)", longW - 1, measure);
  EXPECT_EQ(l.text, shortText);
  EXPECT_EQ(l.width, static_cast<int>(shortText.size()) * 7);
  // The short form is used even when it does not fit either.
  l = ChooseInfoLine(t, " (x1/16)", 10, measure);
  EXPECT_EQ(l.text, shortText);
  EXPECT_TRUE(l.shortForm);

  EXPECT_TRUE(InfoLineNeedsClear(100, 99));
  EXPECT_FALSE(InfoLineNeedsClear(100, 100));
  EXPECT_FALSE(InfoLineNeedsClear(0, 50));
}

TEST(SkinFiles, NamesAndCaseOfTheTables) {
  EXPECT_STREQ(kButtonFiles[0], "btn/play.bmp");
  EXPECT_STREQ(kButtonFiles[7], "btn/speed.bmp");
  EXPECT_STREQ(kButtonBarBackground[0], "bg/Cleft.bmp");
  EXPECT_STREQ(kSeekBarBackground[2], "bg/SMid1.bmp");
  EXPECT_STREQ(kVideoFrameFiles[0], "bg/VUpLeft.bmp");
  EXPECT_EQ(kButtonTextIds[5], 59412);  // Snapshot before Zoom in the table, ids out of order
  EXPECT_EQ(kButtonTextIds[6], 59409);
}

}  // namespace
}  // namespace vt
