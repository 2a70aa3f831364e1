#include "playback/frame_paint.h"

#include <algorithm>
#include <vector>

namespace vt {

namespace {

inline uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// BT.601 studio range, 16-bit fixed point.
inline uint32_t YuvToRgb(int y, int u, int v) {
  const int c = (y - 16) * 76309, d = u - 128, e = v - 128;
  const uint8_t r = Clamp((c + 104597 * e + 32768) >> 16);
  const uint8_t g = Clamp((c - 25675 * d - 53279 * e + 32768) >> 16);
  const uint8_t b = Clamp((c + 132201 * d + 32768) >> 16);
  return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

bool PlaneFits(const VideoFrame& f, int plane, int rows, int rowBytes) {
  if (f.stride[plane] < rowBytes || rows <= 0) return false;
  return f.offset[plane] + static_cast<size_t>(f.stride[plane]) * (rows - 1) + rowBytes <= f.data.size();
}

}  // namespace

bool ScaleFrameToRgb32(const VideoFrame& f, uint32_t* dst, int dw, int dh, int ds) {
  const int w = f.width, h = f.height;
  if (!dst || dw <= 0 || dh <= 0 || w <= 0 || h <= 0 || ds < dw) return false;
  const uint8_t* d = f.data.data();
  std::vector<int> xs(static_cast<size_t>(dw));
  for (int x = 0; x < dw; ++x) xs[x] = static_cast<int>(static_cast<int64_t>(x) * w / dw);
  auto rowOf = [&](int y) { return static_cast<int>(static_cast<int64_t>(y) * h / dh); };
  switch (f.fourcc) {
    case MakeFourCC('I', '4', '2', '0'):
    case MakeFourCC('Y', 'V', '1', '2'): {
      const int cw = (w + 1) / 2, ch = (h + 1) / 2;
      if (f.nPlanes < 3 || !PlaneFits(f, 0, h, w) || !PlaneFits(f, 1, ch, cw) || !PlaneFits(f, 2, ch, cw)) return false;
      const bool yv12 = f.fourcc == MakeFourCC('Y', 'V', '1', '2');
      const int up = yv12 ? 2 : 1, vp = yv12 ? 1 : 2;
      for (int y = 0; y < dh; ++y) {
        const int sy = rowOf(y);
        const uint8_t* yr = d + f.offset[0] + static_cast<size_t>(f.stride[0]) * sy;
        const uint8_t* ur = d + f.offset[up] + static_cast<size_t>(f.stride[up]) * (sy / 2);
        const uint8_t* vr = d + f.offset[vp] + static_cast<size_t>(f.stride[vp]) * (sy / 2);
        uint32_t* out = dst + static_cast<size_t>(ds) * y;
        for (int x = 0; x < dw; ++x) out[x] = YuvToRgb(yr[xs[x]], ur[xs[x] / 2], vr[xs[x] / 2]);
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
        uint32_t* out = dst + static_cast<size_t>(ds) * y;
        for (int x = 0; x < dw; ++x) {
          const uint8_t* pair = row + (xs[x] & ~1) * 2;
          out[x] = YuvToRgb(pair[yo + (xs[x] & 1) * 2], pair[uo], pair[vo]);
        }
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
