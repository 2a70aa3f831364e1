// Turns a captured video frame (packed bitmap in the decoder's own format) into a bottom-up
// 24-bit BGR picture: BT.601 studio-range YCbCr in 13-bit fixed point, by table lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/win_types.h"
#include "snapshot/media_subtype.h"

namespace vt {

// Leaves new bytes uninitialised on resize: a converted frame writes every byte itself, so the
// block is not cleared first.
template <class T>
struct UninitAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitAllocator<U>;
  };
  UninitAllocator() = default;
  template <class U>
  UninitAllocator(const UninitAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// A packed bitmap: BITMAPINFOHEADER, colour table (if any), then the pixel rows. The pictures
// this folder makes have no colour table and 24 bits per pixel.
using PackedDib = std::vector<uint8_t, UninitAllocator<uint8_t>>;

class CFrameConverter {
 public:
  static constexpr int kShift = 13;  // the tables hold coefficient x 8192

  CFrameConverter();
  virtual ~CFrameConverter() = default;

  // New 24-bit picture made from frame (frameSize bytes, the packed bitmap), or an empty block when
  // the subtype is not supported, the frame is shorter than its header says, or memory runs out.
  // The frame is only read.
  PackedDib ConvertToRGB24(const GUID& subtype, const uint8_t* frame, size_t frameSize) const;

  // One pixel by the BT.601 rule: out[0] blue, out[1] green, out[2] red.
  void YuvToBgr(uint8_t y, uint8_t u, uint8_t v, uint8_t* out) const;

  int32_t RGB_Y_tab[256];
  int32_t B_U_tab[256];  // U to blue
  int32_t G_U_tab[256];  // U to green
  int32_t G_V_tab[256];  // V to green
  int32_t R_V_tab[256];  // V to red

 private:
  enum class Kind { kRgb555, kRgb565, kRgb32, kPacked422, kPlanar420, kPlanar410, kNone };
  struct Packed422Order {
    int y0, u, y1, v;  // byte positions inside a 4-byte group
  };
  struct Frame {
    const uint8_t* pixels;
    size_t pixelBytes;  // bytes available from pixels to the end of the frame
    int width;
    int height;  // rows to convert (0 for a frame with biHeight <= 0)
    int bitCount;
  };

  void Rgb16(const Frame& f, bool is565, uint8_t* out, int64_t outStride) const;
  void Rgb32(const Frame& f, uint8_t* out, int64_t outStride) const;
  void Packed422(const Frame& f, Packed422Order order, uint8_t* out, int64_t outStride) const;
  // firstIsV: the first chroma plane holds V. blockShift: 1 for 4:2:0, 2 for 4:1:0.
  void Planar(const Frame& f, bool firstIsV, int blockShift, uint8_t* out, int64_t outStride) const;
};

}  // namespace vt
