// Private messages between the program's windows and with the recorder program. The codes,
// wParam and lParam are those the recorder family uses; they travel unchanged whether a
// message is posted inside the program or sent over the recorder link.
#pragma once

#include <cstdint>

namespace vt {

using WPARAM = uint64_t;
using LPARAM = int64_t;
using LRESULT = int64_t;

constexpr uint32_t kWmApp = 0x8000;
// A key pressed in the main window, handed to the Player's hook: wParam the virtual-key code.
constexpr uint32_t kWmKeyDown = 0x0100;

constexpr uint32_t kMsgGraphNotify = 0x800D;    // media engine -> Player window
constexpr uint32_t kMsgStatusText = 0x8013;     // skin buttons -> main window (wParam window, lParam text)
constexpr uint32_t kMsgSeekRequest = 0x8050;    // seek bar -> Player window
constexpr uint32_t kMsgButtonPlay = 0x805A;     // button bar -> Player window, 0x805A + (id - 1)
constexpr uint32_t kMsgButtonPause = 0x805B;
constexpr uint32_t kMsgButtonStop = 0x805C;
constexpr uint32_t kMsgButtonBackward = 0x805D;
constexpr uint32_t kMsgButtonForward = 0x805E;
constexpr uint32_t kMsgButtonSnapshot = 0x805F;
constexpr uint32_t kMsgButtonZoom = 0x8060;
constexpr uint32_t kMsgButtonSpeed = 0x8061;    // wParam x, lParam y
constexpr uint32_t kMsgOpenRecord = 0x8062;     // lParam RDB_RECORD* or 0 (close)
constexpr uint32_t kMsgFitToVideo = 0x8063;
constexpr uint32_t kMsgUpdateRequest = 0x83F5;  // player -> recorder
constexpr uint32_t kMsgIndexUpdated = 0x83F6;   // recorder -> main window
constexpr uint32_t kMsgRecordDeleted = 0x83F7;  // wParam start time, lParam camera number << 16
constexpr uint32_t kMsgDayDeleted = 0x83F8;     // wParam day's first start time
constexpr uint32_t kMsgAllDeleted = 0x83F9;
constexpr uint32_t kMsgOpenCamera = 0x83FA;     // wParam const char* storage path, lParam camera index
constexpr uint32_t kMsgVideoSize = 0x83FB;      // wParam width, lParam height
constexpr uint32_t kMsgProgress = 0x83FC;       // sent: wParam code, lParam total/index/string id

// Codes of the progress message.
constexpr uint32_t kProgressBegin = 1;
constexpr uint32_t kProgressEnd = 2;
constexpr uint32_t kProgressStep = 3;
constexpr uint32_t kProgressZero = 4;
constexpr uint32_t kProgressNone = 5;
constexpr uint32_t kProgressFormat = 6;

// lParam of the delete notifications: camera number (channel index + 1) in the high word.
constexpr LPARAM MakeCameraParam(int channelIndex) {
  return static_cast<LPARAM>((static_cast<uint32_t>(channelIndex + 1) << 16) & 0xFFFF0000u);
}

// A window that receives private messages. Post queues the message for later; Send handles it
// before returning. The core only ever talks to windows through this interface.
class IMessageTarget {
 public:
  virtual ~IMessageTarget() = default;
  virtual bool Post(uint32_t msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT Send(uint32_t msg, WPARAM wParam, LPARAM lParam) = 0;
};

}  // namespace vt
