#include "help/external_opener.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace vt {
namespace {

constexpr int kHelperPollMs = 20;
constexpr int kExitOpened = 0;
constexpr int kExitExecFailed = 127;

void SleepMs(int ms) {
  timespec t{ms / 1000, (ms % 1000) * 1000000L};
  while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

}  // namespace

std::string FindInPath(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate(dirs, start, end - start);
    if (candidate.empty()) candidate.push_back('.');  // an empty entry is the current folder
    candidate.push_back('/');
    candidate.append(name);
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

CExternalOpener::~CExternalOpener() {
  // The helper ends by itself within its grace time; the viewer it started is not its child.
  if (m_helper > 0) {
    ::kill(m_helper, SIGKILL);
    ::waitpid(m_helper, nullptr, 0);
  }
}

bool CExternalOpener::Start(const std::string& opener, const std::string& file, int graceMs) {
  if (m_helper > 0) return false;
  const std::string program = FindInPath(opener);
  if (program.empty()) return false;
  // Everything the children need is made before fork: after it only async-signal-safe calls.
  std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(file.c_str()), nullptr};
  const pid_t helper = ::fork();
  if (helper < 0) return false;
  if (helper == 0) {
    const pid_t child = ::fork();
    if (child < 0) ::_exit(kExitExecFailed);
    if (child == 0) {
      ::setsid();  // the viewer is not ours: it stays when we end
      ::execve(argv[0], argv.data(), environ);
      ::_exit(kExitExecFailed);
    }
    for (int waited = 0; waited < graceMs; waited += kHelperPollMs) {
      int status = 0;
      if (::waitpid(child, &status, WNOHANG) == child)
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : kExitExecFailed);
      SleepMs(kHelperPollMs);
    }
    ::_exit(kExitOpened);  // still running: a viewer in the foreground
  }
  m_helper = helper;
  m_state = OpenerState::kRunning;
  return true;
}

OpenerState CExternalOpener::Poll() {
  if (m_helper <= 0) return m_state;
  int status = 0;
  const pid_t r = ::waitpid(m_helper, &status, WNOHANG);
  if (r == 0) return OpenerState::kRunning;
  m_helper = -1;
  m_state = r == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != kExitOpened ? OpenerState::kFailed
                                                                               : OpenerState::kOpened;
  return m_state;
}

}  // namespace vt
