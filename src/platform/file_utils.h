// File and folder functions shared by start-up, the record database and the menu commands.
// Paths are native (forward slashes), at most 259 characters where they come from the index.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt {

// True when folder is writable (a test file could be created and removed), or was just created.
bool EnsureFolder(const std::string& folder);
// The folder and all its parents exist and the folder is usable; creates what is missing.
// Existing ancestors (/home) need not be writable.
bool MakeFolderPath(const std::string& folder);
// Splits at the last '/' (the first character is never examined, a trailing separator is not
// taken). False, outputs unchanged, when there is none.
bool SplitPath(const std::string& path, std::string* folder, std::string* name);
// A regular file that can be opened for reading with exclusive access (flock); one retry after
// 100 ms.
// A file that another process holds locked counts as absent.
bool FileExists(const std::string& path);
void DeleteFileIfExists(const std::string& path);
// Renames only when source exists and target does not.
bool RenameIfFree(const std::string& source, const std::string& target);
// XDG data home ($XDG_DATA_HOME, else ~/.local/share). False when neither can be worked out.
bool GetAppDataFolder(std::string* out);

// A file opened with an exclusive flock; -1 fd when open or lock failed. Closes on destruction.
class ExclusiveFile {
 public:
  // mode: O_RDONLY, O_WRONLY|O_CREAT|O_TRUNC, ...
  ExclusiveFile(const std::string& path, int flags, int mode = 0644);
  ~ExclusiveFile();
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  int fd() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void Close();

 private:
  int fd_ = -1;
};

// Nearest-neighbour resampling of an uncompressed 8/16/24/32-bit packed bitmap into *target
// (reused when its biSizeImage is large enough, else reallocated with new[]; caller frees with
// delete[]). False when an argument is missing, a size is not positive or the block cannot be
// allocated.
bool ScaleDib(const BITMAPINFOHEADER* source, const uint8_t* sourcePixels, int newWidth, int newHeight,
              uint8_t** target);
bool ScaleDib(const uint8_t* packedSource, int newWidth, int newHeight, uint8_t** target);

}  // namespace vt
