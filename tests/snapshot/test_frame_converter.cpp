#include "snapshot/frame_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame_builder.h"
#include "guarded_buffer.h"
#include "snapshot/media_subtype.h"

namespace vt {
namespace {

Bgr Expect(const CFrameConverter& c, uint8_t y, uint8_t u, uint8_t v) {
  uint8_t o[3];
  c.YuvToBgr(y, u, v, o);
  return {o[0], o[1], o[2]};
}

PackedDib Convert(const GUID& subtype, const std::vector<uint8_t>& frame) {
  CFrameConverter c;
  GuardedBuffer buf(frame.data(), frame.size());
  return c.ConvertToRGB24(subtype, buf.data(), buf.size());
}

TEST(PixelRule, StudioRangeEndsAndClamping) {
  struct Case {
    uint8_t y, u, v;
    Bgr want;
  };
  const Case cases[] = {
      {16, 128, 128, {0, 0, 0}},        // black
      {235, 128, 128, {254, 254, 254}}, // 9535 * 219 >> 13 = 254, not 255
      {0, 128, 128, {0, 0, 0}},         // negative sum clamps to 0
      {255, 255, 255, {255, 125, 255}}, // blue and red clamp at 255
      {81, 90, 240, {0, 0, 254}},       // BT.601 red: green and blue sums are negative
      {126, 128, 128, {128, 128, 128}}, // 9535 * 110 = 1048850, >> 13 = 128
  };
  CFrameConverter c;
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.y) + "," + std::to_string(k.u) + "," + std::to_string(k.v));
    EXPECT_EQ(Expect(c, k.y, k.u, k.v), k.want);
  }
  // The tables hold the coefficients times 8192, fraction dropped.
  EXPECT_EQ(c.RGB_Y_tab[17], 9535);
  EXPECT_EQ(c.B_U_tab[0], -16531 * 128);
  EXPECT_EQ(c.G_U_tab[129], 3203);
  EXPECT_EQ(c.G_V_tab[127], -6660);
  EXPECT_EQ(c.R_V_tab[255], 13074 * 127);
}

TEST(FrameSubtype, ByCompressionBitCountAndMasks) {
  struct Case {
    const char* name;
    int bitCount;
    uint32_t compression;
    std::vector<uint32_t> masks;
    GUID want;
  };
  const Case cases[] = {
      {"YUY2 fourcc", 16, kFourCC_YUY2, {}, MEDIASUBTYPE_YUY2},
      {"I420 fourcc", 12, kFourCC_I420, {}, MEDIASUBTYPE_I420},
      {"RGB1", 1, BI_RGB, {}, MEDIASUBTYPE_RGB1},
      {"RGB4", 4, BI_RGB, {}, MEDIASUBTYPE_RGB4},
      {"RGB8", 8, BI_RGB, {}, MEDIASUBTYPE_RGB8},
      {"RGB24", 24, BI_RGB, {}, MEDIASUBTYPE_RGB24},
      {"RGB32", 32, BI_RGB, {}, MEDIASUBTYPE_RGB32},
      {"RGB32 bitfields", 32, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}, MEDIASUBTYPE_RGB32},
      {"16-bit plain", 16, BI_RGB, {}, MEDIASUBTYPE_RGB555},
      {"16-bit 555 masks", 16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, MEDIASUBTYPE_RGB555},
      {"16-bit 565 masks", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, MEDIASUBTYPE_RGB565},
      {"16-bit 444 masks", 16, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F}, GUID_NULL},
      {"16-bit swapped 565", 16, BI_BITFIELDS, {0x001F, 0x07E0, 0xF800}, GUID_NULL},
      {"16-bit masks missing", 16, BI_BITFIELDS, {}, GUID_NULL},
      {"12-bit rgb", 12, BI_RGB, {}, GUID_NULL},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto f = MakeFrame(2, 2, k.bitCount, k.compression, {}, k.masks);
    GuardedBuffer buf(f.data(), f.size());
    EXPECT_EQ(GetFrameSubtype(buf.data(), buf.size()), k.want);
  }
  EXPECT_EQ(GetFrameSubtype(nullptr, 0), GUID_NULL);
  auto f = MakeFrame(2, 2, 32, BI_RGB, {});
  EXPECT_EQ(GetFrameSubtype(f.data(), 39), GUID_NULL);
}

