#include "playback/frame_paint.h"

#include <algorithm>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vt {

namespace {

// BT.601 studio range in 16-bit fixed point with 5 fraction bits, the same in the vector and the
// scalar code: with d = u - 128 and e = v - 128, Y = 1.164 (y - 16), R = Y + 1.596 e,
// G = Y - 0.391 d - 0.813 e, B = Y + 2.018 d. Each product is the high half of a 16 x 16-bit
// multiply of the value x 128 (luma) or x 256 (chroma) by the coefficient x 2^13.
constexpr int kCoefY = 19071;   // 1.164 x 2^14 (the luma value is x 128)
constexpr int kCoefVR = 13075;  // 1.596 x 2^13
constexpr int kCoefUG = 3203;   // 0.391 x 2^13
constexpr int kCoefVG = 6660;   // 0.813 x 2^13
constexpr int kCoefUB = 16531;  // 2.018 x 2^13

inline int MulHi(int a, int b) { return (a * b) >> 16; }
inline int Byte(int v) { return std::clamp((v + 16) >> 5, 0, 255); }

inline uint32_t YuvToRgb(int y, int u, int v) {
  const int yt = MulHi((y - 16) * 128, kCoefY);
  const int d = (u - 128) * 256, e = (v - 128) * 256;
  const int r = Byte(yt + MulHi(e, kCoefVR));
  const int g = Byte(yt - MulHi(d, kCoefUG) - MulHi(e, kCoefVG));
  const int b = Byte(yt + MulHi(d, kCoefUB));
  return 0xFF000000u | static_cast<uint32_t>(r << 16 | g << 8 | b);
}

// A row from gathered Y, U and V bytes into 0xFFRRGGBB words; eight pixels at a time with SSE2.
// Every sum stays inside 16 bits (at most 8157 + 6538 in size).
void ConvertRow(const uint8_t* ys, const uint8_t* us, const uint8_t* vs, uint32_t* out, int n) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128), c16 = _mm_set1_epi16(16);
  const __m128i cy = _mm_set1_epi16(kCoefY), cvr = _mm_set1_epi16(kCoefVR), cug = _mm_set1_epi16(kCoefUG),
                cvg = _mm_set1_epi16(kCoefVG), cub = _mm_set1_epi16(kCoefUB);
  const __m128i round = _mm_set1_epi16(16), alpha = _mm_set1_epi8(static_cast<char>(0xFF));
  auto load = [&](const uint8_t* p) { return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero); };
  auto toByte = [&](__m128i v) { return _mm_packus_epi16(_mm_srai_epi16(_mm_add_epi16(v, round), 5), zero); };
  for (; x + 8 <= n; x += 8) {
    const __m128i yt = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(load(ys + x), c16), 7), cy);
    const __m128i d = _mm_slli_epi16(_mm_sub_epi16(load(us + x), c128), 8);
    const __m128i e = _mm_slli_epi16(_mm_sub_epi16(load(vs + x), c128), 8);
    const __m128i r = _mm_add_epi16(yt, _mm_mulhi_epi16(e, cvr));
    const __m128i g = _mm_sub_epi16(_mm_sub_epi16(yt, _mm_mulhi_epi16(d, cug)), _mm_mulhi_epi16(e, cvg));
    const __m128i b = _mm_add_epi16(yt, _mm_mulhi_epi16(d, cub));
    const __m128i bg = _mm_unpacklo_epi8(toByte(b), toByte(g));
    const __m128i ra = _mm_unpacklo_epi8(toByte(r), alpha);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(bg, ra));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_unpackhi_epi16(bg, ra));
  }
#endif
  for (; x < n; ++x) out[x] = YuvToRgb(ys[x], us[x], vs[x]);
}

// dst[x] = src[2x]: a row at half its width.
void EvenBytes(const uint8_t* src, uint8_t* dst, int n) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi16(0x00FF);
  for (; x + 16 <= n; x += 16) {
    const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x)), low);
    const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x + 16)), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(a, b));
  }
#endif
  for (; x < n; ++x) dst[x] = src[2 * x];
}

// dst[x] = src[x / 2]: a chroma row at the width of its luma.
void DoubledBytes(const uint8_t* src, uint8_t* dst, int n) {
  int x = 0;
#if defined(__SSE2__)
  for (; x + 32 <= n; x += 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x / 2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_unpacklo_epi8(a, a));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x + 16), _mm_unpackhi_epi8(a, a));
  }
#endif
  for (; x < n; ++x) dst[x] = src[x / 2];
}

bool PlaneFits(const VideoFrame& f, int plane, int rows, int rowBytes) {
  if (f.stride[plane] < rowBytes || rows <= 0) return false;
  return f.offset[plane] + static_cast<size_t>(f.stride[plane]) * (rows - 1) + rowBytes <= f.Size();
}

}  // namespace

