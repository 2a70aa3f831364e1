// The record tree of the left pane: the open camera's days and records. Selecting a record
// plays it in the Player window; selecting a day, or the same record time again, closes it.
#pragma once

#include <QTreeView>
#include <string>

#include "platform/message.h"
#include "recorddb/record_list.h"
#include "browser/record_tree_model.h"

namespace vt {

constexpr QRgb kTreeTextColour = 0xFF00FFFF;  // cyan, COLORREF 0x00FFFF00
constexpr QRgb kTreeBackColour = 0xFF000000;
constexpr QRgb kTreeLineColour = 0xFF808080;

// What the record time of the selection found.
enum RecordTimeKind { kSelNone = 0, kSelRecord = 1, kSelDay = 2 };

class CRecordTree : public QTreeView {
  Q_OBJECT
 public:
  explicit CRecordTree(QWidget* parent = nullptr);
  ~CRecordTree() override;

  CRecordList& GetRecordList() { return m_recordList; }
  // FillTree and the record list operations write the items through this.
  IRecordTree* GetTreeItems() { return m_pModel; }
  CRecordTreeModel* GetModel() { return m_pModel; }
  // Receiver of the open-record message (the Player window); null: not sent.
  void SetPlayerTarget(IMessageTarget* player) { m_pPlayer = player; }

  // Start time of the record last handed to the Player; 0 = none.
  time32 GetCurrentRecordTime() const { return m_tCurrentRecord; }

  // kSelRecord with the selected record's start time, kSelDay with the time of a selected
  // day's first record, kSelNone when nothing usable is selected. item may be null.
  int GetRecordTimeOfSelection(time32* t, QModelIndex* item);
  bool HasSelectedItem();
  // Removes an item (and a day's records); the selection moves on as the tree control moves
  // it: to the next sibling, else the parent, else the previous sibling.
  void DeleteItem(const QModelIndex& item);
  // Shows the items written since the last fill at once (otherwise they appear when control
  // returns to the event loop).
  void Flush() { m_pModel->Flush(); }
  // The item whose texts are these (day, and time or empty for the day itself); invalid if none.
  QModelIndex FindItem(const std::string& dayText, const std::string& timeText = std::string());
  // Selects the item of the record starting at tStart without opening it (the caller has
  // opened it) and takes that record as the one handed to the Player. False when not listed.
  bool FollowRecord(time32 tStart);
  // Newest days first (or oldest first again); the selected item and the opened days stay, and
  // nothing is opened or closed by the reordering.
  void SetNewestFirst(bool on);

 protected:
  // The tree control's selection-changed notification: the current item alone (which the view
  // also moves on focus without selecting) does not count.
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  // Dotted lines between items, also at the root, and boxed +/- buttons.
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

 private:
  void OnSelChanged(const QModelIndex& item);
  void PostToMain(uint32_t msg, WPARAM wParam, LPARAM lParam);

  CRecordTreeModel* m_pModel = nullptr;
  time32 m_tCurrentRecord = 0;
  bool m_bFollowing = false;  // a selection made by FollowRecord opens nothing
  IMessageTarget* m_pPlayer = nullptr;
  CRecordList m_recordList;
};

}  // namespace vt
