#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace vt {
namespace {

constexpr std::chrono::milliseconds kFirstPoll{2};
constexpr std::chrono::milliseconds kLongestPoll{50};

// Polls a non-blocking flock until the deadline, so a stuck holder cannot hang the caller.
bool FlockWithin(int fd, int operation, std::chrono::milliseconds wait, bool* unsupported) {
  *unsupported = false;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = kFirstPoll;
  for (;;) {
    if (::flock(fd, operation | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      *unsupported = true;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, kLongestPoll);
  }
}

}  // namespace

bool CFolderLock::Lock(const std::string& folder, Mode mode, std::chrono::milliseconds wait) {
  Unlock();
  m_strFolder = folder;
  m_mode = mode;
  m_fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_fd < 0) {
    m_bHeld = true;  // nothing to lock
    return true;
  }
  bool unsupported = false;
  m_bHeld = FlockWithin(m_fd, mode == Mode::kShared ? LOCK_SH : LOCK_EX, wait, &unsupported);
  if (!m_bHeld || unsupported) {
    ::close(m_fd);
    m_fd = -1;
  }
  return m_bHeld;
}

bool CFolderLock::Upgrade(std::chrono::milliseconds wait) {
  if (!m_bHeld) return false;
  if (m_mode == Mode::kExclusive) return true;
  m_mode = Mode::kExclusive;
  if (m_fd < 0) return true;
  ::flock(m_fd, LOCK_UN);
  bool unsupported = false;
  m_bHeld = FlockWithin(m_fd, LOCK_EX, wait, &unsupported);
  return m_bHeld;
}

void CFolderLock::Unlock() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_bHeld = false;
}

}  // namespace vt
