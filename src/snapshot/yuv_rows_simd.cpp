#include "snapshot/yuv_rows_simd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VT_YUV_SIMD 1
#endif

namespace vt {

#ifdef VT_YUV_SIMD

namespace {

#define VT_SSSE3 __attribute__((target("ssse3")))

// Eight pixels: luma and chroma offsets as int16 (y - 16, u - 128, v - 128) -> B, G, R as int16.
VT_SSSE3 inline void Pixels8(__m128i ys, __m128i us, __m128i vs, __m128i* b, __m128i* g, __m128i* r) {
  const __m128i kB = _mm_set1_epi32((kCoefUB << 16) | kCoefY);
  const __m128i kR = _mm_set1_epi32((kCoefVR << 16) | kCoefY);
  const __m128i kG = _mm_set1_epi32((static_cast<int32_t>(-kCoefUG) << 16) | kCoefY);
  const __m128i kGV = _mm_set1_epi32(-kCoefVG & 0xFFFF);
  const __m128i zero = _mm_setzero_si128();
  const __m128i yuLo = _mm_unpacklo_epi16(ys, us), yuHi = _mm_unpackhi_epi16(ys, us);
  const __m128i yvLo = _mm_unpacklo_epi16(ys, vs), yvHi = _mm_unpackhi_epi16(ys, vs);
  const __m128i v0Lo = _mm_unpacklo_epi16(vs, zero), v0Hi = _mm_unpackhi_epi16(vs, zero);
  *b = _mm_packs_epi32(_mm_srai_epi32(_mm_madd_epi16(yuLo, kB), 13), _mm_srai_epi32(_mm_madd_epi16(yuHi, kB), 13));
  *r = _mm_packs_epi32(_mm_srai_epi32(_mm_madd_epi16(yvLo, kR), 13), _mm_srai_epi32(_mm_madd_epi16(yvHi, kR), 13));
  const __m128i gLo = _mm_add_epi32(_mm_madd_epi16(yuLo, kG), _mm_madd_epi16(v0Lo, kGV));
  const __m128i gHi = _mm_add_epi32(_mm_madd_epi16(yuHi, kG), _mm_madd_epi16(v0Hi, kGV));
  *g = _mm_packs_epi32(_mm_srai_epi32(gLo, 13), _mm_srai_epi32(gHi, 13));
}

// Sixteen B, G, R bytes (clamped by the unsigned pack) -> 48 bytes B G R B G R ...
VT_SSSE3 inline void Store48(__m128i b, __m128i g, __m128i r, uint8_t* dst) {
  // pshufb: an index with the top bit set (-1) writes 0.
  const __m128i b0 = _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
  const __m128i g0 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
  const __m128i r0 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i b1 = _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
  const __m128i g1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
  const __m128i r1 = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m128i b2 = _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
  const __m128i g2 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
  const __m128i r2 = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  const __m128i o0 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b0), _mm_shuffle_epi8(g, g0)), _mm_shuffle_epi8(r, r0));
  const __m128i o1 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(g, g1)), _mm_shuffle_epi8(r, r1));
  const __m128i o2 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b2), _mm_shuffle_epi8(g, g2)), _mm_shuffle_epi8(r, r2));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), o0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), o1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), o2);
}

// Sixteen pixels from int16 luma (two halves) and per-pixel int16 chroma (two halves).
VT_SSSE3 inline void Pixels16(__m128i yLo, __m128i yHi, __m128i uLo, __m128i uHi, __m128i vLo, __m128i vHi,
                              uint8_t* dst) {
  __m128i bL, gL, rL, bH, gH, rH;
  Pixels8(yLo, uLo, vLo, &bL, &gL, &rL);
  Pixels8(yHi, uHi, vHi, &bH, &gH, &rH);
  Store48(_mm_packus_epi16(bL, bH), _mm_packus_epi16(gL, gH), _mm_packus_epi16(rL, rH), dst);
}

VT_SSSE3 int Row420(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int width) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k16 = _mm_set1_epi16(16), k128 = _mm_set1_epi16(128);
  int x = 0;
  for (; x + 16 <= width; x += 16, dst += 48) {
    const __m128i y8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x));
    const __m128i yLo = _mm_sub_epi16(_mm_unpacklo_epi8(y8, zero), k16);
    const __m128i yHi = _mm_sub_epi16(_mm_unpackhi_epi8(y8, zero), k16);
    const __m128i u16 = _mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + x / 2)), zero), k128);
    const __m128i v16 = _mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + x / 2)), zero), k128);
    Pixels16(yLo, yHi, _mm_unpacklo_epi16(u16, u16), _mm_unpackhi_epi16(u16, u16), _mm_unpacklo_epi16(v16, v16),
             _mm_unpackhi_epi16(v16, v16), dst);
  }
  return x;
}

