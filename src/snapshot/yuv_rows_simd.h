// Vector versions of the inner loops of the frame converter (AVX2 or SSSE3 on x86-64, chosen at
// run time). They give exactly the bytes of the table rule: the tables are linear, so the same sums
// are formed with 16 x 16 -> 32-bit multiply-adds. Each converts whole blocks of 16 pixels from
// the start of a row and returns how many pixels it did; the caller finishes the row.
#pragma once

#include <cstdint>

namespace vt {

// BT.601 coefficients x 8192, fraction dropped (the converter's tables hold these times the
// offset byte values).
constexpr int32_t kCoefY = 9535;    // 1.164
constexpr int32_t kCoefUB = 16531;  // 2.018
constexpr int32_t kCoefUG = 3203;   // 0.391
constexpr int32_t kCoefVG = 6660;   // 0.813
constexpr int32_t kCoefVR = 13074;  // 1.596

bool YuvRowsSimdAvailable();

// 4:2:0 row: luma y[0..width), chroma u, v[0..width/2). dst gets 3 bytes a pixel (B, G, R).
int YuvRow420Simd(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int width);

// Packed 4:2:2 row of width / 2 groups of 4 bytes; y0, u, y1, v are the byte positions in a group.
int YuvRow422Simd(const uint8_t* src, int y0, int u, int y1, int v, uint8_t* dst, int width);

}  // namespace vt
