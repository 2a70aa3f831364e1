#include "snapshot/snapshot_picture.h"

#include <cstring>
#include <new>

namespace vt {

namespace {

constexpr int64_t kMaxPictureBytes = 0x7FFFFFFF;

int64_t Stride24(int64_t width) { return (width * 3 + 3) & ~int64_t{3}; }

// A 24-bit BI_RGB frame copied into the picture layout, bottom-up.
PackedDib TakeRgb24(const uint8_t* frame, size_t frameSize) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, frame, sizeof h);
  const int64_t w = h.biWidth;
  const int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  if (h.biSize < sizeof h || h.biSize > frameSize || w <= 0 || rows <= 0) return {};
  const int64_t stride = Stride24(w);
  if (stride > kMaxPictureBytes / rows || stride * rows > static_cast<int64_t>(frameSize - h.biSize)) return {};
  PackedDib out;
  try {
    out.resize(static_cast<size_t>(40 + stride * rows));
  } catch (const std::bad_alloc&) {
    return {};
  }
  const uint8_t* src = frame + h.biSize;
  uint8_t* dst = out.data() + 40;
  for (int64_t r = 0; r < rows; ++r) {
    const int64_t from = h.biHeight < 0 ? rows - 1 - r : r;
    std::memcpy(dst + r * stride, src + from * stride, static_cast<size_t>(stride));
  }
  h.biSize = 40;
  h.biHeight = static_cast<int32_t>(rows);
  h.biSizeImage = static_cast<uint32_t>(stride * rows);
  h.biClrUsed = 0;
  std::memcpy(out.data(), &h, sizeof h);
  return out;
}

}  // namespace

const BITMAPINFOHEADER* SnapshotPictureHeader(const uint8_t* picture, size_t pictureSize) {
  if (!picture || pictureSize < sizeof(BITMAPINFOHEADER)) return nullptr;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(picture);
  if (h->biSize != sizeof(BITMAPINFOHEADER) || h->biBitCount != 24 || h->biCompression != BI_RGB || h->biWidth <= 0 ||
      h->biHeight <= 0)
    return nullptr;
  const int64_t stride = Stride24(h->biWidth);
  if (stride > kMaxPictureBytes / h->biHeight) return nullptr;
  const int64_t bytes = stride * h->biHeight;
  if (h->biSizeImage < bytes || static_cast<int64_t>(pictureSize) - 40 < bytes)
    return nullptr;
  return h;
}

PackedDib MakeSnapshotPicture(const uint8_t* frame, size_t frameSize) {
  return MakeSnapshotPicture(GetFrameSubtype(frame, frameSize), frame, frameSize);
}

PackedDib MakeSnapshotPicture(const GUID& subtype, const uint8_t* frame, size_t frameSize) {
  if (!frame || frameSize < sizeof(BITMAPINFOHEADER)) return {};
  BITMAPINFOHEADER h;
  std::memcpy(&h, frame, sizeof h);
  if (h.biCompression == BI_RGB && h.biBitCount == 24) return TakeRgb24(frame, frameSize);
  CFrameConverter converter;
  PackedDib out = converter.ConvertToRGB24(subtype, frame, frameSize);
  if (!SnapshotPictureHeader(out.data(), out.size())) return {};
  return out;
}

}  // namespace vt
