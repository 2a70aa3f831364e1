// A plain left pane (camera list and a tree of days and records, no pictures) used when no
// record browser is supplied, so the main window and its commands work on their own.
#pragma once

#include <QWidget>
#include <vector>

#include "frame/left_pane_iface.h"

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace vt {

class CPlaceholderLeftPane : public QWidget, public ILeftPane, public IRecordTree, public ICameraQuery {
 public:
  explicit CPlaceholderLeftPane(QWidget* parent);

  // ICameraList
  void ResetCameras() override;
  void AddCamera(int channelIndex, const std::string& label, const std::string& folder) override;
  void SelectCamera(int index) override;
  // ILeftPane
  QWidget* Widget() override { return this; }
  CRecordList* GetRecordList() override { return &m_list; }
  IRecordTree* GetTree() override { return this; }
  ICameraQuery* GetCameraQuery() override { return this; }
  bool HasTreeSelection() const override;
  int GetSelectionTime(time32* t) override;
  void DeleteSelectedItem() override;
  int GetCameraCount() const override { return static_cast<int>(m_cameras.size()); }
  bool GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const override;
  bool GetCurrentCameraPath(std::string* path) const override;
  // IRecordTree
  void Clear() override;
  RecordTreeItem InsertDay(const std::string& text) override;
  RecordTreeItem InsertRecord(RecordTreeItem day, const std::string& text, int kind) override;
  // ICameraQuery
  std::vector<CameraEntry> GetCameras() const override { return m_cameras; }
  int GetCurrentCamera() const override { return m_nCurrent; }

  QTreeWidget* GetTreeWidget() const { return m_pTree; }

 private:
  void OnComboActivated(int index);
  void OnSelectionChanged();

  QComboBox* m_pCombo = nullptr;
  QTreeWidget* m_pTree = nullptr;
  std::vector<CameraEntry> m_cameras;
  int m_nCurrent = -1;
  time32 m_tCurrentRecord = 0;
  CRecordList m_list;
};

}  // namespace vt
