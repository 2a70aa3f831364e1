#include "snapshot/frame_converter.h"

#include <cstring>
#include <new>

#include "snapshot/yuv_rows_simd.h"

namespace vt {

namespace {

// Largest output we make; keeps every size inside the header's 32-bit fields.
constexpr int64_t kMaxOutputBytes = 0x7FFFFFFF;

// Bytes of one row of width pixels at bitCount bits, rounded up to a multiple of 4.
constexpr int64_t RowStride(int64_t width, int bitCount) { return (width * bitCount / 8 + 3) & ~int64_t{3}; }

inline uint8_t Clamp255(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

BITMAPINFOHEADER ReadHeader(const uint8_t* frame) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, frame, sizeof h);
  return h;
}

int64_t ColourTableBytes(const BITMAPINFOHEADER& h) {
  if (h.biBitCount == 4) return 64;
  if (h.biBitCount == 8) return h.biClrUsed ? int64_t{h.biClrUsed} * 4 : 1024;
  return 0;
}

bool SameMasks(const uint8_t* masks, const uint32_t (&want)[3]) {
  return ReadLe32(masks) == want[0] && ReadLe32(masks + 4) == want[1] && ReadLe32(masks + 8) == want[2];
}

struct Normalised {
  uint32_t fourcc;  // 0 for the RGB subtypes
  GUID subtype;
};

bool IsFourCCForm(const GUID& g) { return g == FourCCSubtype(g.Data1); }

}  // namespace

GUID GetFrameSubtype(const uint8_t* frame, size_t frameSize) {
  if (!frame || frameSize < sizeof(BITMAPINFOHEADER)) return GUID_NULL;
  const BITMAPINFOHEADER h = ReadHeader(frame);
  if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return FourCCSubtype(h.biCompression);
  switch (h.biBitCount) {
    case 1: return MEDIASUBTYPE_RGB1;
    case 4: return MEDIASUBTYPE_RGB4;
    case 8: return MEDIASUBTYPE_RGB8;
    case 24: return MEDIASUBTYPE_RGB24;
    case 32: return MEDIASUBTYPE_RGB32;
    case 16: {
      if (h.biCompression == BI_RGB) return MEDIASUBTYPE_RGB555;
      // The three masks are the words directly behind the 40-byte header.
      if (frameSize < sizeof(BITMAPINFOHEADER) + 12) return GUID_NULL;
      const uint8_t* masks = frame + sizeof(BITMAPINFOHEADER);
      if (SameMasks(masks, kMask555)) return MEDIASUBTYPE_RGB555;
      if (SameMasks(masks, kMask565)) return MEDIASUBTYPE_RGB565;
      return GUID_NULL;
    }
    default: return GUID_NULL;
  }
}

CFrameConverter::CFrameConverter() {
  for (int i = 0; i < 256; ++i) {
    RGB_Y_tab[i] = kCoefY * (i - 16);
    B_U_tab[i] = kCoefUB * (i - 128);
    G_U_tab[i] = kCoefUG * (i - 128);
    G_V_tab[i] = kCoefVG * (i - 128);
    R_V_tab[i] = kCoefVR * (i - 128);
  }
}

void CFrameConverter::YuvToBgr(uint8_t y, uint8_t u, uint8_t v, uint8_t* out) const {
  const int32_t yy = RGB_Y_tab[y];
  out[0] = Clamp255((yy + B_U_tab[u]) >> kShift);
  out[1] = Clamp255((yy - G_U_tab[u] - G_V_tab[v]) >> kShift);
  out[2] = Clamp255((yy + R_V_tab[v]) >> kShift);
}

