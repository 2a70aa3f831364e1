// Media subtypes of captured frames, as the video renderer names them (GUIDs with their real values).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

namespace vt {

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
  friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// xxxxxxxx-0000-0010-8000-00AA00389B71 with the FOURCC in the first 32 bits.
constexpr GUID FourCCSubtype(uint32_t fourcc) {
  return {fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
// e436eb7x-524f-11ce-9f53-0020af0ba770: the uncompressed RGB family.
constexpr GUID RgbSubtype(uint32_t data1) {
  return {data1, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
}

constexpr GUID MEDIASUBTYPE_RGB1 = RgbSubtype(0xE436EB78);
constexpr GUID MEDIASUBTYPE_RGB4 = RgbSubtype(0xE436EB79);
constexpr GUID MEDIASUBTYPE_RGB8 = RgbSubtype(0xE436EB7A);
constexpr GUID MEDIASUBTYPE_RGB565 = RgbSubtype(0xE436EB7B);
constexpr GUID MEDIASUBTYPE_RGB555 = RgbSubtype(0xE436EB7C);
constexpr GUID MEDIASUBTYPE_RGB24 = RgbSubtype(0xE436EB7D);
constexpr GUID MEDIASUBTYPE_RGB32 = RgbSubtype(0xE436EB7E);
constexpr GUID MEDIASUBTYPE_ARGB32 = {0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};

constexpr uint32_t kFourCC_YUY2 = MakeFourCC('Y', 'U', 'Y', '2');
constexpr uint32_t kFourCC_UYVY = MakeFourCC('U', 'Y', 'V', 'Y');
constexpr uint32_t kFourCC_YVYU = MakeFourCC('Y', 'V', 'Y', 'U');
constexpr uint32_t kFourCC_YV12 = MakeFourCC('Y', 'V', '1', '2');
constexpr uint32_t kFourCC_IYUV = MakeFourCC('I', 'Y', 'U', 'V');
constexpr uint32_t kFourCC_I420 = MakeFourCC('I', '4', '2', '0');
constexpr uint32_t kFourCC_YVU9 = MakeFourCC('Y', 'V', 'U', '9');
constexpr uint32_t kFourCC_IF09 = MakeFourCC('I', 'F', '0', '9');

constexpr GUID MEDIASUBTYPE_YUY2 = FourCCSubtype(kFourCC_YUY2);
constexpr GUID MEDIASUBTYPE_UYVY = FourCCSubtype(kFourCC_UYVY);
constexpr GUID MEDIASUBTYPE_YVYU = FourCCSubtype(kFourCC_YVYU);
constexpr GUID MEDIASUBTYPE_YV12 = FourCCSubtype(kFourCC_YV12);
constexpr GUID MEDIASUBTYPE_IYUV = FourCCSubtype(kFourCC_IYUV);
constexpr GUID MEDIASUBTYPE_I420 = FourCCSubtype(kFourCC_I420);
constexpr GUID MEDIASUBTYPE_YVU9 = FourCCSubtype(kFourCC_YVU9);
constexpr GUID MEDIASUBTYPE_IF09 = FourCCSubtype(kFourCC_IF09);

// Bit-field masks of 16-bit frames (red, green, blue).
constexpr uint32_t kMask555[3] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kMask565[3] = {0xF800, 0x07E0, 0x001F};

// Subtype of a packed frame (BITMAPINFOHEADER, then masks or colour table, then pixels) of
// frameSize bytes. GUID_NULL for anything unrecognised, for a frame too short for its header,
// and for 16-bit bit fields whose masks are neither 555 nor 565 or are missing.
GUID GetFrameSubtype(const uint8_t* frame, size_t frameSize);

}  // namespace vt
