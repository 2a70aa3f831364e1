// Stand-in for the recorder program: takes the recorder's window class on the recorder link,
// prints every message it receives, answers the update request by rebuilding the cameras'
// indexes and posting the index-updated message to the player, and can hold a record file
// locked as a recording in progress does.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/recorder_link.h"
#include "recorddb/camera_config.h"
#include "recorddb/record_db.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

struct Options {
  std::string windowClass = vt::kClassRecorder;
  std::string iniPath;
  std::vector<std::string> cameraFolders;
  std::vector<std::string> holdFiles;
  bool noAnswer = false;
};

class CFolderList : public vt::ICameraList {
 public:
  std::vector<std::string> folders;
  void ResetCameras() override { folders.clear(); }
  void AddCamera(int, const std::string&, const std::string& folder) override { folders.push_back(folder); }
  void SelectCamera(int) override {}
};

void Usage() {
  std::fputs(
      "Usage: vtrecorder [--remote] [--data-folder DIR | --ini FILE] [--camera-folder DIR]...\n"
      "                  [--hold FILE]... [--no-answer]\n"
      "Stands in for the recorder program: listens as window class VTKelvane (VTRemote with\n"
      "--remote) and prints every message it receives. On the update request (0x83F5) it\n"
      "rebuilds the index of every camera folder (from vantor.ini and --camera-folder) and posts\n"
      "the index-updated message (0x83F6) to the player, unless --no-answer. --hold keeps a\n"
      "file open with an exclusive lock, as a recording in progress.\n",
      stderr);
}

bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--remote") {
      o->windowClass = vt::kClassRemote;
    } else if (a == "--no-answer") {
      o->noAnswer = true;
    } else if (a == "--data-folder" && next(&v)) {
      o->iniPath = v + "/vantor.ini";
    } else if (a == "--ini" && next(&v)) {
      o->iniPath = v;
    } else if (a == "--camera-folder" && next(&v)) {
      o->cameraFolders.push_back(v);
    } else if (a == "--hold" && next(&v)) {
      o->holdFiles.push_back(v);
    } else {
      return false;
    }
  }
  return true;
}

void RebuildIndexes(const Options& o) {
  std::vector<std::string> folders = o.cameraFolders;
  if (!o.iniPath.empty()) {
    CFolderList list;
    vt::LoadMainCameras(o.iniPath, false, &list);
    folders.insert(folders.end(), list.folders.begin(), list.folders.end());
  }
  for (const std::string& folder : folders) {
    vt::CRecordDB db;
    db.SetFolder(folder);
    bool ok = db.BeginChange(false) && db.Rebuild() == 1 && db.Save();
    db.EndChange();
    std::printf("rebuilt %s: %s\n", folder.c_str(), ok ? "ok" : "FAILED");
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, &o)) {
    Usage();
    return 2;
  }
  std::vector<int> held;
  for (const std::string& f : o.holdFiles) {
    int fd = ::open(f.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      std::fprintf(stderr, "vtrecorder: cannot lock %s: %s\n", f.c_str(), std::strerror(errno));
      return 1;
    }
    held.push_back(fd);
    std::printf("holding %s\n", f.c_str());
  }
  vt::CLinkListener listener;
  if (!listener.Listen(o.windowClass)) {
    std::fprintf(stderr, "vtrecorder: %s is taken or %s cannot be used\n", o.windowClass.c_str(),
                 vt::LinkFolder().c_str());
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("listening as %s on %s\n", o.windowClass.c_str(), vt::LinkSocketPath(o.windowClass).c_str());
  std::fflush(stdout);
  while (!g_stop) {
    pollfd p{listener.fd(), POLLIN, 0};
    int n = ::poll(&p, 1, 200);
    if (n <= 0) continue;
    for (const vt::LinkMessage& m : listener.ReadPending()) {
      std::printf("message 0x%04X wParam=%llu lParam=0x%08llX\n", m.msg, static_cast<unsigned long long>(m.wParam),
                  static_cast<unsigned long long>(static_cast<uint32_t>(m.lParam)));
      if (m.msg == vt::kMsgUpdateRequest) {
        RebuildIndexes(o);
        if (!o.noAnswer) {
          bool sent = vt::LinkPost(vt::kClassPlayer, vt::kMsgIndexUpdated, 0, 0);
          std::printf("posted 0x%04X to %s: %s\n", vt::kMsgIndexUpdated, vt::kClassPlayer, sent ? "ok" : "no player");
        }
      }
      std::fflush(stdout);
    }
  }
  for (int fd : held) ::close(fd);
  return 0;
}
