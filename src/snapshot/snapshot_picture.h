// From the frame the renderer shows to the picture the Snapshot dialog works on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win_types.h"
#include "snapshot/frame_converter.h"
#include "snapshot/media_subtype.h"

namespace vt {

// A 24-bit bottom-up picture (40-byte header, no colour table, biSizeImage = stride x height) made
// from a captured packed frame: a 24-bit RGB frame is taken as it is (top-down rows turned over),
// anything else goes through the frame converter with the frame's own subtype. Empty when the
// frame can be neither taken nor converted; the Player then shows no dialog.
PackedDib MakeSnapshotPicture(const uint8_t* frame, size_t frameSize);
PackedDib MakeSnapshotPicture(const GUID& subtype, const uint8_t* frame, size_t frameSize);

// The header of picture when it is a usable 24-bit bottom-up picture of pictureSize bytes
// (pixels right behind the 40-byte header), else null.
const BITMAPINFOHEADER* SnapshotPictureHeader(const uint8_t* picture, size_t pictureSize);

}  // namespace vt
