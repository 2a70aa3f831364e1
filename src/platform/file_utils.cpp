#include "platform/file_utils.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <random>
#include <thread>

namespace vt {
namespace {

constexpr auto kFileRetryDelay = std::chrono::milliseconds(100);

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool TryOpenExclusive(const std::string& path) {
  // Non-blocking so that a FIFO in place of a record cannot hang the caller.
  ExclusiveFile f(path, O_RDONLY | O_NONBLOCK);
  if (!f.ok()) return false;
  struct stat st {};
  // Folders and devices open for reading here but are not files.
  return ::fstat(f.fd(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

ExclusiveFile::ExclusiveFile(const std::string& path, int flags, int mode) {
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

ExclusiveFile::~ExclusiveFile() { Close(); }

void ExclusiveFile::Close() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
  fd_ = -1;
}

bool EnsureFolder(const std::string& folder) {
  std::minstd_rand rng(static_cast<unsigned>(std::time(nullptr)));
  // A test file left behind by someone else must not make a writable folder look read-only:
  // on a name clash another number is drawn.
  for (int attempt = 0; attempt < 64; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "/ti%6d.tst", static_cast<int>(rng() % 32768));
    std::string test = folder + name;
    int fd = ::open(test.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(test.c_str());
      return true;
    }
    if (errno != EEXIST) break;
  }
  return ::mkdir(folder.c_str(), 0755) == 0;
}

bool MakeFolderPath(const std::string& folder) {
  if (folder.empty()) return false;
  if (EnsureFolder(folder)) return true;
  // Ancestors such as /home need only exist; only missing ones are created. The leading '/'
  // of an absolute path is the root, not a folder to create.
  for (size_t pos = folder.find('/', 1); pos != std::string::npos; pos = folder.find('/', pos + 1)) {
    std::string prefix = folder.substr(0, pos);
    if (IsDirectory(prefix)) continue;
    if (!EnsureFolder(prefix)) return false;
  }
  return EnsureFolder(folder);
}

bool SplitPath(const std::string& path, std::string* folder, std::string* name) {
  if (path.size() < 2) return false;
  // From the second-to-last character back to the second one: a trailing separator and the
  // first character are never taken. UTF-8 never has '/' inside a multi-byte character.
  for (size_t i = path.size() - 2; i >= 1; --i) {
    if (path[i] == '/') {
      if (folder) *folder = path.substr(0, i);
      if (name) *name = path.substr(i + 1);
      return true;
    }
  }
  return false;
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  if (TryOpenExclusive(path)) return true;
  std::this_thread::sleep_for(kFileRetryDelay);
  return TryOpenExclusive(path);
}

void DeleteFileIfExists(const std::string& path) {
  if (FileExists(path)) ::unlink(path.c_str());
}

bool RenameIfFree(const std::string& source, const std::string& target) {
  if (!FileExists(source) || FileExists(target)) return false;
  // A target that appeared meanwhile, or one another process holds locked, is never replaced.
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: link + unlink refuses an existing target as well.
  if (::link(source.c_str(), target.c_str()) != 0) return false;
  ::unlink(source.c_str());
  return true;
}

bool GetAppDataFolder(std::string* out) {
  if (!out) return false;
  // The answer is built in a local and moved out: GCC 12 at -O3 takes an assignment of a short
  // literal into *out for an overlapping copy (-Wrestrict).
  std::string folder;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') {  // relative values are invalid and ignored
    folder = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home && home[0]) {
      folder = home;
    } else if (passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
      folder = pw->pw_dir;
    }
    if (!folder.empty()) folder += "/.local/share";
  }
  const bool found = !folder.empty();
  if (!found) folder.push_back('/');
  *out = std::move(folder);
  return found;
}

}  // namespace vt
