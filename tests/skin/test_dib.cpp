#include "skin/dib.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vt {
namespace {

// Builds a bitmap file inline: file header, info header, then `body` (colour table and pixels, or
// whatever the case wants there).
std::vector<uint8_t> MakeBmp(int bits, int32_t w, int32_t h, const std::vector<uint8_t>& body,
                             uint32_t compression = BI_RGB, uint32_t clrUsed = 0, uint32_t biSize = 40,
                             uint32_t offBits = 0) {
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = kBitmapFileType;
  fh.bfSize = static_cast<uint32_t>(54 + body.size());
  fh.bfOffBits = offBits ? offBits : 54;
  ih.biSize = biSize;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = static_cast<uint16_t>(bits);
  ih.biCompression = compression;
  ih.biClrUsed = clrUsed;
  std::vector<uint8_t> out(54 + body.size());
  std::memcpy(out.data(), &fh, 14);
  std::memcpy(out.data() + 14, &ih, 40);
  std::copy(body.begin(), body.end(), out.begin() + 54);
  return out;
}

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 1);
  return v;
}

class DibFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vt_dib_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string p = dir_ + "/" + name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  static std::vector<uint8_t> Read(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  std::string dir_;
};

TEST(DibLayout, StrideAndColourTable) {
  EXPECT_EQ(DibStride(24, 3), 12u);  // 9 bytes padded to 12
  EXPECT_EQ(DibStride(24, 4), 12u);
  EXPECT_EQ(DibStride(8, 5), 8u);
  EXPECT_EQ(DibStride(16, 3), 8u);
  EXPECT_EQ(DibStride(32, 3), 12u);
  EXPECT_EQ(DibStride(24, -1), 0u);
  BITMAPINFOHEADER h{};
  h.biBitCount = 4;
  EXPECT_EQ(DibColorTableSize(h), 64u);
  h.biBitCount = 8;
  EXPECT_EQ(DibColorTableSize(h), 1024u);
  h.biClrUsed = 2;
  EXPECT_EQ(DibColorTableSize(h), 8u);
  h.biBitCount = 24;
  EXPECT_EQ(DibColorTableSize(h), 0u);
}

TEST_F(DibFile, LoadsEachAcceptedDepth) {
  struct Case {
    int bits;
    uint32_t clrUsed;
    size_t table;
  };
  for (const Case& c : {Case{8, 0, 1024}, Case{8, 3, 12}, Case{16, 0, 0}, Case{24, 0, 0}, Case{32, 0, 0}}) {
    SCOPED_TRACE(c.bits);
    const size_t pixels = DibStride(c.bits, 3) * 2;
    auto body = Pattern(c.table + pixels);
    CDib dib;
    ASSERT_EQ(dib.Load(Write("a.bmp", MakeBmp(c.bits, 3, 2, body, BI_RGB, c.clrUsed))), 1);
    EXPECT_EQ(dib.GetWidth(), 3);
    EXPECT_EQ(dib.GetHeight(), 2);
    EXPECT_EQ(dib.GetPixelOffset(), 40 + c.table);
    ASSERT_EQ(dib.GetPackedSize(), 40 + c.table + pixels);
    EXPECT_EQ(0, std::memcmp(dib.GetPackedDib() + 40, body.data(), body.size()));
    EXPECT_EQ(0, std::memcmp(dib.GetPixels(), body.data() + c.table, pixels));
  }
}

// Everything a skin file must not be, and headers built to overflow or overrun the buffer.
TEST_F(DibFile, RefusesBadFilesAndDropsTheOldBitmap) {
  const auto px24 = Pattern(DibStride(24, 3) * 2);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"4-bit", MakeBmp(4, 3, 2, Pattern(64 + 8))},
      {"1-bit", MakeBmp(1, 3, 2, Pattern(8))},
      {"RLE8", MakeBmp(8, 3, 2, Pattern(1024 + 8), BI_RLE8)},
      {"RLE4", MakeBmp(4, 3, 2, Pattern(64 + 8), BI_RLE4)},
      {"bit fields", MakeBmp(16, 3, 2, Pattern(12 + 16), BI_BITFIELDS)},
      {"not BM", [&] { auto b = MakeBmp(24, 3, 2, px24); b[0] = 'X'; return b; }()},
      {"truncated header", [&] { auto b = MakeBmp(24, 3, 2, px24); b.resize(50); return b; }()},
      {"pixels one byte short", [&] { auto b = MakeBmp(24, 3, 2, px24); b.pop_back(); return b; }()},
      {"biSize below 40", MakeBmp(24, 3, 2, px24, BI_RGB, 0, 39)},
      {"biSize huge", MakeBmp(24, 3, 2, px24, BI_RGB, 0, 0xFFFFFFF0u)},
      {"negative width", MakeBmp(24, -3, 2, px24)},
      {"negative height (top-down)", MakeBmp(24, 3, -2, px24)},
      {"zero width", MakeBmp(24, 0, 2, px24)},
      {"huge width", MakeBmp(32, 0x7FFFFFFF, 2, px24)},
      {"width*height past 64 bits", MakeBmp(32, 0x7FFFFFFF, 0x7FFFFFFF, px24)},
      {"colour count huge", MakeBmp(8, 3, 2, Pattern(1024 + 8), BI_RGB, 0xFFFFFFFFu)},
  };
  const auto good = Write("good.bmp", MakeBmp(24, 3, 2, px24));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CDib dib;
    ASSERT_EQ(dib.Load(good), 1);
    EXPECT_EQ(dib.Load(Write("bad.bmp", c.bytes)), 0);
    EXPECT_EQ(dib.GetWidth(), 0);
    EXPECT_EQ(dib.GetHeight(), 0);
    EXPECT_TRUE(dib.IsEmpty());
    EXPECT_EQ(dib.LoadFromMemory(c.bytes.data(), c.bytes.size()), 0);
  }
}

