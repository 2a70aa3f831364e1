// The left pane (camera selector and record tree) as the main window and its commands use it.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "recorddb/camera_config.h"
#include "recorddb/record_list.h"

class QWidget;

namespace vt {

// Kinds of the tree selection.
inline constexpr int kSelectionNone = 0;
inline constexpr int kSelectionRecord = 1;
inline constexpr int kSelectionDay = 2;

class ILeftPane : public ICameraList {
 public:
  virtual QWidget* Widget() = 0;
  virtual CRecordList* GetRecordList() = 0;
  virtual IRecordTree* GetTree() = 0;
  virtual ICameraQuery* GetCameraQuery() = 0;
  // Where the tree posts the open-record message.
  virtual void SetPlayerTarget(IMessageTarget* player) = 0;
  virtual bool HasTreeSelection() const = 0;
  // Record time of the selection: kSelectionRecord with its start time, kSelectionDay with the
  // start time of the day's first record, or kSelectionNone.
  virtual int GetSelectionTime(time32* t) = 0;
  virtual void DeleteSelectedItem() = 0;
  virtual int GetCameraCount() const = 0;
  virtual bool GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const = 0;
  virtual bool GetCurrentCameraPath(std::string* path) const = 0;
};

}  // namespace vt