// Eight pixels (16 bytes) of a packed row -> luma and per-pixel chroma as int16.
VT_SSSE3 inline void Split422(__m128i in, bool lumaEven, bool uFirst, __m128i* ys, __m128i* us, __m128i* vs) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  const __m128i k16 = _mm_set1_epi16(16), k128 = _mm_set1_epi16(128);
  const __m128i luma = lumaEven ? _mm_and_si128(in, lowBytes) : _mm_srli_epi16(in, 8);
  const __m128i chroma = _mm_sub_epi16(lumaEven ? _mm_srli_epi16(in, 8) : _mm_and_si128(in, lowBytes), k128);
  // chroma: c0 c1 c0' c1' ... per pair; spread the first and second of each pair over both pixels.
  const __m128i first = _mm_shufflehi_epi16(_mm_shufflelo_epi16(chroma, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  const __m128i second = _mm_shufflehi_epi16(_mm_shufflelo_epi16(chroma, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
  *ys = _mm_sub_epi16(luma, k16);
  *us = uFirst ? first : second;
  *vs = uFirst ? second : first;
}

VT_SSSE3 int Row422(const uint8_t* src, bool lumaEven, bool uFirst, uint8_t* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16, src += 32, dst += 48) {
    __m128i yLo, uLo, vLo, yHi, uHi, vHi;
    Split422(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), lumaEven, uFirst, &yLo, &uLo, &vLo);
    Split422(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16)), lumaEven, uFirst, &yHi, &uHi, &vHi);
    Pixels16(yLo, yHi, uLo, uHi, vLo, vHi, dst);
  }
  return x;
}

#define VT_AVX2 __attribute__((target("avx2")))

// Sixteen pixels, all int16 in order -> B, G, R as int16 in order.
VT_AVX2 inline void Pixels16x(__m256i ys, __m256i us, __m256i vs, __m256i* b, __m256i* g, __m256i* r) {
  const __m256i kB = _mm256_set1_epi32((kCoefUB << 16) | kCoefY);
  const __m256i kR = _mm256_set1_epi32((kCoefVR << 16) | kCoefY);
  const __m256i kG = _mm256_set1_epi32((static_cast<int32_t>(-kCoefUG) << 16) | kCoefY);
  const __m256i kGV = _mm256_set1_epi32(-kCoefVG & 0xFFFF);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i yuLo = _mm256_unpacklo_epi16(ys, us), yuHi = _mm256_unpackhi_epi16(ys, us);
  const __m256i yvLo = _mm256_unpacklo_epi16(ys, vs), yvHi = _mm256_unpackhi_epi16(ys, vs);
  const __m256i v0Lo = _mm256_unpacklo_epi16(vs, zero), v0Hi = _mm256_unpackhi_epi16(vs, zero);
  *b = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_madd_epi16(yuLo, kB), 13),
                          _mm256_srai_epi32(_mm256_madd_epi16(yuHi, kB), 13));
  *r = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_madd_epi16(yvLo, kR), 13),
                          _mm256_srai_epi32(_mm256_madd_epi16(yvHi, kR), 13));
  const __m256i gLo = _mm256_add_epi32(_mm256_madd_epi16(yuLo, kG), _mm256_madd_epi16(v0Lo, kGV));
  const __m256i gHi = _mm256_add_epi32(_mm256_madd_epi16(yuHi, kG), _mm256_madd_epi16(v0Hi, kGV));
  *g = _mm256_packs_epi32(_mm256_srai_epi32(gLo, 13), _mm256_srai_epi32(gHi, 13));
}

// Thirty-two B, G, R bytes each (pixels 0-15 in the low lane) -> 96 bytes B G R B G R ...
VT_AVX2 inline void Store96(__m256i b, __m256i g, __m256i r, uint8_t* dst) {
  // The same byte moves as Store48, in both lanes at once.
  const __m256i b0 = _mm256_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5, 0, -1, -1, 1, -1, -1, 2,
                                      -1, -1, 3, -1, -1, 4, -1, -1, 5);
  const __m256i g0 = _mm256_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, -1, 0, -1, -1, 1, -1,
                                      -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
  const __m256i r0 = _mm256_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, -1, 0, -1, -1, 1,
                                      -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m256i b1 = _mm256_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1, -1, -1, 6, -1, -1, 7,
                                      -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
  const __m256i g1 = _mm256_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, 5, -1, -1, 6, -1, -1, 7,
                                      -1, -1, 8, -1, -1, 9, -1, -1, 10);
  const __m256i r1 = _mm256_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, -1, 5, -1, -1, 6, -1,
                                      -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m256i b2 = _mm256_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1, -1, 11, -1, -1, 12,
                                      -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
  const __m256i g2 = _mm256_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1, -1, 11, -1,
                                      -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
  const __m256i r2 = _mm256_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, 10, -1, -1, 11, -1,
                                      -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  const __m256i o0 = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, b0), _mm256_shuffle_epi8(g, g0)),
                                     _mm256_shuffle_epi8(r, r0));
  const __m256i o1 = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, b1), _mm256_shuffle_epi8(g, g1)),
                                     _mm256_shuffle_epi8(r, r1));
  const __m256i o2 = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, b2), _mm256_shuffle_epi8(g, g2)),
                                     _mm256_shuffle_epi8(r, r2));
  // Low lanes hold bytes 0-47 of the output, high lanes bytes 48-95.
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_permute2x128_si256(o0, o1, 0x20));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 32), _mm256_permute2x128_si256(o2, o0, 0x30));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 64), _mm256_permute2x128_si256(o1, o2, 0x31));
}

