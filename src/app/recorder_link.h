// The link between the player and the recorder family on a desktop without window messages:
// every window class that takes messages listens on a local stream socket named after it in
// $XDG_RUNTIME_DIR/vantor/ (else /tmp/vantor-<uid>/). A window "exists" when a listener owns the
// socket; a message is one 12-byte frame (message, wParam, lParam as little-endian 32-bit
// words), written on a fresh connection that is closed straight away.
//
// Like posting a window message, nothing here ever waits for the other side: connecting and
// sending never block (a listener that is stopped or too slow to take the connection or the
// frame makes the post fail), and reading takes only what has arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/message.h"
#include "recorddb/recorder_link.h"

namespace vt {

inline constexpr const char* kClassPlayer = "VTPlayer";
inline constexpr const char* kClassRecorder = "VTKelvane";
inline constexpr const char* kClassRemote = "VTRemote";
inline constexpr size_t kLinkFrameSize = 12;

// Connections waiting to be taken by a listener; beyond them a post fails at once.
inline constexpr int kLinkBacklog = 16;
// Bounds of one ReadPending call, so that a flood of connections or bytes cannot hold the
// caller's thread: connections taken, ready connections read, bytes read from each.
inline constexpr int kLinkAcceptsPerRead = 16;
inline constexpr int kLinkEventsPerRead = 32;
inline constexpr size_t kLinkBytesPerRead = 16 * kLinkFrameSize;
// Connections kept open at once; the oldest is dropped for a new one beyond this.
inline constexpr size_t kLinkMaxConnections = 32;

// Asks the player already running to restore and raise its main window (the system command
// "restore" of the recorder family's window messages).
inline constexpr uint32_t kMsgSysCommand = 0x0112;
inline constexpr uint32_t kScRestore = 0xF120;

struct LinkMessage {
  uint32_t msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// What a look-up of a window class found: nobody, a listener that takes connections, or a
// listener whose queue of waiting connections is full (alive but not answering, e.g. stopped).
enum class LinkPeer { kNone, kListening, kBusy };

// Folder of the sockets; created (mode 0700) on demand by Listen.
std::string LinkFolder();
std::string LinkSocketPath(const std::string& windowClass);

void EncodeLinkFrame(const LinkMessage& m, uint8_t out[kLinkFrameSize]);
LinkMessage DecodeLinkFrame(const uint8_t in[kLinkFrameSize]);

// Never blocks.
LinkPeer LinkProbe(const std::string& windowClass);
// True when a live listener owns the class (busy or not).
bool LinkFind(const std::string& windowClass);
// Sends one frame without waiting; false when no listener of that class takes it at once.
// wParam and lParam travel as their low 32 bits.
bool LinkPost(const std::string& windowClass, uint32_t msg, WPARAM wParam, LPARAM lParam);
// The text the owner of the class left with SetOwnerText; empty when none.
std::string LinkOwnerText(const std::string& windowClass);

// The listening end of one window class. Not thread-safe; poll fd() for readability, then
// call ReadPending.
class CLinkListener {
 public:
  CLinkListener() = default;
  ~CLinkListener();
  CLinkListener(const CLinkListener&) = delete;
  CLinkListener& operator=(const CLinkListener&) = delete;

  // Takes the class: a lock file beside the socket is held for as long as this object
  // listens, so two processes starting at the same moment cannot both own it, and an owner
  // that died leaves nothing that keeps the next one out (its socket file is replaced). False
  // when another live listener holds the class or the socket cannot be made.
  bool Listen(const std::string& windowClass);
  // After a failed Listen: true when the class's lock is held by another live listener (which
  // may not have made its socket yet).
  bool HeldElsewhere() const { return m_bHeldElsewhere; }
  void Close();
  bool IsListening() const { return m_listenFd >= 0; }
  // Readable when a connection waits or a connection has bytes.
  int fd() const { return m_pollFd; }
  // Takes waiting connections and reads what has arrived on each, without waiting and within
  // the bounds above; returns the frames completed. A partial frame stays with its connection
  // until the rest comes; a connection that ends mid-frame loses it. When more is left, fd()
  // stays readable.
  std::vector<LinkMessage> ReadPending();
  size_t OpenConnections() const { return m_conns.size(); }
  // A short text for LinkOwnerText (e.g. the data folder the owner works on).
  void SetOwnerText(const std::string& text);

 private:
  struct Connection {
    int fd = -1;
    uint8_t buf[kLinkFrameSize] = {};
    size_t have = 0;
  };
  void AcceptWaiting();
  // False when the connection has ended (and was closed).
  bool ReadConnection(Connection* c, std::vector<LinkMessage>* out);
  void DropConnection(size_t index);

  int m_listenFd = -1;
  int m_pollFd = -1;
  int m_lockFd = -1;
  bool m_bHeldElsewhere = false;
  std::string m_strPath;
  std::vector<Connection> m_conns;  // oldest first
};

// The recorder program's window over the link: "VTKelvane", else "VTRemote", looked up afresh
// on every call. A recorder that does not answer still exists; posting to it fails.
class CSocketRecorderLink : public IRecorderLink {
 public:
  RecorderWindow FindRecorder() override;
  bool Post(uint32_t msg, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace vt