TEST(FrameSubtype, RealGuidValues) {
  // e436eb7c-524f-11ce-9f53-0020af0ba770 and 32595559-0000-0010-8000-00aa00389b71
  const GUID rgb555 = {0xE436EB7C, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  const GUID yuy2 = {0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  EXPECT_EQ(MEDIASUBTYPE_RGB555, rgb555);
  EXPECT_EQ(MEDIASUBTYPE_YUY2, yuy2);
  EXPECT_EQ(MEDIASUBTYPE_RGB565.Data1, 0xE436EB7Bu);
  EXPECT_EQ(MEDIASUBTYPE_RGB32.Data1, 0xE436EB7Eu);
  EXPECT_EQ(MEDIASUBTYPE_ARGB32.Data1, 0x773C9AC0u);
  EXPECT_EQ(MEDIASUBTYPE_IYUV.Data1, 0x56555949u);
}

TEST(ConvertRgb, OutputHeaderAndSixteenBitRowsKeepTheirOrder) {
  // 3 x 2 at 16 bits: input stride 8 (6 bytes + 2 padding). Input row 0 is the bottom row.
  const std::vector<uint8_t> px = {
      0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xEE, 0xEE,  // red, green, blue (555), padding
      0xFF, 0x7F, 0x00, 0x00, 0x21, 0x04, 0xEE, 0xEE,  // white, black, 1/1/1
  };
  auto out = Convert(MEDIASUBTYPE_RGB555, MakeFrame(3, 2, 16, BI_RGB, px));
  ASSERT_FALSE(out.empty());
  const BITMAPINFOHEADER h = HeaderOf(out);
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 3);
  EXPECT_EQ(h.biHeight, 2);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, BI_RGB);
  EXPECT_EQ(h.biSizeImage, 24u);  // stride (9 + 3) & ~3 = 12, two rows
  EXPECT_EQ(h.biXPelsPerMeter, 2835);
  EXPECT_EQ(h.biYPelsPerMeter, 2836);
  EXPECT_EQ(out.size(), 40u + 24u);
  // Bottom row (y = 1 from the top) is input row 0.
  EXPECT_EQ(PixelAt(out, 0, 1), (Bgr{0, 0, 248}));
  EXPECT_EQ(PixelAt(out, 1, 1), (Bgr{0, 248, 0}));
  EXPECT_EQ(PixelAt(out, 2, 1), (Bgr{248, 0, 0}));
  EXPECT_EQ(PixelAt(out, 0, 0), (Bgr{248, 248, 248}));  // low bits stay 0
  EXPECT_EQ(PixelAt(out, 1, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(PixelAt(out, 2, 0), (Bgr{8, 8, 8}));
}

TEST(ConvertRgb, Rgb565AndItsMasksBeforeThePixels) {
  const std::vector<uint8_t> px = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x00};
  for (bool withMasks : {false, true}) {
    SCOPED_TRACE(withMasks ? "bit fields" : "plain");
    auto frame = withMasks ? MakeFrame(3, 1, 16, BI_BITFIELDS, px, {0xF800, 0x07E0, 0x001F})
                           : MakeFrame(3, 1, 16, BI_RGB, px);
    auto out = Convert(MEDIASUBTYPE_RGB565, frame);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(PixelAt(out, 0, 0), (Bgr{0, 0, 248}));
    EXPECT_EQ(PixelAt(out, 1, 0), (Bgr{0, 252, 0}));
    EXPECT_EQ(PixelAt(out, 2, 0), (Bgr{248, 0, 0}));
  }
}

TEST(ConvertRgb, ThirtyTwoBitDropsTheFourthByte) {
  const std::vector<uint8_t> px = {1, 2, 3, 99, 4, 5, 6, 98,   // bottom row
                                   7, 8, 9, 97, 10, 11, 12, 96};
  for (const GUID& g : {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_ARGB32}) {
    auto out = Convert(g, MakeFrame(2, 2, 32, BI_RGB, px));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(PixelAt(out, 0, 1), (Bgr{1, 2, 3}));
    EXPECT_EQ(PixelAt(out, 1, 1), (Bgr{4, 5, 6}));
    EXPECT_EQ(PixelAt(out, 0, 0), (Bgr{7, 8, 9}));
    EXPECT_EQ(PixelAt(out, 1, 0), (Bgr{10, 11, 12}));
  }
}

TEST(ConvertYuv, Packed422ByteOrdersAndTopDownRows) {
  // 4 x 2; input row 0 is the top row. Group g of row r: Y0 = 40 + 10 r + 2 g, Y1 = Y0 + 1,
  // U = 100 + 20 r + g, V = 150 + 20 r + g.
  struct Case {
    const char* name;
    uint32_t fourcc;
    int y0, u, y1, v;  // byte positions
  };
  const Case cases[] = {{"YUY2", kFourCC_YUY2, 0, 1, 2, 3}, {"UYVY", kFourCC_UYVY, 1, 0, 3, 2},
                        {"YVYU", kFourCC_YVYU, 0, 3, 2, 1}};
  CFrameConverter c;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    std::vector<uint8_t> px(16);
    for (int r = 0; r < 2; ++r)
      for (int g = 0; g < 2; ++g) {
        uint8_t* p = px.data() + r * 8 + g * 4;
        p[k.y0] = static_cast<uint8_t>(40 + 10 * r + 2 * g);
        p[k.y1] = static_cast<uint8_t>(41 + 10 * r + 2 * g);
        p[k.u] = static_cast<uint8_t>(100 + 20 * r + g);
        p[k.v] = static_cast<uint8_t>(150 + 20 * r + g);
      }
    auto out = Convert(FourCCSubtype(k.fourcc), MakeFrame(4, 2, 16, k.fourcc, px));
    ASSERT_FALSE(out.empty());
    for (int r = 0; r < 2; ++r)
      for (int x = 0; x < 4; ++x) {
        const int g = x / 2;
        const Bgr want = Expect(c, static_cast<uint8_t>(40 + 10 * r + 2 * g + (x & 1)),
                                static_cast<uint8_t>(100 + 20 * r + g), static_cast<uint8_t>(150 + 20 * r + g));
        EXPECT_EQ(PixelAt(out, x, r), want) << "x " << x << " row " << r;
      }
  }
}

