#include "snapshot/snapshot_save.h"

#include <cstring>
#include <string_view>

#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "snapshot/snapshot_files.h"
#include "snapshot/snapshot_picture.h"

namespace vt {

SavePathParts SplitSavePath(const std::string& path) {
  SavePathParts parts;
  const size_t slash = path.rfind('/');
  parts.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  parts.name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = parts.name.rfind('.');
  if (dot != std::string::npos) parts.extension = parts.name.substr(dot + 1);
  return parts;
}

int SnapshotLayoutWidth(int width, int height) {
  return width == kNarrowPictureWidth && height == kNarrowPictureHeight ? kWidenedPictureWidth : width;
}

bool WidenSnapshotPicture(PackedDib* picture) {
  const BITMAPINFOHEADER* h = SnapshotPictureHeader(picture->data(), picture->size());
  if (!h) return false;
  const int layoutWidth = SnapshotLayoutWidth(h->biWidth, h->biHeight);
  if (layoutWidth == h->biWidth) return true;
  uint8_t* scaled = nullptr;
  if (!ScaleDib(picture->data(), layoutWidth, h->biHeight, &scaled)) return false;
  BITMAPINFOHEADER sh;
  std::memcpy(&sh, scaled, sizeof sh);
  picture->assign(scaled, scaled + 40 + sh.biSizeImage);
  delete[] scaled;
  return true;
}

int SaveSnapshotAs(const std::string& path, const uint8_t* picture, size_t pictureSize, time32 time,
                   const std::function<bool(PackedDib*)>& burnCaption) {
  const BITMAPINFOHEADER* h = SnapshotPictureHeader(picture, pictureSize);
  if (!h) return 0;
  const SavePathParts parts = SplitSavePath(path);
  if (parts.name.empty()) return 0;
  PackedDib copy(picture, picture + 40 + h->biSizeImage);
  if (!WidenSnapshotPicture(&copy)) return 0;
  if (burnCaption) {
    PackedDib captioned = copy;
    if (burnCaption(&captioned) && captioned.size() == copy.size()) copy.swap(captioned);
  }
  BITMAPINFOHEADER ch;
  std::memcpy(&ch, copy.data(), sizeof ch);
  std::string name = parts.name;
  const uint8_t* pixels = copy.data() + 40;
  const size_t pixelBytes = copy.size() - 40;
  // The folder "" means the current folder.
  const std::string folder = parts.folder.empty() ? std::string("./") : parts.folder;
  return IsJpegExtension(parts.extension) ? SaveSnapshotJpeg(&ch, pixels, pixelBytes, &time, folder, &name, 0)
                                          : SaveSnapshotBmp(&ch, pixels, pixelBytes, &time, folder, &name, 0);
}

std::string SnapshotFileName(const std::string& camera, time32 time) {
  std::string name;
  for (char c : camera) {
    const bool refused =
        static_cast<unsigned char>(c) < 0x20 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
    name += refused ? '-' : c;
  }
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  if (!name.empty()) name += ' ';
  return name + FormatLocalTime(time, "%Y-%m-%d %H-%M-%S") + ".jpg";
}

}  // namespace vt
