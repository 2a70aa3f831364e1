// Hands a file to the desktop's opener (xdg-open) and finds out whether it took it. The opener
// only reports through its exit status, and in some desktops it runs the viewer in the
// foreground, so: an opener that fails within the grace time did not open the file; one that
// ends well, or still runs when the grace time is over, did. The viewer it starts outlives us.
#pragma once

#include <sys/types.h>

#include <string>

namespace vt {

inline constexpr const char* kDesktopOpener = "xdg-open";
inline constexpr int kOpenerGraceMs = 3000;

// The executable that a name without slash runs, searched in $PATH; empty when none.
std::string FindInPath(const std::string& name);

enum class OpenerState { kRunning, kOpened, kFailed };

class CExternalOpener {
 public:
  CExternalOpener() = default;
  ~CExternalOpener();
  CExternalOpener(const CExternalOpener&) = delete;
  CExternalOpener& operator=(const CExternalOpener&) = delete;

  // Starts opener (a name searched in $PATH, or a path) on file. False when it cannot be
  // started at all.
  bool Start(const std::string& opener, const std::string& file, int graceMs = kOpenerGraceMs);
  // Never waits. kRunning until the outcome is known.
  OpenerState Poll();

 private:
  pid_t m_helper = -1;  // waits for the opener at most graceMs, then ends with its verdict
  OpenerState m_state = OpenerState::kFailed;
};

}  // namespace vt