// Thirty-two pixels as two in-order halves of int16 luma and per-pixel chroma -> 96 bytes.
VT_AVX2 inline void Pixels32(__m256i yA, __m256i uA, __m256i vA, __m256i yB, __m256i uB, __m256i vB, uint8_t* dst) {
  __m256i bA, gA, rA, bB, gB, rB;
  Pixels16x(yA, uA, vA, &bA, &gA, &rA);
  Pixels16x(yB, uB, vB, &bB, &gB, &rB);
  // The pack works per 128-bit lane; put the quarters back in pixel order.
  const __m256i b = _mm256_permute4x64_epi64(_mm256_packus_epi16(bA, bB), 0xD8);
  const __m256i g = _mm256_permute4x64_epi64(_mm256_packus_epi16(gA, gB), 0xD8);
  const __m256i r = _mm256_permute4x64_epi64(_mm256_packus_epi16(rA, rB), 0xD8);
  Store96(b, g, r, dst);
}

VT_AVX2 int Row420Avx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int width) {
  const __m256i k16 = _mm256_set1_epi16(16), k128 = _mm256_set1_epi16(128);
  int x = 0;
  for (; x + 32 <= width; x += 32, dst += 96) {
    const __m256i yA = _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x))), k16);
    const __m256i yB =
        _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x + 16))), k16);
    // Chroma 0-15 serve pixels 0-31; order the quarters so that the in-lane unpacks double them in order.
    const __m256i u16 = _mm256_permute4x64_epi64(
        _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2))), k128), 0xD8);
    const __m256i v16 = _mm256_permute4x64_epi64(
        _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2))), k128), 0xD8);
    Pixels32(yA, _mm256_unpacklo_epi16(u16, u16), _mm256_unpacklo_epi16(v16, v16), yB, _mm256_unpackhi_epi16(u16, u16),
             _mm256_unpackhi_epi16(v16, v16), dst);
  }
  return x + Row420(y + x, u + x / 2, v + x / 2, dst, width - x);
}

VT_AVX2 inline void Split422x(__m256i in, bool lumaEven, bool uFirst, __m256i* ys, __m256i* us, __m256i* vs) {
  const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
  const __m256i k16 = _mm256_set1_epi16(16), k128 = _mm256_set1_epi16(128);
  const __m256i luma = lumaEven ? _mm256_and_si256(in, lowBytes) : _mm256_srli_epi16(in, 8);
  const __m256i chroma = _mm256_sub_epi16(lumaEven ? _mm256_srli_epi16(in, 8) : _mm256_and_si256(in, lowBytes), k128);
  const __m256i first =
      _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(chroma, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  const __m256i second =
      _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(chroma, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
  *ys = _mm256_sub_epi16(luma, k16);
  *us = uFirst ? first : second;
  *vs = uFirst ? second : first;
}

VT_AVX2 int Row422Avx2(const uint8_t* src, bool lumaEven, bool uFirst, uint8_t* dst, int width) {
  int x = 0;
  for (; x + 32 <= width; x += 32, src += 64, dst += 96) {
    __m256i yA, uA, vA, yB, uB, vB;
    Split422x(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src)), lumaEven, uFirst, &yA, &uA, &vA);
    Split422x(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 32)), lumaEven, uFirst, &yB, &uB, &vB);
    Pixels32(yA, uA, vA, yB, uB, vB, dst);
  }
  return x + Row422(src, lumaEven, uFirst, dst, width - x);
}

bool HasAvx2() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

}  // namespace

bool YuvRowsSimdAvailable() {
  static const bool available = __builtin_cpu_supports("ssse3");
  return available;
}

int YuvRow420Simd(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int width) {
  if (HasAvx2()) return Row420Avx2(y, u, v, dst, width);
  return YuvRowsSimdAvailable() ? Row420(y, u, v, dst, width) : 0;
}

int YuvRow422Simd(const uint8_t* src, int y0, int u, int y1, int v, uint8_t* dst, int width) {
  if (!YuvRowsSimdAvailable()) return 0;
  // The three byte orders in use: Y U Y V, U Y V Y, Y V Y U.
  const bool lumaEven = y0 == 0 && y1 == 2;
  const bool lumaOdd = y0 == 1 && y1 == 3;
  if (!lumaEven && !lumaOdd) return 0;
  const int firstChroma = lumaEven ? 1 : 0;
  if (!((u == firstChroma && v == firstChroma + 2) || (v == firstChroma && u == firstChroma + 2))) return 0;
  return HasAvx2() ? Row422Avx2(src, lumaEven, u == firstChroma, dst, width)
                   : Row422(src, lumaEven, u == firstChroma, dst, width);
}

#else

bool YuvRowsSimdAvailable() { return false; }
int YuvRow420Simd(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int) { return 0; }
int YuvRow422Simd(const uint8_t*, int, int, int, int, uint8_t*, int) { return 0; }

#endif

}  // namespace vt
