// Readers-writer lock on a folder between processes (flock on the folder itself, so no lock file
// is added to the folder and the lock outlives every rename inside it). Readers share it; a
// writer holds it alone across load, change and save. A process that dies releases its lock.
#pragma once

#include <chrono>
#include <string>

namespace vt {

// How long a lock request waits for other processes before giving up.
constexpr std::chrono::milliseconds kFolderLockWait{60000};

class CFolderLock {
 public:
  enum class Mode { kShared, kExclusive };

  CFolderLock() = default;
  ~CFolderLock() { Unlock(); }
  CFolderLock(const CFolderLock&) = delete;
  CFolderLock& operator=(const CFolderLock&) = delete;

  // Waits up to wait for the lock; true when held. A folder that cannot be opened or locked at
  // all (missing, no read permission, a file system without locks) counts as held: there is
  // then nobody to exclude through it. False only when other processes kept it for the whole wait.
  bool Lock(const std::string& folder, Mode mode, std::chrono::milliseconds wait = kFolderLockWait);
  // Shared -> exclusive. The shared lock is given up first (two readers upgrading at once would
  // otherwise wait for each other), so whatever was read under it must be read again.
  bool Upgrade(std::chrono::milliseconds wait = kFolderLockWait);
  void Unlock();

  bool IsHeld() const { return m_bHeld; }
  bool IsExclusive() const { return m_bHeld && m_mode == Mode::kExclusive; }
  const std::string& GetFolder() const { return m_strFolder; }

 private:
  int m_fd = -1;
  bool m_bHeld = false;
  Mode m_mode = Mode::kShared;
  std::string m_strFolder;
};

}  // namespace vt
