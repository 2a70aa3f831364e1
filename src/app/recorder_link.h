// The link between the player and the recorder family on a desktop without window messages:
// every window class that takes messages listens on a local stream socket named after it in
// $XDG_RUNTIME_DIR/vantor/ (else /tmp/vantor-<uid>/). A window "exists" when its listener
// accepts a connection; a message is one 12-byte frame (message, wParam, lParam as
// little-endian 32-bit words), written on a fresh connection that is closed straight away.
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

// Asks the player already running to restore and raise its main window (the system command
// "restore" of the recorder family's window messages).
inline constexpr uint32_t kMsgSysCommand = 0x0112;
inline constexpr uint32_t kScRestore = 0xF120;

struct LinkMessage {
  uint32_t msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Folder of the sockets; created (mode 0700) on demand by Listen.
std::string LinkFolder();
std::string LinkSocketPath(const std::string& windowClass);

void EncodeLinkFrame(const LinkMessage& m, uint8_t out[kLinkFrameSize]);
LinkMessage DecodeLinkFrame(const uint8_t in[kLinkFrameSize]);

// True when a listener of that class accepts a connection.
bool LinkFind(const std::string& windowClass);
// Sends one frame; false when no listener of that class accepts it. wParam and lParam travel
// as their low 32 bits.
bool LinkPost(const std::string& windowClass, uint32_t msg, WPARAM wParam, LPARAM lParam);

// The listening end of one window class. Not thread-safe; poll fd() for readability, then
// call ReadPending.
class CLinkListener {
 public:
  CLinkListener() = default;
  ~CLinkListener();
  CLinkListener(const CLinkListener&) = delete;
  CLinkListener& operator=(const CLinkListener&) = delete;

  // False when another live listener holds the class (a stale socket file is replaced) or the
  // socket cannot be made.
  bool Listen(const std::string& windowClass);
  void Close();
  int fd() const { return m_fd; }
  // Accepts every waiting connection and returns the complete frames they carried.
  std::vector<LinkMessage> ReadPending();

 private:
  int m_fd = -1;
  std::string m_strPath;
};

// The recorder program's window over the link: "VTKelvane", else "VTRemote", looked up afresh
// on every call.
class CSocketRecorderLink : public IRecorderLink {
 public:
  RecorderWindow FindRecorder() override;
  bool Post(uint32_t msg, WPARAM wParam, LPARAM lParam) override;
};

// Single instance: true when a player already listens as "VTPlayer" at the first look or,
// after waitMs, at the second; that player has then been asked to restore and raise itself.
bool AnotherPlayerRaised(int waitMs);

}  // namespace vt
