#include "app/recorder_link.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vt {
namespace {

constexpr const char* kLockSuffix = ".lock";
constexpr size_t kOwnerTextMax = 4096;

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

std::string LockPath(const std::string& windowClass) { return LinkSocketPath(windowClass) + kLockSuffix; }

// A non-blocking socket connected (or queued) to the class's listener, or -1 with *peer saying
// why: kNone (nobody listens) or kBusy (the listener's queue is full).
int Connect(const std::string& windowClass, LinkPeer* peer) {
  *peer = LinkPeer::kNone;
  if (!FolderIsOurs(LinkFolder())) return -1;
  sockaddr_un addr;
  if (!MakeAddress(LinkSocketPath(windowClass), &addr)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  int rc;
  do {
    rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    if (errno == EAGAIN) *peer = LinkPeer::kBusy;
    ::close(fd);
    return -1;
  }
  *peer = LinkPeer::kListening;
  return fd;
}

void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// The owner's text in its lock file; false when it could not be written (it is only a hint).
bool WriteOwnerText(int lockFd, const std::string& text) {
  const std::string t = text.substr(0, kOwnerTextMax);
  if (::ftruncate(lockFd, 0) != 0) return false;
  return ::pwrite(lockFd, t.data(), t.size(), 0) == static_cast<ssize_t>(t.size());
}

bool WatchFd(int pollFd, int fd) {
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.fd = fd;
  return ::epoll_ctl(pollFd, EPOLL_CTL_ADD, fd, &ev) == 0;
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

LinkPeer LinkProbe(const std::string& windowClass) {
  LinkPeer peer;
  int fd = Connect(windowClass, &peer);
  if (fd >= 0) ::close(fd);
  return peer;
}

bool LinkFind(const std::string& windowClass) { return LinkProbe(windowClass) != LinkPeer::kNone; }

bool LinkPost(const std::string& windowClass, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  LinkPeer peer;
  int fd = Connect(windowClass, &peer);
  if (fd < 0) return false;
  uint8_t frame[kLinkFrameSize];
  EncodeLinkFrame(LinkMessage{msg, wParam, lParam}, frame);
  ssize_t n;
  do {
    n = ::send(fd, frame, sizeof(frame), MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  // A part of a frame is dropped by the listener when the connection ends.
  ::close(fd);
  return n == static_cast<ssize_t>(sizeof(frame));
}

std::string LinkOwnerText(const std::string& windowClass) {
  if (!FolderIsOurs(LinkFolder())) return {};
  int fd = ::open(LockPath(windowClass).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return {};
  std::string text(kOwnerTextMax, '\0');
  ssize_t n = ::pread(fd, text.data(), text.size(), 0);
  ::close(fd);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

CLinkListener::~CLinkListener() { Close(); }

bool CLinkListener::Listen(const std::string& windowClass) {
  Close();
  m_bHeldElsewhere = false;
  const std::string folder = LinkFolder();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  if (!FolderIsOurs(folder)) return false;
  const std::string path = LinkSocketPath(windowClass);
  sockaddr_un addr;
  if (!MakeAddress(path, &addr)) return false;
  // The lock file is never removed: removing it while another process waits to lock the same
  // file would let two owners in.
  int lockFd = ::open(LockPath(windowClass).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd < 0) return false;
  if (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
    m_bHeldElsewhere = errno == EWOULDBLOCK;
    ::close(lockFd);
    return false;
  }
  // Holding the lock, a socket file left behind belongs to an owner that is gone.
  if (LinkFind(windowClass)) {
    m_bHeldElsewhere = true;
    ::close(lockFd);
    return false;
  }
  ::unlink(path.c_str());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  int pollFd = ::epoll_create1(EPOLL_CLOEXEC);
  if (fd < 0 || pollFd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      ::listen(fd, kLinkBacklog) != 0 || !WatchFd(pollFd, fd)) {
    if (fd >= 0) ::close(fd);
    if (pollFd >= 0) ::close(pollFd);
    ::close(lockFd);
    return false;
  }
  WriteOwnerText(lockFd, "");
  m_listenFd = fd;
  m_pollFd = pollFd;
  m_lockFd = lockFd;
  m_strPath = path;
  return true;
}

void CLinkListener::Close() {
  while (!m_conns.empty()) DropConnection(m_conns.size() - 1);
  if (m_listenFd >= 0) {
    ::close(m_listenFd);
    m_listenFd = -1;
    ::unlink(m_strPath.c_str());
  }
  if (m_pollFd >= 0) {
    ::close(m_pollFd);
    m_pollFd = -1;
  }
  if (m_lockFd >= 0) {
    WriteOwnerText(m_lockFd, "");
    ::close(m_lockFd);  // releases the lock
    m_lockFd = -1;
  }
}

void CLinkListener::SetOwnerText(const std::string& text) {
  if (m_lockFd >= 0) WriteOwnerText(m_lockFd, text);
}

void CLinkListener::DropConnection(size_t index) {
  ::epoll_ctl(m_pollFd, EPOLL_CTL_DEL, m_conns[index].fd, nullptr);
  ::close(m_conns[index].fd);
  m_conns.erase(m_conns.begin() + static_cast<std::ptrdiff_t>(index));
}

void CLinkListener::AcceptWaiting() {
  for (int i = 0; i < kLinkAcceptsPerRead; ++i) {
    int c = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (c < 0) {
      if (errno == EINTR) continue;
      return;  // EAGAIN: nothing more waiting
    }
    if (m_conns.size() >= kLinkMaxConnections) DropConnection(0);
    if (!WatchFd(m_pollFd, c)) {
      ::close(c);
      continue;
    }
    Connection conn;
    conn.fd = c;
    m_conns.push_back(conn);
  }
}

bool CLinkListener::ReadConnection(Connection* c, std::vector<LinkMessage>* out) {
  uint8_t bytes[kLinkBytesPerRead];
  ssize_t n;
  do {
    n = ::read(c->fd, bytes, sizeof(bytes));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno == EAGAIN;
  if (n == 0) return false;  // ended; a partial frame goes with it
  for (ssize_t i = 0; i < n; ++i) {
    c->buf[c->have++] = bytes[i];
    if (c->have == kLinkFrameSize) {
      out->push_back(DecodeLinkFrame(c->buf));
      c->have = 0;
    }
  }
  return true;
}

std::vector<LinkMessage> CLinkListener::ReadPending() {
  std::vector<LinkMessage> out;
  if (m_pollFd < 0) return out;
  epoll_event events[kLinkEventsPerRead];
  int n;
  do {
    n = ::epoll_wait(m_pollFd, events, kLinkEventsPerRead, 0);
  } while (n < 0 && errno == EINTR);
  for (int i = 0; i < n; ++i) {
    const int fd = events[i].data.fd;
    if (fd == m_listenFd) {
      AcceptWaiting();
      continue;
    }
    // Looked up afresh: accepting may have dropped the oldest connections.
    for (size_t k = 0; k < m_conns.size(); ++k) {
      if (m_conns[k].fd != fd) continue;
      if (!ReadConnection(&m_conns[k], &out)) DropConnection(k);
      break;
    }
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

}  // namespace vt
