// The skin generated at build time: every file of the tables is there, loads, and the sizes
// agree with one another the way the controls draw them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "skin/dib.h"
#include "skin/skin_files.h"

namespace vt {
namespace {

const std::string kSkin = VT_SKIN_DIR;

CDib Load(const char* name) {
  CDib d;
  EXPECT_EQ(d.Load(kSkin + "/" + name), 1) << name;
  if (!d.IsEmpty()) {
    EXPECT_EQ(d.GetHeader()->biBitCount, 24) << name;
    EXPECT_EQ(d.GetHeader()->biCompression, BI_RGB) << name;
  }
  return d;
}

TEST(GeneratedSkin, BarsHaveMatchingCapsAndTiles) {
  for (const char* const* table : {kButtonBarBackground, kInfoBarBackground}) {
    const CDib l = Load(table[0]), m = Load(table[1]), r = Load(table[2]);
    EXPECT_EQ(l.GetHeight(), m.GetHeight()) << table[0];
    EXPECT_EQ(r.GetHeight(), m.GetHeight()) << table[2];
  }
  const CDib l = Load(kSeekBarBackground[0]), track = Load(kSeekBarBackground[1]);
  const CDib groove = Load(kSeekBarBackground[2]), r = Load(kSeekBarBackground[3]);
  EXPECT_EQ(l.GetHeight(), track.GetHeight());
  EXPECT_EQ(r.GetHeight(), track.GetHeight());
  EXPECT_EQ(groove.GetWidth(), track.GetWidth());
  // The groove tile, drawn from row 3 over the thumb's trail, is the track's own rows: erasing
  // the thumb leaves the track as it was.
  const int grooveTop = 3;
  ASSERT_LE(grooveTop + groove.GetHeight(), track.GetHeight());
  const uint64_t stride = track.GetStride();
  for (int row = 0; row < groove.GetHeight(); ++row) {
    // Bottom-up rows: groove row g (from its top) is track row grooveTop + g from the top.
    const int grooveBottomUp = groove.GetHeight() - 1 - row;
    const int trackBottomUp = track.GetHeight() - 1 - (grooveTop + row);
    EXPECT_EQ(0, std::memcmp(groove.GetPixels() + grooveBottomUp * stride, track.GetPixels() + trackBottomUp * stride,
                             static_cast<size_t>(track.GetWidth()) * 3))
        << row;
  }
}

TEST(GeneratedSkin, ButtonsAreFiveEqualStripsThatFitTheBar) {
  const CDib mid = Load(kButtonBarBackground[1]);
  const CDib first = Load(kButtonFiles[0]);
  for (const char* name : kButtonFiles) {
    const CDib b = Load(name);
    EXPECT_EQ(b.GetHeight() % 5, 0) << name;
    EXPECT_EQ(b.GetWidth(), first.GetWidth()) << name;
    EXPECT_EQ(b.GetHeight(), first.GetHeight()) << name;
    EXPECT_LE(b.GetHeight() / 5, mid.GetHeight()) << name;
    // Hover, pressed and normal strips differ, so each state is visible.
    const size_t strip = static_cast<size_t>(b.GetStride()) * (b.GetHeight() / 5);
    const uint8_t* px = b.GetPixels();
    EXPECT_NE(0, std::memcmp(px + 2 * strip, px + 4 * strip, strip)) << name;
    EXPECT_NE(0, std::memcmp(px + 3 * strip, px + 4 * strip, strip)) << name;
    EXPECT_NE(0, std::memcmp(px + 0 * strip, px + 4 * strip, strip)) << name;
  }
}

TEST(GeneratedSkin, SeekElementsFitTheBar) {
  const CDib track = Load(kSeekBarBackground[1]);
  const CDib groove = Load(kSeekBarBackground[2]);
  const CDib thumb = Load(kSeekElementFiles[0]);
  EXPECT_EQ(thumb.GetWidth() % 5, 0);
  // The centred thumb lies inside the rows the groove tile repaints.
  const int thumbY = (track.GetHeight() - thumb.GetHeight()) / 2;
  EXPECT_GE(thumbY, 3);
  EXPECT_LE(thumbY + thumb.GetHeight(), 3 + groove.GetHeight());
  for (int i = 1; i < kSeekElements; ++i) {
    const CDib e = Load(kSeekElementFiles[i]);
    EXPECT_EQ(e.GetWidth() % 5, 0);
    EXPECT_LE(e.GetHeight(), track.GetHeight());
  }
}

TEST(GeneratedSkin, VideoFramePiecesAgree) {
  const CDib ul = Load(kVideoFrameFiles[0]), um = Load(kVideoFrameFiles[1]), ur = Load(kVideoFrameFiles[2]);
  const CDib l = Load(kVideoFrameFiles[3]), r = Load(kVideoFrameFiles[4]);
  EXPECT_EQ(ul.GetHeight(), um.GetHeight());
  EXPECT_EQ(ur.GetHeight(), um.GetHeight());
  EXPECT_EQ(l.GetWidth(), ul.GetWidth());
  EXPECT_EQ(r.GetWidth(), ur.GetWidth());
}

}  // namespace
}  // namespace vt