// 4 x 4 planar 4:2:0 frame: Y = 16 + 12 * (row * 4 + x); first chroma plane 60 + cell,
// second 200 + cell, with cell = (row / 2) * 2 + x / 2. Strides: luma 4, chroma 4.
std::vector<uint8_t> Planar420Pixels() {
  std::vector<uint8_t> px(16 + 2 * 4 * 4 / 2);
  for (int i = 0; i < 16; ++i) px[i] = static_cast<uint8_t>(16 + 12 * i);
  for (int cr = 0; cr < 2; ++cr)
    for (int cx = 0; cx < 2; ++cx) {
      px[16 + cr * 4 + cx] = static_cast<uint8_t>(60 + cr * 2 + cx);
      px[24 + cr * 4 + cx] = static_cast<uint8_t>(200 + cr * 2 + cx);
    }
  return px;
}

TEST(ConvertYuv, Planar420PlaneOrderAndNormalisation) {
  struct Case {
    const char* name;
    GUID subtype;
    uint32_t headerFourcc;
    bool firstIsU;
  };
  const Case cases[] = {
      {"YV12", MEDIASUBTYPE_YV12, kFourCC_YV12, false},
      {"IYUV", MEDIASUBTYPE_IYUV, kFourCC_IYUV, true},
      {"I420", MEDIASUBTYPE_I420, kFourCC_I420, true},
      {"YV12 subtype on an I420 header", MEDIASUBTYPE_YV12, kFourCC_I420, true},
  };
  CFrameConverter c;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto out = Convert(k.subtype, MakeFrame(4, 4, 12, k.headerFourcc, Planar420Pixels()));
    ASSERT_FALSE(out.empty());
    for (int r = 0; r < 4; ++r)
      for (int x = 0; x < 4; ++x) {
        const int cell = (r / 2) * 2 + x / 2;
        const uint8_t first = static_cast<uint8_t>(60 + cell), second = static_cast<uint8_t>(200 + cell);
        const uint8_t y = static_cast<uint8_t>(16 + 12 * (r * 4 + x));
        const Bgr want = k.firstIsU ? Expect(c, y, first, second) : Expect(c, y, second, first);
        EXPECT_EQ(PixelAt(out, x, r), want) << "x " << x << " row " << r;
      }
  }
}

TEST(ConvertYuv, Planar410ChromaServesFourByFourBlocks) {
  // 8 x 8: luma stride 8, chroma stride (2 + 3) & ~3 = 4; V plane at 64 (8 * 4 / 4 = 8 bytes), U at 72.
  // IF09's extra plane behind U is ignored.
  for (uint32_t fourcc : {kFourCC_YVU9, kFourCC_IF09}) {
    std::vector<uint8_t> px(64 + 8 + 8 + (fourcc == kFourCC_IF09 ? 16 : 0), 0xAB);
    for (int i = 0; i < 64; ++i) px[i] = static_cast<uint8_t>(20 + 3 * i);
    for (int cr = 0; cr < 2; ++cr)
      for (int cx = 0; cx < 2; ++cx) {
        px[64 + cr * 4 + cx] = static_cast<uint8_t>(30 + 50 * cr + 20 * cx);   // V
        px[72 + cr * 4 + cx] = static_cast<uint8_t>(240 - 60 * cr - 30 * cx);  // U
      }
    auto out = Convert(FourCCSubtype(fourcc), MakeFrame(8, 8, 9, fourcc, px));
    ASSERT_FALSE(out.empty());
    CFrameConverter c;
    for (int r = 0; r < 8; ++r)
      for (int x = 0; x < 8; ++x) {
        const int cr = r / 4, cx = x / 4;
        const Bgr want = Expect(c, static_cast<uint8_t>(20 + 3 * (r * 8 + x)), static_cast<uint8_t>(240 - 60 * cr - 30 * cx),
                                static_cast<uint8_t>(30 + 50 * cr + 20 * cx));
        EXPECT_EQ(PixelAt(out, x, r), want) << "x " << x << " row " << r;
      }
  }
}