PackedDib CFrameConverter::ConvertToRGB24(const GUID& subtypeIn, const uint8_t* frame, size_t frameSize) const {
  if (!frame || frameSize < sizeof(BITMAPINFOHEADER)) return {};
  const BITMAPINFOHEADER in = ReadHeader(frame);
  if (in.biSize < sizeof(BITMAPINFOHEADER) || in.biSize > frameSize || in.biWidth < 0) return {};

  // I420 is IYUV under another name; a YV12 subtype on an I420 header is one too.
  GUID subtype = subtypeIn;
  if (subtype == MEDIASUBTYPE_I420 || (subtype == MEDIASUBTYPE_YV12 && in.biCompression == kFourCC_I420))
    subtype = MEDIASUBTYPE_IYUV;

  Kind kind = Kind::kNone;
  Packed422Order order{};
  bool firstIsV = false;
  if (subtype == MEDIASUBTYPE_RGB555) {
    kind = Kind::kRgb555;
  } else if (subtype == MEDIASUBTYPE_RGB565) {
    kind = Kind::kRgb565;
  } else if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) {
    kind = Kind::kRgb32;
  } else if (IsFourCCForm(subtype)) {
    switch (subtype.Data1) {
      case kFourCC_YUY2: kind = Kind::kPacked422, order = {0, 1, 2, 3}; break;
      case kFourCC_UYVY: kind = Kind::kPacked422, order = {1, 0, 3, 2}; break;
      case kFourCC_YVYU: kind = Kind::kPacked422, order = {0, 3, 2, 1}; break;
      case kFourCC_YV12: kind = Kind::kPlanar420, firstIsV = true; break;
      case kFourCC_IYUV: kind = Kind::kPlanar420, firstIsV = false; break;
      case kFourCC_YVU9:
      case kFourCC_IF09: kind = Kind::kPlanar410, firstIsV = true; break;
      default: break;
    }
  }
  if (kind == Kind::kNone) return {};

  // Bit-field masks sit between a plain 40-byte header and the pixels.
  int64_t pixelOffset = int64_t{in.biSize} + ColourTableBytes(in);
  if (in.biCompression == BI_BITFIELDS && in.biSize == sizeof(BITMAPINFOHEADER)) pixelOffset += 12;
  if (pixelOffset > static_cast<int64_t>(frameSize)) return {};

  const int64_t w = in.biWidth;
  const int64_t h = in.biHeight > 0 ? in.biHeight : 0;
  const int64_t outStride = RowStride(w, 24);
  if (h > 0 && outStride > (kMaxOutputBytes - 40) / h) return {};  // also keeps every product below in range

  // Bytes the converter will read behind pixelOffset; the frame must hold them all.
  int64_t need = 0;
  if (h > 0 && w > 0) {
    switch (kind) {
      case Kind::kRgb555:
      case Kind::kRgb565: need = (h - 1) * RowStride(w, 16) + 2 * w; break;
      case Kind::kRgb32: need = h * 4 * w; break;
      case Kind::kPacked422:
        // Rows narrower than one group, or a bit count whose stride would not cover a group, would
        // give a large picture from a few bytes.
        if (w < 2 || in.biBitCount < 16) return {};
        need = (h - 1) * RowStride(w, in.biBitCount) + (w / 2) * 4;
        break;
      case Kind::kPlanar420: {
        const int64_t ls = (w + 3) & ~int64_t{3};
        const int64_t cs = (w / 2 + 3) & ~int64_t{3};
        need = h * ls + h * cs / 2 + ((h - 1) >> 1) * cs + ((w - 1) >> 1) + 1;
        break;
      }
      case Kind::kPlanar410: {
        const int64_t ls = (w + 3) & ~int64_t{3};
        const int64_t cs = (w / 4 + 3) & ~int64_t{3};
        need = h * ls + h * cs / 4 + ((h - 1) >> 2) * cs + ((w - 1) >> 2) + 1;
        break;
      }
      case Kind::kNone: break;
    }
  }
  if (need > static_cast<int64_t>(frameSize) - pixelOffset) return {};

  PackedDib out;
  try {
    out.resize(static_cast<size_t>(40 + outStride * h));
  } catch (const std::bad_alloc&) {
    return {};
  }
  BITMAPINFOHEADER oh{};
  oh.biSize = 40;
  oh.biWidth = in.biWidth;
  oh.biHeight = in.biHeight;
  oh.biPlanes = 1;
  oh.biBitCount = 24;
  oh.biCompression = BI_RGB;
  oh.biSizeImage = static_cast<uint32_t>(outStride * h);
  oh.biXPelsPerMeter = in.biXPelsPerMeter;
  oh.biYPelsPerMeter = in.biYPelsPerMeter;
  oh.biClrUsed = in.biClrUsed;
  oh.biClrImportant = in.biClrImportant;
  std::memcpy(out.data(), &oh, sizeof oh);

  // Row padding is the only part no converter writes, except the last pixel of an odd-width
  // packed 4:2:2 row.
  if (kind == Kind::kPacked422 && (w & 1))
    std::memset(out.data() + 40, 0, static_cast<size_t>(outStride * h));
  else if (outStride > w * 3)
    for (int64_t r = 0; r < h; ++r) std::memset(out.data() + 40 + r * outStride + w * 3, 0, outStride - w * 3);
  if (h == 0 || w == 0) return out;
  const Frame f{frame + pixelOffset, frameSize - static_cast<size_t>(pixelOffset), static_cast<int>(w),
                static_cast<int>(h), in.biBitCount};
  uint8_t* pixels = out.data() + 40;
  switch (kind) {
    case Kind::kRgb555: Rgb16(f, false, pixels, outStride); break;
    case Kind::kRgb565: Rgb16(f, true, pixels, outStride); break;
    case Kind::kRgb32: Rgb32(f, pixels, outStride); break;
    case Kind::kPacked422: Packed422(f, order, pixels, outStride); break;
    case Kind::kPlanar420: Planar(f, firstIsV, 1, pixels, outStride); break;
    case Kind::kPlanar410: Planar(f, firstIsV, 2, pixels, outStride); break;
    case Kind::kNone: break;
  }
  return out;
}