TEST_F(DibFile, MissingFileLeavesTheHeldBitmap) {
  CDib dib;
  ASSERT_EQ(dib.Load(Write("good.bmp", MakeBmp(24, 3, 2, Pattern(24)))), 1);
  EXPECT_EQ(dib.Load(dir_ + "/absent.bmp"), 0);
  EXPECT_EQ(dib.GetWidth(), 3);
  EXPECT_FALSE(dib.IsEmpty());
  EXPECT_EQ(dib.Load(dir_), 0);  // a folder opens but is no bitmap
  EXPECT_TRUE(dib.IsEmpty());
}

// The pixel offset of the file header is not consulted: a gap between colour table and pixels
// shifts the picture by the gap.
TEST_F(DibFile, ColourTableGapLoadsShifted) {
  const std::vector<uint8_t> table = {1, 2, 3, 0, 4, 5, 6, 0};  // two entries
  const std::vector<uint8_t> gap = {0xEE, 0xEE, 0xEE, 0xEE};
  const std::vector<uint8_t> pixels = {10, 11, 12, 13, 20, 21, 22, 23};  // 4x2, 8-bit
  std::vector<uint8_t> body = table;
  body.insert(body.end(), gap.begin(), gap.end());
  body.insert(body.end(), pixels.begin(), pixels.end());
  CDib dib;
  ASSERT_EQ(dib.Load(Write("gap.bmp", MakeBmp(8, 4, 2, body, BI_RGB, 2, 40, 54 + 8 + 4))), 1);
  const uint8_t* p = dib.GetPixels();
  EXPECT_EQ(std::vector<uint8_t>(p, p + 8), (std::vector<uint8_t>{0xEE, 0xEE, 0xEE, 0xEE, 10, 11, 12, 13}));
}

TEST_F(DibFile, SaveRoundTripsAndReplacesALongerFile) {
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = 3;
  h.biHeight = 2;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biSizeImage = 24;
  auto pixels = Pattern(24);
  CDib dib(h, pixels.data());
  EXPECT_EQ(dib.GetWidth(), 3);
  EXPECT_EQ(dib.GetPackedSize(), 64u);

  const std::string path = Write("out.bmp", std::vector<uint8_t>(4096, 0x55));
  ASSERT_EQ(dib.Save(path), 1);
  auto file = Read(path);
  ASSERT_EQ(file.size(), 14u + 40 + 24);  // no stale tail of the old file
  BITMAPFILEHEADER fh;
  std::memcpy(&fh, file.data(), 14);
  EXPECT_EQ(+fh.bfType, kBitmapFileType);
  EXPECT_EQ(+fh.bfSize, 78u);
  EXPECT_EQ(+fh.bfOffBits, 54u);
  EXPECT_EQ(0, std::memcmp(file.data() + 54, pixels.data(), 24));

  CDib back;
  ASSERT_EQ(back.Load(path), 1);
  EXPECT_EQ(back.GetPackedSize(), dib.GetPackedSize());
  EXPECT_EQ(0, std::memcmp(back.GetPackedDib(), dib.GetPackedDib(), dib.GetPackedSize()));
}

TEST_F(DibFile, SaveKeepsTheColourTableOfAnEightBitPicture) {
  auto body = Pattern(8 + 8);
  CDib dib;
  ASSERT_EQ(dib.Load(Write("in.bmp", MakeBmp(8, 4, 2, body, BI_RGB, 2))), 1);
  ASSERT_EQ(dib.Save(dir_ + "/out.bmp"), 1);
  CDib back;
  ASSERT_EQ(back.Load(dir_ + "/out.bmp"), 1);
  EXPECT_EQ(0, std::memcmp(back.GetPackedDib() + 40, body.data(), body.size()));
}

TEST_F(DibFile, SaveFailsWhenEmptyOrUnwritable) {
  CDib empty;
  EXPECT_EQ(empty.Save(dir_ + "/x.bmp"), 0);
  EXPECT_NE(access((dir_ + "/x.bmp").c_str(), F_OK), 0);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = 1;
  h.biHeight = 1;
  h.biBitCount = 24;
  h.biSizeImage = 4;
  uint8_t px[4] = {1, 2, 3, 0};
  CDib dib(h, px);
  EXPECT_EQ(dib.Save(dir_ + "/no/such/folder/x.bmp"), 0);
}

TEST(DibConstruct, FreesTheSourcesWhenAsked) {
  auto* h = new BITMAPINFOHEADER{};
  h->biSize = 40;
  h->biWidth = 2;
  h->biHeight = 1;
  h->biBitCount = 24;
  h->biSizeImage = 8;
  auto* px = new uint8_t[8]{1, 2, 3, 4, 5, 6, 0, 0};
  CDib dib(h, px, 0);  // sanitizer build reports a leak or double free otherwise
  ASSERT_EQ(dib.GetPixelBytes(), 8u);
  EXPECT_EQ(dib.GetPixels()[3], 4);
  CDib moved(std::move(dib));
  EXPECT_TRUE(dib.IsEmpty());
  EXPECT_EQ(moved.GetWidth(), 2);
}

}  // namespace
}  // namespace vt