TEST(ConvertYuv, WideRowsGiveThePixelRuleOnEveryPixel) {
  // Rows long enough for the vector loops (blocks of 16 and 32 pixels) plus a scalar tail, with
  // random bytes so that every clamp and sign case turns up.
  struct Case {
    const char* name;
    uint32_t fourcc;
    int y0, u, y1, v;  // packed byte positions; -1 for planar
    bool firstIsV;
  };
  const Case cases[] = {{"YUY2", kFourCC_YUY2, 0, 1, 2, 3, false}, {"UYVY", kFourCC_UYVY, 1, 0, 3, 2, false},
                        {"YVYU", kFourCC_YVYU, 0, 3, 2, 1, false}, {"I420", kFourCC_I420, -1, 0, 0, 0, false},
                        {"YV12", kFourCC_YV12, -1, 0, 0, 0, true}};
  CFrameConverter c;
  uint32_t seed = 1;
  auto rnd = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<uint8_t>(seed >> 24);
  };
  for (const Case& k : cases) {
    for (int w : {16, 32, 47, 64, 70, 94}) {
      SCOPED_TRACE(std::string(k.name) + " width " + std::to_string(w));
      const int h = 4;
      std::vector<uint8_t> px;
      if (k.y0 >= 0) {
        px.resize(static_cast<size_t>((w * 2 + 3) & ~3) * h);
      } else {
        px.resize(static_cast<size_t>(((w + 3) & ~3) * h + 2 * (((w / 2) + 3) & ~3) * (h / 2)));
      }
      for (auto& b : px) b = rnd();
      auto out = Convert(FourCCSubtype(k.fourcc), MakeFrame(w, h, k.y0 >= 0 ? 16 : 12, k.fourcc, px));
      ASSERT_FALSE(out.empty());
      int bad = 0;
      for (int r = 0; r < h; ++r)
        for (int x = 0; x < (k.y0 >= 0 ? w / 2 * 2 : w); ++x) {
          uint8_t y, u, v;
          if (k.y0 >= 0) {
            const uint8_t* g = px.data() + r * ((w * 2 + 3) & ~3) + (x / 2) * 4;
            y = g[(x & 1) ? k.y1 : k.y0];
            u = g[k.u];
            v = g[k.v];
          } else {
            const int ls = (w + 3) & ~3, cs = ((w / 2) + 3) & ~3;
            const uint8_t* first = px.data() + h * ls + (r / 2) * cs + x / 2;
            const uint8_t* second = first + h * cs / 2;
            y = px[r * ls + x];
            u = k.firstIsV ? *second : *first;
            v = k.firstIsV ? *first : *second;
          }
          if (!(PixelAt(out, x, r) == Expect(c, y, u, v)) && ++bad < 5) ADD_FAILURE() << "x " << x << " row " << r;
        }
      EXPECT_EQ(bad, 0);
    }
  }
}

TEST(ConvertYuv, UnsupportedSubtypesGiveNothing) {
  auto frame = MakeFrame(2, 2, 24, BI_RGB, std::vector<uint8_t>(16));
  for (const GUID& g : {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB8, MEDIASUBTYPE_RGB4, MEDIASUBTYPE_RGB1, GUID_NULL,
                        FourCCSubtype(MakeFourCC('N', 'V', '1', '2'))})
    EXPECT_TRUE(Convert(g, frame).empty());
}