void CFrameConverter::Rgb16(const Frame& f, bool is565, uint8_t* out, int64_t outStride) const {
  const int64_t inStride = RowStride(f.width, 16);
  for (int r = 0; r < f.height; ++r) {
    const uint8_t* src = f.pixels + r * inStride;
    uint8_t* dst = out + r * outStride;
    for (int x = 0; x < f.width; ++x, src += 2, dst += 3) {
      const unsigned p = src[0] | (src[1] << 8);
      dst[0] = static_cast<uint8_t>((p & 0x1F) << 3);
      if (is565) {
        dst[1] = static_cast<uint8_t>(((p >> 5) & 0x3F) << 2);
        dst[2] = static_cast<uint8_t>(((p >> 11) & 0x1F) << 3);
      } else {
        dst[1] = static_cast<uint8_t>(((p >> 5) & 0x1F) << 3);
        dst[2] = static_cast<uint8_t>(((p >> 10) & 0x1F) << 3);
      }
    }
  }
}

void CFrameConverter::Rgb32(const Frame& f, uint8_t* out, int64_t outStride) const {
  for (int r = 0; r < f.height; ++r) {
    const uint8_t* src = f.pixels + int64_t{r} * 4 * f.width;
    uint8_t* dst = out + r * outStride;
    for (int x = 0; x < f.width; ++x, src += 4, dst += 3) {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
  }
}

void CFrameConverter::Packed422(const Frame& f, Packed422Order o, uint8_t* out, int64_t outStride) const {
  const int64_t inStride = RowStride(f.width, f.bitCount);
  const int groups = f.width / 2;
  for (int r = 0; r < f.height; ++r) {
    const uint8_t* src = f.pixels + r * inStride;
    uint8_t* dst = out + (f.height - 1 - r) * outStride;
    const int done = YuvRow422Simd(src, o.y0, o.u, o.y1, o.v, dst, groups * 2);
    src += done * 2;
    dst += done * 3;
    for (int g = done / 2; g < groups; ++g, src += 4, dst += 6) {
      const int32_t ub = B_U_tab[src[o.u]];
      const int32_t guv = G_U_tab[src[o.u]] + G_V_tab[src[o.v]];
      const int32_t vr = R_V_tab[src[o.v]];
      const int32_t y0 = RGB_Y_tab[src[o.y0]];
      const int32_t y1 = RGB_Y_tab[src[o.y1]];
      dst[0] = Clamp255((y0 + ub) >> kShift);
      dst[1] = Clamp255((y0 - guv) >> kShift);
      dst[2] = Clamp255((y0 + vr) >> kShift);
      dst[3] = Clamp255((y1 + ub) >> kShift);
      dst[4] = Clamp255((y1 - guv) >> kShift);
      dst[5] = Clamp255((y1 + vr) >> kShift);
    }
  }
}

void CFrameConverter::Planar(const Frame& f, bool firstIsV, int blockShift, uint8_t* out, int64_t outStride) const {
  const int64_t w = f.width;
  const int64_t h = f.height;
  const int64_t ls = (w + 3) & ~int64_t{3};
  const int64_t cs = ((w >> blockShift) + 3) & ~int64_t{3};
  const int64_t first = h * ls;
  const int64_t second = first + h * cs / (int64_t{1} << blockShift);
  const uint8_t* vPlane = f.pixels + (firstIsV ? first : second);
  const uint8_t* uPlane = f.pixels + (firstIsV ? second : first);
  const int block = 1 << blockShift;
  for (int64_t r = 0; r < h; ++r) {
    const uint8_t* yRow = f.pixels + r * ls;
    const uint8_t* uRow = uPlane + (r >> blockShift) * cs;
    const uint8_t* vRow = vPlane + (r >> blockShift) * cs;
    uint8_t* dst = out + (h - 1 - r) * outStride;
    const int64_t done = blockShift == 1 ? YuvRow420Simd(yRow, uRow, vRow, dst, static_cast<int>(w)) : 0;
    dst += done * 3;
    for (int64_t x0 = done; x0 < w; x0 += block) {
      const int64_t c = x0 >> blockShift;
      const int32_t ub = B_U_tab[uRow[c]];
      const int32_t guv = G_U_tab[uRow[c]] + G_V_tab[vRow[c]];
      const int32_t vr = R_V_tab[vRow[c]];
      const int64_t end = x0 + block < w ? x0 + block : w;
      for (int64_t x = x0; x < end; ++x, dst += 3) {
        const int32_t yy = RGB_Y_tab[yRow[x]];
        dst[0] = Clamp255((yy + ub) >> kShift);
        dst[1] = Clamp255((yy - guv) >> kShift);
        dst[2] = Clamp255((yy + vr) >> kShift);
      }
    }
  }
}

}  // namespace vt
