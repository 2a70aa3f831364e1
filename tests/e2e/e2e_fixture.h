// Integration fixture: a recorder data folder with cameras and record files on disk, child
// processes (vtrecorder, vtplayer) with their output in files, and a private recorder-link
// folder per test.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace vt::e2e {

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Pumps Qt events until pred holds or timeoutMs passes.
inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ::usleep(10000);
  }
  return true;
}

class ChildProcess {
 public:
  ~ChildProcess() { Stop(); }
  bool Start(const std::vector<std::string>& args, const std::filesystem::path& output) {
    output_ = output;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) pid_ = -1;
    return rc == 0;
  }
  std::string Output() const { return ReadAll(output_); }
  pid_t pid() const { return pid_; }
  // Exit status once the process has ended by itself within timeoutMs, else -1.
  int WaitExit(int timeoutMs) {
    for (int waited = 0; pid_ > 0 && waited <= timeoutMs; waited += 10) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      ::usleep(10000);
    }
    return -1;
  }
  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    return true;
  }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (WaitExit(3000) < 0 && pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  std::filesystem::path output_;
};

// data/vantor.ini naming two cameras, their record folders with day folders and record files.
class RecorderData {
 public:
  explicit RecorderData(const std::filesystem::path& root) : root_(root) {
    std::filesystem::create_directories(root_ / "data");
    std::ofstream ini(root_ / "data/vantor.ini", std::ios::binary);
    ini << "[Storage_ch01]\r\nsStoragePath=" << Camera(1).string() << "\r\n[Preference_ch01]\r\nsCameraName=Front door\r\n"
        << "[Storage_ch02]\r\nsStoragePath=" << Camera(2).string() << "\r\n[Preference_ch02]\r\nsCameraName=Yard\r\n"
        << "[Preference]\r\nfAutoPlay=1\r\n";
  }
  std::filesystem::path Data() const { return root_ / "data"; }
  std::filesystem::path Ini() const { return root_ / "data/vantor.ini"; }
  std::filesystem::path Camera(int number) const { return root_ / ("cam" + std::to_string(number)); }
  // A record file "00hhmmssHHMMSSk.avi" in the day folder.
  std::filesystem::path AddRecord(int camera, const std::string& day, const std::string& start,
                                  const std::string& end, int kind = 0) {
    auto folder = Camera(camera) / day;
    std::filesystem::create_directories(folder);
    auto path = folder / ("00" + start + end + std::to_string(kind) + ".avi");
    std::ofstream(path, std::ios::binary) << std::string(4096, 'x');
    return path;
  }

 private:
  std::filesystem::path root_;
};

}  // namespace vt::e2e
