#include "app/recorder_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace vt {
namespace {

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr->sun_path)) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// The socket folder must be a real folder of this user that nobody else can write: otherwise
// another account could stand in for the recorder or the player (the /tmp fallback is shared).
bool FolderIsOurs(const std::string& folder) {
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A connected socket to the class's listener, or -1.
int Connect(const std::string& windowClass) {
  if (!FolderIsOurs(LinkFolder())) return -1;
  sockaddr_un addr;
  if (!MakeAddress(LinkSocketPath(windowClass), &addr)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

std::string LinkFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) {
    struct stat st;
    if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) return std::string(runtime) + "/vantor";
  }
  return "/tmp/vantor-" + std::to_string(::getuid());
}

std::string LinkSocketPath(const std::string& windowClass) { return LinkFolder() + "/" + windowClass; }

void EncodeLinkFrame(const LinkMessage& m, uint8_t out[kLinkFrameSize]) {
  PutLe32(out, m.msg);
  PutLe32(out + 4, static_cast<uint32_t>(m.wParam));
  PutLe32(out + 8, static_cast<uint32_t>(m.lParam));
}

LinkMessage DecodeLinkFrame(const uint8_t in[kLinkFrameSize]) {
  LinkMessage m;
  m.msg = GetLe32(in);
  m.wParam = GetLe32(in + 4);
  // lParam is a signed 32-bit LPARAM on the recorder's side.
  m.lParam = static_cast<int32_t>(GetLe32(in + 8));
  return m;
}

bool LinkFind(const std::string& windowClass) {
  int fd = Connect(windowClass);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool LinkPost(const std::string& windowClass, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  int fd = Connect(windowClass);
  if (fd < 0) return false;
  uint8_t frame[kLinkFrameSize];
  EncodeLinkFrame(LinkMessage{msg, wParam, lParam}, frame);
  size_t done = 0;
  while (done < sizeof(frame)) {
    ssize_t n = ::send(fd, frame + done, sizeof(frame) - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return done == sizeof(frame);
}

CLinkListener::~CLinkListener() { Close(); }

bool CLinkListener::Listen(const std::string& windowClass) {
  Close();
  std::string folder = LinkFolder();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  if (!FolderIsOurs(folder)) return false;
  std::string path = LinkSocketPath(windowClass);
  sockaddr_un addr;
  if (!MakeAddress(path, &addr)) return false;
  // A socket file whose owner is gone is stale; a live one belongs to another window.
  if (LinkFind(windowClass)) return false;
  ::unlink(path.c_str());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    return false;
  }
  m_fd = fd;
  m_strPath = path;
  return true;
}

void CLinkListener::Close() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_strPath.c_str());
  }
}

std::vector<LinkMessage> CLinkListener::ReadPending() {
  std::vector<LinkMessage> out;
  if (m_fd < 0) return out;
  for (;;) {
    int c = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) {
      if (errno == EINTR) continue;
      break;  // EAGAIN: nothing more waiting
    }
    // Posters write one frame and close; a finder closes without writing. Wait briefly so a
    // slow writer is not cut off, but never hang on a peer that keeps the connection open.
    uint8_t buf[kLinkFrameSize];
    size_t have = 0;
    for (;;) {
      pollfd p{c, POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) break;
      ssize_t n = ::read(c, buf + have, sizeof(buf) - have);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      have += static_cast<size_t>(n);
      if (have == sizeof(buf)) {
        out.push_back(DecodeLinkFrame(buf));
        have = 0;
      }
    }
    ::close(c);
  }
  return out;
}

RecorderWindow CSocketRecorderLink::FindRecorder() {
  if (LinkFind(kClassRecorder)) return RecorderWindow::kRecorder;
  if (LinkFind(kClassRemote)) return RecorderWindow::kRemoteViewer;
  return RecorderWindow::kNone;
}

bool CSocketRecorderLink::Post(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  switch (FindRecorder()) {
    case RecorderWindow::kRecorder: return LinkPost(kClassRecorder, msg, wParam, lParam);
    case RecorderWindow::kRemoteViewer: return LinkPost(kClassRemote, msg, wParam, lParam);
    default: return false;
  }
}

bool AnotherPlayerRaised(int waitMs) {
  for (int look = 0; look < 2; ++look) {
    if (look == 1) std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    if (LinkFind(kClassPlayer)) {
      LinkPost(kClassPlayer, kMsgSysCommand, kScRestore, 0);
      return true;
    }
  }
  return false;
}

}  // namespace vt
