#include "platform/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_utils.h"

namespace vt {
namespace {

// Attempts at creating the temporary when leftovers or a racing cleaner are in the way.
constexpr int kTempAttempts = 4;
constexpr const char* kDefaultTempSuffix = ".vtnew";

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The file at path is the one open as fd.
bool PathIsFd(const std::string& path, int fd) {
  struct stat a {}, b {};
  return ::fstat(fd, &a) == 0 && ::lstat(path.c_str(), &b) == 0 && SameInode(a, b);
}

// Another open file description holds a record lock that conflicts with a lock of type.
bool HasRecordLock(int fd, short type = F_WRLCK) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  if (::fcntl(fd, F_OFD_GETLK, &fl) == 0) return fl.l_type != F_UNLCK;
  fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  if (::fcntl(fd, F_GETLK, &fl) == 0) return fl.l_type != F_UNLCK;
  return false;
}

// Removes a leftover temporary so it can be created anew. kBusy when a live writer holds it.
WriteOutcome ClearLeftover(const std::string& temp) {
  struct stat st {};
  if (::lstat(temp.c_str(), &st) != 0) return errno == ENOENT ? WriteOutcome::kWritten : WriteOutcome::kFailed;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return WriteOutcome::kFailed;
  }
  if (S_ISREG(st.st_mode)) {
    int fd = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? WriteOutcome::kWritten : WriteOutcome::kFailed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return WriteOutcome::kBusy;
    }
    // Unlink only the file whose lock we hold; a new one in its place belongs to someone else.
    const bool ours = PathIsFd(temp, fd);
    if (ours) ::unlink(temp.c_str());
    ::close(fd);
    return WriteOutcome::kWritten;
  }
  // A planted link, FIFO or socket: the name goes, whatever it points to stays.
  if (::unlink(temp.c_str()) != 0 && errno != ENOENT) return WriteOutcome::kFailed;
  return WriteOutcome::kWritten;
}

// Creates the temporary new and locked. -1 with *outcome set on failure.
int CreateTemp(const std::string& temp, mode_t mode, bool readable, WriteOutcome* outcome) {
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    int fd = ::open(temp.c_str(), (readable ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno != EEXIST) {
        *outcome = WriteOutcome::kFailed;
        return -1;
      }
      const WriteOutcome cleared = ClearLeftover(temp);
      if (cleared != WriteOutcome::kWritten) {
        *outcome = cleared;
        return -1;
      }
      continue;
    }
    // Held while it is written, so a cleaner in another process sees a live writer. A cleaner
    // that came between open and lock has removed the name: start again.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && PathIsFd(temp, fd)) return fd;
    ::close(fd);
  }
  *outcome = WriteOutcome::kBusy;
  return -1;
}

// Opens the target and locks it for the rename, so nobody takes it meanwhile. -1 when there is
// nothing to lock (missing, a link, not a regular file); *held when another process holds it.
int LockTargetForRename(const std::string& target, bool* held) {
  *held = false;
  int fd = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || HasRecordLock(fd)) {
    *held = true;
    ::close(fd);
    return -1;
  }
  return fd;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: link refuses an existing name as well.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

}  // namespace

std::string WriteResult::Reason() const {
  switch (outcome) {
    case WriteOutcome::kWritten: return "written";
    case WriteOutcome::kTargetHeld: return "held by another process";
    case WriteOutcome::kTargetExists: return "a different file of that name exists";
    case WriteOutcome::kBusy: return "being written by another process";
    case WriteOutcome::kFailed: break;
  }
  return error ? std::strerror(error) : "write failed";
}

bool WriteAllToFd(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool IsFileHeld(const std::string& path) {
  bool held = false;
  const int fd = LockTargetForRename(path, &held);
  if (fd >= 0) ::close(fd);
  return held;
}

int OpenRegularShared(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  int error = 0;
  if (::fstat(fd, &st) != 0)
    error = errno;
  else if (!S_ISREG(st.st_mode))
    error = EINVAL;
  else if (::flock(fd, LOCK_SH | LOCK_NB) != 0 || HasRecordLock(fd, F_RDLCK))
    error = EBUSY;
  if (error == 0) return fd;
  ::close(fd);
  errno = error;
  return -1;
}

void SyncParentFolder(const std::string& path) {
  std::string folder;
  const char* name = ".";
  if (SplitPath(path, &folder, nullptr))
    name = folder.c_str();
  else if (!path.empty() && path[0] == '/')
    name = "/";
  const int fd = ::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

WriteResult WriteFileAtomically(const std::string& target, const FileWriter& writer,
                                const AtomicWriteOptions& options) {
  WriteResult result;
  const std::string temp = options.tempPath.empty() ? target + kDefaultTempSuffix : options.tempPath;
  if (target.empty() || temp == target) {
    result.error = EINVAL;
    return result;
  }
  struct stat old {};
  const bool exists = ::lstat(target.c_str(), &old) == 0;
  if (exists && !options.replace) {
    result.outcome = WriteOutcome::kTargetExists;
    return result;
  }
  const bool keepMode = exists && S_ISREG(old.st_mode);
  const mode_t mode = keepMode ? (old.st_mode & 07777) : options.mode;
  WriteOutcome created = WriteOutcome::kFailed;
  const int fd = CreateTemp(temp, mode, options.readable, &created);
  if (fd < 0) {
    result.outcome = created;
    result.error = errno;
    return result;
  }
  auto fail = [&](WriteOutcome outcome, int error) {
    if (PathIsFd(temp, fd)) ::unlink(temp.c_str());
    ::close(fd);
    result.outcome = outcome;
    result.error = error;
    return result;
  };
  // A replaced file keeps its mode whatever the umask; a new one gets the umask's share of mode.
  if ((keepMode && ::fchmod(fd, mode) != 0) || !writer(fd) || ::fsync(fd) != 0) return fail(WriteOutcome::kFailed, errno);
  if (!options.replace) {
    if (!RenameNoReplace(temp, target)) {
      const int error = errno;
      return fail(error == EEXIST ? WriteOutcome::kTargetExists : WriteOutcome::kFailed, error);
    }
  } else {
    bool held = false;
    const int targetFd = options.refuseHeldTarget ? LockTargetForRename(target, &held) : -1;
    if (held) {
      if (!options.keepTempWhenHeld) return fail(WriteOutcome::kTargetHeld, 0);
      ::close(fd);
      result.outcome = WriteOutcome::kTargetHeld;
      return result;
    }
    const bool renamed = ::rename(temp.c_str(), target.c_str()) == 0;
    const int error = errno;
    if (targetFd >= 0) ::close(targetFd);
    if (!renamed) return fail(WriteOutcome::kFailed, error);
  }
  // The lock on the temporary is kept until the rename is done, so no cleaner takes it for a leftover.
  ::close(fd);
  SyncParentFolder(target);
  result.outcome = WriteOutcome::kWritten;
  return result;
}

WriteResult WriteBytesAtomically(const std::string& target, const void* data, size_t size,
                                 const AtomicWriteOptions& options) {
  return WriteFileAtomically(target, [&](int fd) { return WriteAllToFd(fd, data, size); }, options);
}

}  // namespace vt
