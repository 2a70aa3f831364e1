// Builds packed frames (header, optional masks, pixels) for the converter tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win_types.h"
#include "snapshot/frame_converter.h"

inline std::vector<uint8_t> MakeFrame(int width, int height, int bitCount, uint32_t compression,
                                      const std::vector<uint8_t>& pixels, const std::vector<uint32_t>& masks = {}) {
  vt::BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bitCount);
  h.biCompression = compression;
  h.biSizeImage = static_cast<uint32_t>(pixels.size());
  h.biXPelsPerMeter = 2835;
  h.biYPelsPerMeter = 2836;
  std::vector<uint8_t> f(40 + masks.size() * 4 + pixels.size());
  std::memcpy(f.data(), &h, 40);
  for (size_t i = 0; i < masks.size(); ++i) std::memcpy(f.data() + 40 + 4 * i, &masks[i], 4);
  if (!pixels.empty()) std::memcpy(f.data() + 40 + masks.size() * 4, pixels.data(), pixels.size());
  return f;
}

template <class Bytes>
vt::BITMAPINFOHEADER HeaderOf(const Bytes& dib) {
  vt::BITMAPINFOHEADER h{};
  std::memcpy(&h, dib.data(), 40);
  return h;
}

// Blue, green, red of pixel (x, y) of a 24-bit bottom-up picture, y counted from the top.
struct Bgr {
  uint8_t b, g, r;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};
template <class Bytes>
Bgr PixelAt(const Bytes& dib, int x, int yFromTop) {
  const vt::BITMAPINFOHEADER h = HeaderOf(dib);
  const size_t stride = (static_cast<size_t>(h.biWidth) * 3 + 3) & ~size_t{3};
  const uint8_t* p = dib.data() + 40 + stride * static_cast<size_t>(h.biHeight - 1 - yFromTop) + 3 * static_cast<size_t>(x);
  return {p[0], p[1], p[2]};
}

// A 24-bit picture of one grey level, as the snapshot dialog gets it.
inline vt::PackedDib GrayPicture(int w, int h, uint8_t level) {
  const int stride = (w * 3 + 3) & ~3;
  vt::PackedDib p(40 + static_cast<size_t>(stride) * h, level);
  vt::BITMAPINFOHEADER hd{};
  hd.biSize = 40;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = 24;
  hd.biSizeImage = static_cast<uint32_t>(stride * h);
  std::memcpy(p.data(), &hd, 40);
  return p;
}
