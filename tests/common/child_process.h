// Work done by another process: a file held locked (as the recorder holds its index), code run
// in a child (under a file-size limit, or as an unprivileged user when the tests run as root).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace vt::test {

constexpr uid_t kNobody = 65534;

// Runs fn in a forked child and returns its result (0-255), or -1 when the child died.
inline int RunInChild(const std::function<int()>& fn) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) ::_exit(fn());
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// In a child: the file-size limit that makes any write past bytes fail with EFBIG, the way a
// full disk makes it fail, without needing a small file system.
inline void LimitFileSize(rlim_t bytes) {
  ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit rl {bytes, bytes};
  ::setrlimit(RLIMIT_FSIZE, &rl);
}

// In a child: drops root so that permission bits count. True when the process is unprivileged.
inline bool DropRoot() {
  if (::geteuid() != 0) return true;
  return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// A lock on path held by a child process until Release or destruction.
class LockHolder {
 public:
  enum class Kind { kFlock, kPosix };
  explicit LockHolder(const std::string& path, Kind kind = Kind::kFlock) {
    int ready[2], release[2];
    if (::pipe(ready) != 0) return;
    if (::pipe(release) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::close(release[1]);  // else the read below never sees the end
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
      bool ok = fd >= 0;
      if (ok && kind == Kind::kFlock) ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
      if (ok && kind == Kind::kPosix) {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        ok = ::fcntl(fd, F_SETLK, &fl) == 0;
      }
      char c = ok ? '1' : '0';
      (void)!::write(ready[1], &c, 1);
      (void)!::read(release[0], &c, 1);
      ::_exit(0);
    }
    char c = 0;
    m_locked = m_pid > 0 && ::read(ready[0], &c, 1) == 1 && c == '1';
    m_release = release[1];
    for (int fd : {ready[0], ready[1], release[0]}) ::close(fd);
  }
  ~LockHolder() { Release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  bool locked() const { return m_locked; }
  void Release() {
    if (m_release >= 0) ::close(m_release);
    m_release = -1;
    if (m_pid > 0) ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
  int m_release = -1;
  bool m_locked = false;
};

}  // namespace vt::test
