// A snapshot picture (24-bit bottom-up, as MakeSnapshotPicture gives it) as the bytes of a BMP,
// JPEG or PNG file, for exports that choose the format by the file name.
#pragma once

#include <string>

#include "snapshot/frame_converter.h"

namespace vt {

enum class PictureFormat { kBmp, kJpeg, kPng };

// By the name's extension, in any case: .bmp, .jpg or .jpeg, .png. False for anything else.
bool PictureFormatFromPath(const std::string& path, PictureFormat* format);

// The file's bytes: the bitmap file the snapshot writes, a JPEG of the snapshot's quality, or an
// 8-bit RGB PNG. False for a picture that is not a usable 24-bit picture.
bool EncodePicture(PictureFormat format, const PackedDib& picture, std::string* bytes);

}  // namespace vt
