#include <gtest/gtest.h>

#include <vector>

#include "playback/frame_paint.h"

namespace vt {
namespace {

// A 4 x 2 frame in the given format: left half black, right half white (studio range).
VideoFrame MakeFrame(uint32_t fourcc) {
  VideoFrame f;
  f.fourcc = fourcc;
  f.width = 4;
  f.height = 2;
  if (fourcc == MakeFourCC('I', '4', '2', '0') || fourcc == MakeFourCC('Y', 'V', '1', '2')) {
    f.nPlanes = 3;
    f.stride[0] = 4, f.stride[1] = 2, f.stride[2] = 2;
    f.offset[0] = 0, f.offset[1] = 8, f.offset[2] = 10;
    f.data = {16, 16, 235, 235, 16, 16, 235, 235, 128, 128, 128, 128};
  } else if (fourcc == MakeFourCC('Y', 'U', 'Y', '2')) {
    f.nPlanes = 1;
    f.stride[0] = 8;
    f.data = {16, 128, 16, 128, 235, 128, 235, 128, 16, 128, 16, 128, 235, 128, 235, 128};
  } else if (fourcc == MakeFourCC('U', 'Y', 'V', 'Y')) {
    f.nPlanes = 1;
    f.stride[0] = 8;
    f.data = {128, 16, 128, 16, 128, 235, 128, 235, 128, 16, 128, 16, 128, 235, 128, 235};
  } else {
    f.nPlanes = 1;
    f.stride[0] = 16;
    for (int r = 0; r < 2; ++r)
      for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 4; ++c) f.data.push_back(x < 2 ? 0 : 255);
  }
  return f;
}

TEST(FramePaint, ScalesEachFormat) {
  for (uint32_t fourcc : {MakeFourCC('I', '4', '2', '0'), MakeFourCC('Y', 'V', '1', '2'), MakeFourCC('Y', 'U', 'Y', '2'),
                          MakeFourCC('U', 'Y', 'V', 'Y'), MakeFourCC('B', 'G', 'R', 'x')}) {
    SCOPED_TRACE(fourcc);
    const VideoFrame f = MakeFrame(fourcc);
    std::vector<uint32_t> out(8 * 3, 0x12345678u);
    ASSERT_TRUE(ScaleFrameToRgb32(f, out.data(), 8, 3, 8));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(x < 4 ? 0xFF000000u : 0xFFFFFFFFu, out[y * 8 + x]) << x << "," << y;
  }
}

TEST(FramePaint, RefusesFramesThatDoNotHoldTheirPlanes) {
  std::vector<uint32_t> out(16);
  VideoFrame f = MakeFrame(MakeFourCC('I', '4', '2', '0'));
  f.data.resize(11);  // second chroma plane cut short
  EXPECT_FALSE(ScaleFrameToRgb32(f, out.data(), 4, 2, 4));
  f = MakeFrame(MakeFourCC('Y', 'U', 'Y', '2'));
  f.stride[0] = 4;  // narrower than a row
  EXPECT_FALSE(ScaleFrameToRgb32(f, out.data(), 4, 2, 4));
  f = MakeFrame(MakeFourCC('B', 'G', 'R', 'x'));
  f.fourcc = MakeFourCC('N', 'V', '1', '2');
  EXPECT_FALSE(ScaleFrameToRgb32(f, out.data(), 4, 2, 4));
  f = MakeFrame(MakeFourCC('B', 'G', 'R', 'x'));
  EXPECT_FALSE(ScaleFrameToRgb32(f, out.data(), 0, 2, 4));
  EXPECT_FALSE(ScaleFrameToRgb32(f, out.data(), 4, 2, 3));
}

}  // namespace
}  // namespace vt
