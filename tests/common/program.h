// Runs a built program as a shell user would, without Qt: output captured in files, a time limit
// (a program that hangs on a FIFO is killed and reported), an optional file-size limit (a full
// disk without a small file system), or started in the background to be killed with SIGKILL.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace vt::test {

struct ProgramOptions {
  std::chrono::milliseconds timeout{30000};
  rlim_t fileSizeLimit = RLIM_INFINITY;  // bytes any one file may grow to
  std::string workingFolder;             // empty: the test's own
};

struct ProgramResult {
  int rc = -1;             // exit status; -1 when killed or not started
  bool timedOut = false;   // still running at the time limit (then killed)
  std::string out, err;
};

// A started program. Its output goes to outPath and errPath.
class Program {
 public:
  Program() = default;
  ~Program() { Kill(); }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Start(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath,
             const ProgramOptions& options = {}) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid < 0) return false;
    if (m_pid == 0) {
      const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
      if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) ::_exit(126);
      if (options.fileSizeLimit != RLIM_INFINITY) {
        ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of killing the program
        struct rlimit rl {options.fileSizeLimit, options.fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
      }
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return true;
  }
  // Exit status within timeout; -1 (and *timedOut) when it had to be killed.
  int Wait(std::chrono::milliseconds timeout, bool* timedOut = nullptr) {
    if (timedOut) *timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0) {
      int status = 0;
      const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
      if (r == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        if (timedOut) *timedOut = true;
        Kill();
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
  }
  // SIGKILL, as a power cut or an impatient user would end it.
  void Kill() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
};

inline std::string ReadWhole(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Runs args to the end; scratch is a folder for the output files.
inline ProgramResult RunProgram(const std::vector<std::string>& args, const std::string& scratch,
                                const ProgramOptions& options = {}) {
  static int serial = 0;
  const std::string base = scratch + "/.run" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  ProgramResult r;
  Program p;
  if (!p.Start(args, base + ".out", base + ".err", options)) return r;
  r.rc = p.Wait(options.timeout, &r.timedOut);
  r.out = ReadWhole(base + ".out");
  r.err = ReadWhole(base + ".err");
  ::unlink((base + ".out").c_str());
  ::unlink((base + ".err").c_str());
  return r;
}

}  // namespace vt::test
