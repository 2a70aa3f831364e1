// The snapshot JPEG encoder: reads a finished bitmap file and writes a JPEG file from it. It has
// finished with the bitmap when it returns, so the caller may delete it straight away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt {

constexpr int kSnapshotJpegQuality = 80;

// 1 when a complete JPEG was written at jpegPath, 0 otherwise (nothing is left at jpegPath then).
// Reads uncompressed 24- and 32-bit bitmaps, bottom-up or top-down; quality is 1-100.
// The same encoder on a picture in memory (24- or 32-bit BI_RGB, bottom-up or top-down, pixelBytes
// bytes of rows): the JPEG file's bytes in *out. False for an unusable picture.
bool EncodePictureToJpeg(const BITMAPINFOHEADER& header, const uint8_t* pixels, size_t pixelBytes, int quality,
                         std::string* out);
int EncodeBitmapFileToJpeg(const std::string& bitmapPath, const std::string& jpegPath, int quality);

}  // namespace vt
