#include "bench_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vt::bench {

namespace {

long StatusKb(const char* key) {
  std::FILE* f = std::fopen("/proc/self/status", "re");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  const size_t n = std::strlen(key);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, key, n) == 0 && line[n] == ':') {
      kb = std::atol(line + n + 1);
      break;
    }
  }
  std::fclose(f);
  return kb;
}

}  // namespace

std::string RunSelf(const std::vector<std::string>& args) {
  char self[PATH_MAX];
  const ssize_t len = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (len <= 0) return {};
  self[len] = '\0';
  int out[2];
  if (::pipe(out) != 0) return {};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, out[1], 1);
  posix_spawn_file_actions_addclose(&fa, out[0]);
  std::vector<char*> argv{self};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, self, &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  ::close(out[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; rc == 0 && (n = ::read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return text;
}

bool RunProgram(const std::vector<std::string>& argv, const std::string& outPath, bool quiet, struct rusage* usage) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const int out = outPath.empty() ? ::open("/dev/null", O_WRONLY)
                                    : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = quiet ? ::open("/dev/null", O_WRONLY) : 2;
    if (out < 0 || err < 0) ::_exit(126);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage own {};
  if (::wait4(pid, &status, 0, usage ? usage : &own) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long CurrentRssKb() { return StatusKb("VmRSS"); }
long PeakRssKb() { return StatusKb("VmHWM"); }

}  // namespace vt::bench
