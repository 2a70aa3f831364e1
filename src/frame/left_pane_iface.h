// The left pane (camera selector and record tree) as the main window and its commands use it.
#pragma once

#include <functional>
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

  // Selects the item of the record that starts at tStart without opening it (the caller opens
  // it) and takes it as the record handed to the Player. False when the tree does not list it.
  virtual bool FollowRecord(time32 tStart) {
    (void)tStart;
    return false;
  }
  // Newest days at the top of the tree.
  virtual void SetNewestDaysFirst(bool on) { (void)on; }
  // Told after the tree's items (true) or its selection (false) changed.
  virtual void SetTreeObserver(std::function<void(bool itemsChanged)> observer) { (void)observer; }
};

}  // namespace vt