bool ScaleFrameToRgb32(const VideoFrame& f, uint32_t* dst, int dw, int dh, int ds) {
  const int w = f.width, h = f.height;
  if (!dst || dw <= 0 || dh <= 0 || w <= 0 || h <= 0 || ds < dw) return false;
  const uint8_t* d = f.Bytes();
  std::vector<int> xs(static_cast<size_t>(dw));
  for (int x = 0; x < dw; ++x) xs[x] = static_cast<int>(static_cast<int64_t>(x) * w / dw);
  auto rowOf = [&](int y) { return static_cast<int>(static_cast<int64_t>(y) * h / dh); };
  // One output row's samples, gathered before they are converted together.
  std::vector<uint8_t> gathered(3 * static_cast<size_t>(dw));
  uint8_t* ry = gathered.data();
  uint8_t* ru = ry + dw;
  uint8_t* rv = ru + dw;
  switch (f.fourcc) {
    case MakeFourCC('I', '4', '2', '0'):
    case MakeFourCC('Y', 'V', '1', '2'): {
      const int cw = (w + 1) / 2, ch = (h + 1) / 2;
      if (f.nPlanes < 3 || !PlaneFits(f, 0, h, w) || !PlaneFits(f, 1, ch, cw) || !PlaneFits(f, 2, ch, cw)) return false;
      const bool yv12 = f.fourcc == MakeFourCC('Y', 'V', '1', '2');
      const int up = yv12 ? 2 : 1, vp = yv12 ? 1 : 2;
      std::vector<int> xc(static_cast<size_t>(dw));
      for (int x = 0; x < dw; ++x) xc[x] = xs[x] / 2;
      // The window's usual sizes, the picture's own and half of it, take their samples without
      // a gather: luma as it is or every second byte, chroma doubled or as it is.
      const bool same = dw == w, half = 2 * dw == w;
      const uint8_t* lastU = nullptr;
      const uint8_t *us = ru, *vs = rv;
      for (int y = 0; y < dh; ++y) {
        const int sy = rowOf(y);
        const uint8_t* yr = d + f.offset[0] + static_cast<size_t>(f.stride[0]) * sy;
        const uint8_t* ur = d + f.offset[up] + static_cast<size_t>(f.stride[up]) * (sy / 2);
        const uint8_t* vr = d + f.offset[vp] + static_cast<size_t>(f.stride[vp]) * (sy / 2);
        const uint8_t* ys = ry;
        if (same)
          ys = yr;
        else if (half)
          EvenBytes(yr, ry, dw);
        else
          for (int x = 0; x < dw; ++x) ry[x] = yr[xs[x]];
        // Two rows in a row share their chroma row.
        if (ur != lastU) {
          if (half) {
            us = ur, vs = vr;
          } else if (same) {
            DoubledBytes(ur, ru, dw);
            DoubledBytes(vr, rv, dw);
          } else {
            for (int x = 0; x < dw; ++x) ru[x] = ur[xc[x]];
            for (int x = 0; x < dw; ++x) rv[x] = vr[xc[x]];
          }
          lastU = ur;
        }
        ConvertRow(ys, us, vs, dst + static_cast<size_t>(ds) * y, dw);
      }
      return true;
    }
    case MakeFourCC('Y', 'U', 'Y', '2'):
    case MakeFourCC('U', 'Y', 'V', 'Y'):
    case MakeFourCC('Y', 'V', 'Y', 'U'): {
      if (f.nPlanes < 1 || !PlaneFits(f, 0, h, 2 * w)) return false;
      int yo = 0, uo = 1, vo = 3;  // YUY2: Y0 U Y1 V
      if (f.fourcc == MakeFourCC('U', 'Y', 'V', 'Y')) yo = 1, uo = 0, vo = 2;
      if (f.fourcc == MakeFourCC('Y', 'V', 'Y', 'U')) yo = 0, uo = 3, vo = 1;
      for (int y = 0; y < dh; ++y) {
        const uint8_t* row = d + f.offset[0] + static_cast<size_t>(f.stride[0]) * rowOf(y);
        for (int x = 0; x < dw; ++x) {
          const uint8_t* pair = row + (xs[x] & ~1) * 2;
          ry[x] = pair[yo + (xs[x] & 1) * 2];
          ru[x] = pair[uo];
          rv[x] = pair[vo];
        }
        ConvertRow(ry, ru, rv, dst + static_cast<size_t>(ds) * y, dw);
      }
      return true;
    }
    case MakeFourCC('B', 'G', 'R', 'x'): {
      if (f.nPlanes < 1 || !PlaneFits(f, 0, h, 4 * w)) return false;
      for (int y = 0; y < dh; ++y) {
        const uint8_t* row = d + f.offset[0] + static_cast<size_t>(f.stride[0]) * rowOf(y);
        uint32_t* out = dst + static_cast<size_t>(ds) * y;
        for (int x = 0; x < dw; ++x) {
          const uint8_t* px = row + 4 * xs[x];
          out[x] = 0xFF000000u | (static_cast<uint32_t>(px[2]) << 16) | (static_cast<uint32_t>(px[1]) << 8) | px[0];
        }
      }
      return true;
    }
    default: return false;
  }
}

}  // namespace vt
