#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_utils.h"

namespace vt {
namespace {

// A packed bitmap whose every pixel holds its own coordinates, so a scaled copy shows which
// source pixel each target pixel came from.
std::vector<uint8_t> MakeDib(int w, int h, int bits, uint32_t clrUsed = 0) {
  BITMAPINFOHEADER hd{};
  hd.biSize = sizeof hd;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = static_cast<uint16_t>(bits);
  hd.biClrUsed = clrUsed;
  size_t palette = bits == 8 ? (clrUsed ? clrUsed * 4 : 1024) : (bits == 4 ? 64 : 0);
  size_t stride = ((static_cast<size_t>(bits) * w / 8) + 3) & ~size_t{3};
  std::vector<uint8_t> dib(sizeof hd + palette + stride * h, 0xEE);
  std::memcpy(dib.data(), &hd, sizeof hd);
  size_t b = bits / 8;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (size_t k = 0; k < b; ++k)
        dib[sizeof hd + palette + y * stride + x * b + k] = static_cast<uint8_t>(k == 0 ? x : (k == 1 ? y : x + y));
  return dib;
}

BITMAPINFOHEADER Header(const uint8_t* p) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, p, sizeof h);
  return h;
}

TEST(ScaleDibTest, HalfSizeTakesEverySecondPixelOfEverySecondRow) {
  // 720 x 576 does not fit byte coordinates; 72 x 58 keeps the same rule visible.
  auto src = MakeDib(72, 58, 24);
  uint8_t* out = nullptr;
  ASSERT_TRUE(ScaleDib(src.data(), 36, 29, &out));
  BITMAPINFOHEADER h = Header(out);
  EXPECT_EQ(h.biWidth, 36);
  EXPECT_EQ(h.biHeight, 29);
  EXPECT_EQ(h.biSizeImage, 108u * 29);
  const uint8_t* px = out + 40;
  for (int y = 0; y < 29; ++y)
    for (int x = 0; x < 36; ++x) {
      ASSERT_EQ(px[y * 108 + x * 3], 2 * x);
      ASSERT_EQ(px[y * 108 + x * 3 + 1], 2 * y);
    }
  delete[] out;
}

TEST(ScaleDibTest, FixedPointStepsAndPalettes) {
  const struct {
    int bits;
    uint32_t clrUsed;
    int sw, sh, w, h;
    size_t headerPart;
  } cases[] = {
      {8, 0, 10, 7, 3, 2, 40 + 1024},  // dx = 853: pixels 0, 3, 6
      {8, 16, 5, 5, 7, 3, 40 + 64},    // enlarging repeats pixels
      {16, 0, 9, 4, 4, 4, 40},
      {32, 0, 3, 3, 5, 5, 40},
  };
  for (const auto& c : cases) {
    auto src = MakeDib(c.sw, c.sh, c.bits, c.clrUsed);
    uint8_t* out = nullptr;
    ASSERT_TRUE(ScaleDib(src.data(), c.w, c.h, &out));
    EXPECT_EQ(std::memcmp(out + 40, src.data() + 40, c.headerPart - 40), 0) << "palette copied";
    size_t b = c.bits / 8;
    size_t stride = (b * c.w + 3) & ~size_t{3};
    uint32_t dx = (static_cast<uint32_t>(c.sw) << 8) / c.w, dy = (static_cast<uint32_t>(c.sh) << 8) / c.h;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        uint8_t* p = out + c.headerPart + y * stride + x * b;
        EXPECT_EQ(p[0], (x * dx) >> 8) << c.bits << " x " << x;
        if (b > 1) {
          EXPECT_EQ(p[1], (y * dy) >> 8) << c.bits << " y " << y;
        }
      }
    delete[] out;
  }
}

TEST(ScaleDibTest, TargetReusedOnlyWhenLargeEnoughAndSameLayout) {
  auto src = MakeDib(8, 8, 24);
  uint8_t* out = nullptr;
  ASSERT_TRUE(ScaleDib(src.data(), 8, 8, &out));
  uint8_t* first = out;
  ASSERT_TRUE(ScaleDib(src.data(), 4, 4, &out));
  EXPECT_EQ(out, first) << "smaller picture fits the block";
  // An 8-bit source needs room for its palette: the 24-bit block is not reused.
  auto pal = MakeDib(4, 4, 8);
  ASSERT_TRUE(ScaleDib(pal.data(), 4, 4, &out));
  EXPECT_EQ(Header(out).biBitCount, 8);
  EXPECT_EQ(out[40 + 1024], 0);
  delete[] out;
}

TEST(ScaleDibTest, RefusesMissingArgumentsAndEmptySizes) {
  auto src = MakeDib(4, 4, 24);
  uint8_t* out = nullptr;
  EXPECT_FALSE(ScaleDib(src.data(), 0, 4, &out));
  EXPECT_FALSE(ScaleDib(src.data(), 4, -1, &out));
  EXPECT_FALSE(ScaleDib(nullptr, 4, 4, &out));
  EXPECT_FALSE(ScaleDib(src.data(), 4, 4, nullptr));
  EXPECT_FALSE(ScaleDib(reinterpret_cast<const BITMAPINFOHEADER*>(src.data()), nullptr, 4, 4, &out));
  EXPECT_EQ(out, nullptr);
  // Below 8 bits per pixel nothing is copied but the header is right and the block is whole.
  auto four = MakeDib(8, 2, 4);
  ASSERT_TRUE(ScaleDib(four.data(), 8, 2, &out));
  EXPECT_EQ(Header(out).biSizeImage, 8u);
  delete[] out;
}

}  // namespace
}  // namespace vt
