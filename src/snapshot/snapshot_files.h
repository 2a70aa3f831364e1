// Writing a snapshot picture (24-bit bottom-up BITMAPINFOHEADER + pixels) as a bitmap or JPEG file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt {

// "%Y%m%d-%H%M%S.bmp" of t in local time, e.g. 20080314-092605.bmp.
std::string AutoSnapshotName(time32 t);

// Short form of an existing folder: the folder itself. False when it is not an existing folder.
bool GetShortPathName(const std::string& path, std::string* shortPath);

// Writes folder + *name as a bitmap file (header as given, then the pixels; no colour table).
// pixelBytes is the size of the pixel block, which must hold header->biSizeImage bytes.
// autoName 1: the name is the automatic one from *time (with "-1", "-2"... added when a file of
// that name exists, so that no existing file is touched) and is stored into *name on success.
// Returns 1 when the file was written completely, 0 on any failure or missing argument.
int SaveSnapshotBmp(const BITMAPINFOHEADER* header, const uint8_t* pixels, size_t pixelBytes, const time32* time,
                    const std::string& folder, std::string* name, int autoName);

// Writes folder + *name as a JPEG (quality 80) through a temporary automatic-name bitmap in the
// same folder, which is deleted afterwards. The encoder's result (1 written, 0 not), or 0 when the
// temporary bitmap could not be written or the folder's short form could not be obtained.
int SaveSnapshotJpeg(const BITMAPINFOHEADER* header, const uint8_t* pixels, size_t pixelBytes, const time32* time,
                     const std::string& folder, std::string* name, int autoName);

}  // namespace vt
