#include <gtest/gtest.h>

#include <algorithm>
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

// Colours against the BT.601 studio-range rule, within two steps, the same from the vector code
// (rows of eight pixels and more) and the scalar code (the rest of a row).
TEST(FramePaint, ColoursFollowBt601InEveryPixelOfARow) {
  const int samples[][3] = {{16, 128, 128}, {235, 128, 128}, {126, 128, 128}, {81, 90, 240}, {145, 54, 34},
                            {41, 240, 110}, {0, 0, 0},       {255, 255, 255}, {200, 16, 16}, {60, 240, 240}};
  constexpr int kWidth = 11;  // one block of eight and three more
  for (const auto& s : samples) {
    VideoFrame f;
    f.fourcc = MakeFourCC('I', '4', '2', '0');
    f.width = kWidth;
    f.height = 2;
    f.nPlanes = 3;
    const int cw = (kWidth + 1) / 2;
    f.stride[0] = kWidth, f.stride[1] = cw, f.stride[2] = cw;
    f.offset[0] = 0, f.offset[1] = 2 * kWidth, f.offset[2] = 2 * kWidth + cw;
    f.data.assign(2 * kWidth, static_cast<uint8_t>(s[0]));
    f.data.insert(f.data.end(), cw, static_cast<uint8_t>(s[1]));
    f.data.insert(f.data.end(), cw, static_cast<uint8_t>(s[2]));
    std::vector<uint32_t> out(kWidth);
    ASSERT_TRUE(ScaleFrameToRgb32(f, out.data(), kWidth, 1, kWidth));
    const double y = 1.164 * (s[0] - 16), u = s[1] - 128, v = s[2] - 128;
    const double want[3] = {y + 1.596 * v, y - 0.391 * u - 0.813 * v, y + 2.018 * u};
    for (int x = 0; x < kWidth; ++x) {
      EXPECT_EQ(out[x], out[0]) << x;  // vector and scalar agree
      for (int c = 0; c < 3; ++c) {
        const int got = static_cast<int>((out[x] >> (16 - 8 * c)) & 0xFF);
        EXPECT_NEAR(got, std::clamp(want[c], 0.0, 255.0), 2.0) << s[0] << "," << s[1] << "," << s[2] << " channel " << c;
      }
    }
  }
}

// Every size takes the nearest sample: a scaled picture is the full-size one sampled at
// (x * w / dw, y * h / dh), for the picture's own size, half of it (both without a gather) and
// others, over widths that leave tails after the vector code.
TEST(FramePaint, EverySizeTakesTheNearestSample) {
  for (int w : {70, 71, 96}) {
    const int h = 6, cw = (w + 1) / 2, ch = (h + 1) / 2;
    VideoFrame f;
    f.fourcc = MakeFourCC('I', '4', '2', '0');
    f.width = w;
    f.height = h;
    f.nPlanes = 3;
    f.stride[0] = w, f.stride[1] = cw, f.stride[2] = cw;
    f.offset[0] = 0, f.offset[1] = static_cast<size_t>(w) * h, f.offset[2] = f.offset[1] + static_cast<size_t>(cw) * ch;
    uint32_t seed = 12345;
    f.data.resize(f.offset[2] + static_cast<size_t>(cw) * ch);
    for (uint8_t& b : f.data) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    std::vector<uint32_t> full(static_cast<size_t>(w) * h);
    ASSERT_TRUE(ScaleFrameToRgb32(f, full.data(), w, h, w));
    for (int dw : {w / 2, w - 3, w / 3, 2 * w}) {
      SCOPED_TRACE(std::to_string(w) + " to " + std::to_string(dw));
      const int dh = std::max(1, h * dw / w);
      std::vector<uint32_t> out(static_cast<size_t>(dw) * dh);
      ASSERT_TRUE(ScaleFrameToRgb32(f, out.data(), dw, dh, dw));
      for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x)
          ASSERT_EQ(full[static_cast<size_t>(y * h / dh) * w + x * w / dw], out[static_cast<size_t>(y) * dw + x]) << x << "," << y;
    }
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
