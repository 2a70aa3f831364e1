// Files written whole or not at all. Every file the program writes (index, profile files,
// snapshots, copies of record files) goes through WriteFileAtomically: the new contents go to a
// temporary file in the target's folder, which is flushed to disk and renamed over the target.
// A reader therefore sees the old file or the complete new one; a failure (full disk, read-only
// folder, kill) leaves an existing target untouched.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

namespace vt {

enum class WriteOutcome {
  kWritten,       // the target now holds the new contents
  kFailed,        // the target is as it was; no temporary is left
  kTargetHeld,    // another process holds the target locked, so it was not replaced
  kTargetExists,  // replacing was not allowed and the target exists; it is as it was
  kBusy,          // another process is writing the same temporary file right now
};

struct WriteResult {
  WriteOutcome outcome = WriteOutcome::kFailed;
  int error = 0;  // errno of the failing step (kFailed)
  bool ok() const { return outcome == WriteOutcome::kWritten; }
  // "No space left on device", "held by another process", ... for messages.
  std::string Reason() const;
};

struct AtomicWriteOptions {
  // Temporary file; must lie in the target's folder. Empty: target + ".vtnew". It is created new
  // (O_EXCL, never through a symbolic link); a leftover of a killed writer is removed first,
  // one that another process holds locked (being written) gives kBusy.
  std::string tempPath;
  // A target that another process holds locked (flock or POSIX lock) is not replaced: the
  // rename-if-free of the recorder family. The finished temporary then stays when
  // keepTempWhenHeld is set (the other process may take it), else it is removed.
  bool refuseHeldTarget = false;
  bool keepTempWhenHeld = false;
  // False: an existing target (of any kind) is never replaced (kTargetExists).
  bool replace = true;
  // Mode of a new file; a regular file that is replaced keeps its own mode.
  mode_t mode = 0644;
  // The writer may read back what it wrote (a muxer that patches its headers, a hash of the
  // finished contents).
  bool readable = false;
};

// Writes the contents into fd (a new, empty regular file); false on any error (errno kept).
using FileWriter = std::function<bool(int fd)>;

WriteResult WriteFileAtomically(const std::string& target, const FileWriter& writer,
                                const AtomicWriteOptions& options = {});
WriteResult WriteBytesAtomically(const std::string& target, const void* data, size_t size,
                                 const AtomicWriteOptions& options = {});

// write() until done, retrying on EINTR; false on error or a short write that makes no progress.
bool WriteAllToFd(int fd, const void* data, size_t size);

// True when some other open file description holds a lock on the file at path: an flock that
// excludes ours, or a POSIX/OFD record lock. A missing file, a symbolic link or anything that
// cannot be opened without blocking is not held.
bool IsFileHeld(const std::string& path);

// Opens a regular file for reading with a shared flock, without ever blocking: FIFOs, devices,
// sockets and folders are refused (errno EINVAL), and so is a file that another process holds
// exclusively (flock or POSIX write lock; errno EBUSY). -1 on failure; the caller closes the fd.
int OpenRegularShared(const std::string& path);

// Flushes the folder that holds path, so a rename in it survives a power loss.
void SyncParentFolder(const std::string& path);

}  // namespace vt
