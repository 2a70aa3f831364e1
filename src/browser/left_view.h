// Left pane of the main window: the camera selector on top, the record tree below it. With the
// remote viewer installed there is a single camera: the selector is hidden and the tree fills
// the pane.
#pragma once

#include <QRect>
#include <QWidget>

#include "browser/camera_combo.h"
#include "browser/record_tree.h"
#include "recorddb/camera_config.h"

namespace vt {

constexpr int kTreeGap = 4;  // pixels between the selector and the tree

struct LeftPaneLayout {
  bool bComboVisible = true;
  QRect rcCombo;
  QRect rcTree;
};
// Layout of a pane cx x cy whose selector is comboHeight high.
LeftPaneLayout ComputeLeftPaneLayout(bool remoteViewer, int cx, int cy, int comboHeight);

class CLeftView : public QWidget, public ICameraList {
  Q_OBJECT
 public:
  explicit CLeftView(bool remoteViewer, QWidget* parent = nullptr);

  // ICameraList (camera-list loading).
  void ResetCameras() override { m_pCombo->ResetCameras(); }
  void AddCamera(int cameraIndex, const std::string& label, const std::string& path) override {
    m_pCombo->AddCamera(cameraIndex, label, path);
  }
  void SelectCamera(int entry) override { m_pCombo->SelectCamera(entry); }

  CCameraCombo* GetCombo() { return m_pCombo; }
  CRecordTree* GetTree() { return m_pTree; }
  CRecordList& GetRecordList() { return m_pTree->GetRecordList(); }

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void Relayout();

  bool m_bRemoteViewer;
  CCameraCombo* m_pCombo;
  CRecordTree* m_pTree;
};

}  // namespace vt
