#include "mpv_ipc.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "bench_report.h"

namespace vt::bench {

namespace {
constexpr int kTimeoutMs = 20000;

bool OnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}
}  // namespace

bool CMpv::Installed() { return OnPath("mpv"); }

CMpv::CMpv(const std::string& path) {
  if (!Installed()) return;
  m_socket = "/tmp/vt_bench_mpv_" + std::to_string(getpid()) + ".sock";
  unlink(m_socket.c_str());
  const std::string ipc = "--input-ipc-server=" + m_socket;
  std::vector<std::string> args = {"mpv", "--no-config", "--really-quiet", "--idle=yes", "--pause", "--untimed",
                                   "--vo=null", "--ao=null", "--no-audio", "--hr-seek=yes", ipc, path};
  m_pid = fork();
  if (m_pid == 0) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp("mpv", argv.data());
    _exit(127);
  }
  if (m_pid < 0) return;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", m_socket.c_str());
  for (int i = 0; i < 200 && m_fd < 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
      m_fd = fd;
    else
      close(fd);
  }
  // The load's own playback-restart may have passed before the socket was connected: an exact
  // seek to the start is answered by one of its own once the file is loaded.
  if (m_fd >= 0 && (!Send("[\"observe_property\", 1, \"time-pos\"]") || Seek(0) < 0)) {
    close(m_fd);
    m_fd = -1;
  }
}

CMpv::~CMpv() {
  if (m_fd >= 0) {
    Send("[\"quit\"]");
    close(m_fd);
  }
  if (m_pid > 0) {
    int status = 0;
    for (int i = 0; i < 100 && waitpid(m_pid, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (waitpid(m_pid, &status, WNOHANG) == 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, &status, 0);
    }
  }
  if (!m_socket.empty()) unlink(m_socket.c_str());
}

bool CMpv::Send(const std::string& command) {
  const std::string line = "{\"command\": " + command + "}\n";
  return write(m_fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

std::string CMpv::WaitFor(const std::string& needle, const std::string& needle2, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    size_t nl;
    while ((nl = m_buffer.find('\n')) != std::string::npos) {
      std::string line = m_buffer.substr(0, nl);
      m_buffer.erase(0, nl + 1);
      if (line.find(needle) != std::string::npos && (needle2.empty() || line.find(needle2) != std::string::npos))
        return line;
    }
    const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
    if (left <= 0) return {};
    pollfd p{m_fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) return {};
    char buf[4096];
    const ssize_t n = read(m_fd, buf, sizeof buf);
    if (n <= 0) return {};
    m_buffer.append(buf, static_cast<size_t>(n));
  }
}

double CMpv::Seek(double t) {
  m_buffer.clear();
  const auto t0 = Clock::now();
  if (!Send("[\"seek\", " + std::to_string(t) + ", \"absolute+exact\"]")) return -1;
  if (WaitFor("\"playback-restart\"", "", kTimeoutMs).empty()) return -1;
  m_dPos = t;
  return Ms(Clock::now() - t0);
}

double CMpv::Step(bool back, double* pos) {
  // Drop what came before, so that the next change of the position is this step's.
  pollfd p{m_fd, POLLIN, 0};
  while (poll(&p, 1, 0) > 0) {
    char buf[4096];
    if (read(m_fd, buf, sizeof buf) <= 0) break;
  }
  m_buffer.clear();
  const auto t0 = Clock::now();
  if (!Send(back ? "[\"frame-back-step\"]" : "[\"frame-step\"]")) return -1;
  // A backward step is an exact seek: its position is announced at once, its frame when
  // playback restarts. A forward step shows the next frame and announces its position.
  if (back && WaitFor("\"playback-restart\"", "", kTimeoutMs).empty()) return -1;
  const double ms = Ms(Clock::now() - t0);
  if (back && !Send("[\"get_property\", \"time-pos\"]")) return -1;
  for (;;) {
    const std::string line = back ? WaitFor("\"request_id\"", "\"data\"", kTimeoutMs)
                                  : WaitFor("\"property-change\"", "\"time-pos\"", kTimeoutMs);
    if (line.empty()) return -1;
    const size_t d = line.find("\"data\":");
    if (d == std::string::npos || line.compare(d + 7, 4, "null") == 0) continue;
    *pos = std::atof(line.c_str() + d + 7);
    // A change announced late for the seek or step before is not this step's.
    if (!back && std::abs(*pos - m_dPos) < 1e-6) continue;
    m_dPos = *pos;
    return back ? ms : Ms(Clock::now() - t0);
  }
}

}  // namespace vt::bench
