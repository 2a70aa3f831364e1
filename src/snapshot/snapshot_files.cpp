#include "snapshot/snapshot_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/local_time.h"
#include "skin/dib.h"
#include "snapshot/jpeg_encoder.h"

namespace vt {

namespace {

constexpr int kMaxNameTries = 1000;

// Creates a new empty file folder + name, trying "stem.bmp", "stem-1.bmp", ... so that no
// existing file is overwritten. The chosen name in *name.
bool ReserveAutoName(const std::string& folder, time32 t, std::string* name) {
  const std::string first = AutoSnapshotName(t);
  if (first.empty()) return false;
  const std::string stem = first.substr(0, first.size() - 4);
  for (int i = 0; i < kMaxNameTries; ++i) {
    std::string candidate = i == 0 ? first : stem + "-" + std::to_string(i) + ".bmp";
    int fd = ::open((folder + candidate).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      *name = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace

std::string AutoSnapshotName(time32 t) {
  const std::string stamp = FormatLocalTime(t, "%Y%m%d-%H%M%S");
  return stamp.empty() ? std::string() : stamp + ".bmp";
}

bool GetShortPathName(const std::string& path, std::string* shortPath) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  *shortPath = path;
  return true;
}

int SaveSnapshotBmp(const BITMAPINFOHEADER* header, const uint8_t* pixels, size_t pixelBytes, const time32* time,
                    const std::string& folder, std::string* name, int autoName) {
  if (!header || !pixels || folder.empty() || !name || (autoName && !time)) return 0;
  if (header->biSize != sizeof(BITMAPINFOHEADER) || header->biSizeImage > pixelBytes) return 0;
  std::string fileName = *name;
  if (autoName && !ReserveAutoName(folder, *time, &fileName)) return 0;
  if (fileName.empty()) return 0;
  const std::string path = folder + fileName;
  CDib dib(*header, pixels);
  if (!dib.Save(path)) {
    if (autoName) ::unlink(path.c_str());  // the reserved name is ours: leave nothing behind
    return 0;
  }
  if (autoName) *name = fileName;
  return 1;
}

int SaveSnapshotJpeg(const BITMAPINFOHEADER* header, const uint8_t* pixels, size_t pixelBytes, const time32* time,
                     const std::string& folder, std::string* name, int /*autoName*/) {
  if (!name) return 0;
  std::string tempName;
  if (!SaveSnapshotBmp(header, pixels, pixelBytes, time, folder, &tempName, 1)) return 0;
  std::string shortFolder;
  if (!GetShortPathName(folder, &shortFolder)) return 0;
  const std::string tempPath = shortFolder + tempName;
  const int result = EncodeBitmapFileToJpeg(tempPath, shortFolder + *name, kSnapshotJpegQuality);
  ::unlink(tempPath.c_str());
  return result;
}

}  // namespace vt
