// The snapshot JPEG encoder: reads a finished bitmap file and writes a JPEG file from it. It has
// finished with the bitmap when it returns, so the caller may delete it straight away.
#pragma once

#include <string>

namespace vt {

constexpr int kSnapshotJpegQuality = 80;

// 1 when a complete JPEG was written at jpegPath, 0 otherwise (nothing is left at jpegPath then).
// Reads uncompressed 24- and 32-bit bitmaps, bottom-up or top-down; quality is 1-100.
int EncodeBitmapFileToJpeg(const std::string& bitmapPath, const std::string& jpegPath, int quality);

}  // namespace vt