TEST(ConvertSafety, OddSizesAndShortFramesNeverReadPastTheFrame) {
  // Every size of frame from the bare header up: the converter either refuses it or converts within
  // it (the guard page faults on a read past the end). A frame of the usual size for the format
  // converts whenever the width is a whole number of chroma blocks.
  struct Format {
    const char* name;
    GUID subtype;
    uint32_t compression;
    int bitCount;
    int block;  // pixels that share one chroma sample across a row
  };
  const Format formats[] = {
      {"RGB555", MEDIASUBTYPE_RGB555, BI_RGB, 16, 1},        {"RGB565", MEDIASUBTYPE_RGB565, BI_BITFIELDS, 16, 1},
      {"RGB32", MEDIASUBTYPE_RGB32, BI_RGB, 32, 1},          {"YUY2", MEDIASUBTYPE_YUY2, kFourCC_YUY2, 16, 2},
      {"UYVY", MEDIASUBTYPE_UYVY, kFourCC_UYVY, 16, 2},      {"YVYU", MEDIASUBTYPE_YVYU, kFourCC_YVYU, 16, 2},
      {"YUY2 8-bit header", MEDIASUBTYPE_YUY2, kFourCC_YUY2, 8, 0},
      {"YV12", MEDIASUBTYPE_YV12, kFourCC_YV12, 12, 2},      {"I420", MEDIASUBTYPE_I420, kFourCC_I420, 12, 2},
      {"YVU9", MEDIASUBTYPE_YVU9, kFourCC_YVU9, 9, 4},
  };
  CFrameConverter c;
  for (const Format& fmt : formats) {
    for (int w : {1, 2, 3, 4, 5, 8, 9, 17}) {
      for (int h : {1, 2, 3, 5}) {
        SCOPED_TRACE(std::string(fmt.name) + " " + std::to_string(w) + "x" + std::to_string(h));
        const std::vector<uint32_t> masks =
            fmt.compression == BI_BITFIELDS ? std::vector<uint32_t>{0xF800, 0x07E0, 0x001F} : std::vector<uint32_t>{};
        const size_t ls = (w + 3) & ~3;
        size_t usual = 0;
        if (fmt.bitCount == 16 || fmt.bitCount == 32) usual = ((w * fmt.bitCount / 8 + 3) & ~3) * h;
        if (fmt.bitCount == 12) usual = ls * h + 2 * ((((w / 2) + 3) & ~3) * ((h + 1) / 2));
        if (fmt.bitCount == 9) usual = ls * h + 2 * ((((w / 4) + 3) & ~3) * ((h + 3) / 4));
        const size_t head = 40 + masks.size() * 4;
        auto full = MakeFrame(w, h, fmt.bitCount, fmt.compression, std::vector<uint8_t>(usual + 64, 0x80), masks);
        GuardedBuffer buf(full.data(), full.size());
        for (size_t size = 40; size <= full.size(); ++size) {
          buf.Refill(full.data(), size);
          PackedDib out = c.ConvertToRGB24(fmt.subtype, buf.data(), buf.size());
          if (!out.empty()) {
            EXPECT_EQ(out.size(), 40 + ((3u * w + 3) & ~3u) * h);
          }
          if (fmt.block && w % fmt.block == 0 && size == head + usual) {
            EXPECT_FALSE(out.empty()) << "usual size " << size;
          }
          if (size <= head && w >= 2) {
            EXPECT_TRUE(out.empty()) << "no pixels";
          }
        }
      }
    }
  }
}

TEST(ConvertSafety, BadHeaders) {
  CFrameConverter c;
  struct Case {
    const char* name;
    int w, h;
    uint32_t biSize;
    size_t pixels;
    bool converts;
  };
  const Case cases[] = {
      {"negative width", -4, 2, 40, 64, false},
      {"header size below 40", 4, 2, 12, 64, false},
      {"header size past the frame", 4, 2, 4000, 64, false},
      {"huge frame, few bytes", 30000, 30000, 40, 64, false},
      {"largest sizes, few bytes", 0x7FFF0000, 0x7FFF0000, 40, 64, false},
      {"zero height: header only", 4, 0, 40, 0, true},
      {"negative height: header only", 4, -3, 40, 0, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto f = MakeFrame(k.w, k.h, 32, BI_RGB, std::vector<uint8_t>(k.pixels));
    uint32_t s = k.biSize;
    std::memcpy(f.data(), &s, 4);
    GuardedBuffer buf(f.data(), f.size());
    PackedDib out = c.ConvertToRGB24(MEDIASUBTYPE_RGB32, buf.data(), buf.size());
    EXPECT_EQ(!out.empty(), k.converts);
    if (!out.empty()) {
      EXPECT_EQ(out.size(), 40u);
      EXPECT_EQ(HeaderOf(out).biSizeImage, 0u);
    }
  }
  EXPECT_TRUE(c.ConvertToRGB24(MEDIASUBTYPE_RGB32, nullptr, 0).empty());
}

}  // namespace
}  // namespace vt
