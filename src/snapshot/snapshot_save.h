// The Save step of the Snapshot dialog, without the dialog: from the chosen path and the clean
// picture to a BMP or JPEG file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/win_types.h"
#include "snapshot/frame_converter.h"

namespace vt {

// Pictures of exactly this size are shown and saved 320 wide (square pixels).
constexpr int kNarrowPictureWidth = 256;
constexpr int kNarrowPictureHeight = 240;
constexpr int kWidenedPictureWidth = 320;

struct SavePathParts {
  std::string folder;     // with its trailing '/'
  std::string name;       // file name part
  std::string extension;  // after the last '.' of the name, without the dot; empty when none
};
SavePathParts SplitSavePath(const std::string& path);

// Only "jpg" in lower case selects JPEG; "JPG" or "jpeg" give a bitmap file.
inline bool IsJpegExtension(const std::string& extension) { return extension == "jpg"; }

// The name Save proposes: "<camera> <YYYY-MM-DD HH-MM-SS>.jpg" with the frame's local time; a
// character a file name cannot hold (or that other systems refuse) becomes '-'. Without a
// camera, the time alone.
std::string SnapshotFileName(const std::string& camera, time32 time);

// Width the picture is laid out and saved with.
int SnapshotLayoutWidth(int width, int height);

// A 256 x 240 picture scaled to the width it is shown and saved with; others unchanged. False
// when the picture is unusable or the scaling fails.
bool WidenSnapshotPicture(PackedDib* picture);

// Saves a copy of picture (packed 24-bit, pictureSize bytes) at path: widened when 256 x 240,
// with the caption burnt in by burnCaption when it is given (its failure leaves the copy without
// caption), then written as JPEG or bitmap by the extension. Returns the writer's result (0 also
// when the picture is unusable or the widening failed).
int SaveSnapshotAs(const std::string& path, const uint8_t* picture, size_t pictureSize, time32 time,
                   const std::function<bool(PackedDib*)>& burnCaption);

}  // namespace vt
