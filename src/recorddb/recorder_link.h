// What the record commands need of the recorder program's window: whether one runs, and a
// way to post it the notifications of message.h (kMsgUpdateRequest, kMsgRecordDeleted...).
#pragma once

#include <cstdint>

#include "platform/message.h"

namespace vt {

enum class RecorderWindow { kNone, kRecorder, kRemoteViewer };

// How the recorder learnt of a deletion.
enum class DeleteNotice {
  kRecorderTold,    // the message was posted to the recorder window
  kIndexSaved,      // no recorder: the index was saved
  kRecorderMissed,  // a recorder window exists but did not take the message; the index was saved
  kNotSaved         // no recorder took it and the index could not be saved
};

class IRecorderLink {
 public:
  virtual ~IRecorderLink() = default;
  // Looked up afresh on every call: the recorder first, else the remote viewer.
  virtual RecorderWindow FindRecorder() = 0;
  // Posts to the window FindRecorder found; false when there is none.
  virtual bool Post(uint32_t msg, WPARAM wParam, LPARAM lParam) = 0;
};

}  // namespace vt
