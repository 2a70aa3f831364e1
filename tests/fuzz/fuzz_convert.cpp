// Frame conversion on arbitrary packed frames: the first byte picks the subtype (or the one the
// header gives), the rest is the frame. Nothing may be read outside it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "snapshot/frame_converter.h"
#include "snapshot/media_subtype.h"
#include "snapshot/snapshot_picture.h"

namespace {

const vt::GUID kSubtypes[] = {vt::MEDIASUBTYPE_RGB555, vt::MEDIASUBTYPE_RGB565, vt::MEDIASUBTYPE_RGB32,
                              vt::MEDIASUBTYPE_ARGB32, vt::MEDIASUBTYPE_YUY2,   vt::MEDIASUBTYPE_UYVY,
                              vt::MEDIASUBTYPE_YVYU,   vt::MEDIASUBTYPE_YV12,   vt::MEDIASUBTYPE_IYUV,
                              vt::MEDIASUBTYPE_I420,   vt::MEDIASUBTYPE_YVU9,   vt::MEDIASUBTYPE_IF09,
                              vt::MEDIASUBTYPE_RGB24};

std::string Seed(uint8_t pick, int w, int h, int bitCount, uint32_t compression, size_t pixels) {
  vt::BITMAPINFOHEADER hd{};
  hd.biSize = 40;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = static_cast<uint16_t>(bitCount);
  hd.biCompression = compression;
  std::string s(1 + 40 + pixels, '\x80');
  s[0] = static_cast<char>(pick);
  std::memcpy(&s[1], &hd, 40);
  return s;
}

}  // namespace

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(Seed(4, 34, 3, 16, vt::kFourCC_YUY2, 34 * 2 * 3));
  seeds->push_back(Seed(8, 36, 4, 12, vt::kFourCC_IYUV, 36 * 4 * 3 / 2));
  seeds->push_back(Seed(10, 8, 8, 9, vt::kFourCC_YVU9, 64 + 16));
  seeds->push_back(Seed(0, 5, 2, 16, vt::BI_RGB, 12 * 2));
  seeds->push_back(Seed(2, 3, 3, 32, vt::BI_RGB, 36));
  seeds->push_back(Seed(255, 4, 2, 24, vt::BI_RGB, 24));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // An exact-size copy, so that a read past the end is caught.
  std::vector<uint8_t> frame(data + 1, data + size);
  const uint8_t pick = data[0];
  const vt::GUID subtype = pick < sizeof kSubtypes / sizeof kSubtypes[0] ? kSubtypes[pick]
                                                                           : vt::GetFrameSubtype(frame.data(), frame.size());
  vt::CFrameConverter converter;
  vt::PackedDib out = converter.ConvertToRGB24(subtype, frame.data(), frame.size());
  volatile uint8_t sink = 0;
  for (uint8_t b : out) sink = static_cast<uint8_t>(sink + b);  // touches every byte (uninitialised reads show)
  vt::PackedDib pic = vt::MakeSnapshotPicture(frame.data(), frame.size());
  if (!pic.empty() && !vt::SnapshotPictureHeader(pic.data(), pic.size())) __builtin_trap();
  return 0;
}
