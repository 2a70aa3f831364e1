// An optional outside reference: mpv, when installed, driven through its JSON IPC socket on
// the same clip (no video or audio output, untimed, exact seeks), to time its frame-step and
// frame-back-step. Everything fails softly when mpv is absent.
#pragma once

#include <sys/types.h>

#include <string>

namespace vt::bench {

class CMpv {
 public:
  // Starts mpv paused on path; Ok() is false when mpv is not installed or does not answer.
  explicit CMpv(const std::string& path);
  ~CMpv();
  CMpv(const CMpv&) = delete;
  CMpv& operator=(const CMpv&) = delete;
  bool Ok() const { return m_fd >= 0; }
  static bool Installed();

  // Exact seek to t seconds, until playback has restarted there: ms, or a negative value on a
  // time-out.
  double Seek(double t);
  // frame-step (back = false) or frame-back-step, until the position changes: ms, or negative
  // on a time-out. *pos receives the new position in seconds.
  double Step(bool back, double* pos);

 private:
  bool Send(const std::string& command);
  // Reads lines until one contains all of the needles (or the time-out passes); the line.
  std::string WaitFor(const std::string& needle, const std::string& needle2, int timeoutMs);

  pid_t m_pid = -1;
  int m_fd = -1;
  std::string m_socket;
  std::string m_buffer;
  double m_dPos = -1;  // the position last reached, s
};

}  // namespace vt::bench
