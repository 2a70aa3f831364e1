// The record browser's left view as the main window's left pane.
#pragma once

#include "browser/left_view.h"
#include "frame/left_pane_iface.h"

namespace vt {

class CLeftViewPane : public ILeftPane, public ICameraQuery {
 public:
  // The view is a child of parent and deleted with it.
  CLeftViewPane(bool remoteViewer, QWidget* parent);

  CLeftView* GetView() const { return m_pView; }

  void ResetCameras() override { m_pView->ResetCameras(); }
  void AddCamera(int channelIndex, const std::string& label, const std::string& folder) override {
    m_pView->AddCamera(channelIndex, label, folder);
  }
  void SelectCamera(int index) override { m_pView->SelectCamera(index); }

  QWidget* Widget() override { return m_pView; }
  CRecordList* GetRecordList() override { return &m_pView->GetRecordList(); }
  IRecordTree* GetTree() override { return m_pView->GetTree()->GetTreeItems(); }
  ICameraQuery* GetCameraQuery() override { return this; }
  void SetPlayerTarget(IMessageTarget* player) override { m_pView->GetTree()->SetPlayerTarget(player); }
  bool HasTreeSelection() const override { return m_pView->GetTree()->HasSelectedItem(); }
  int GetSelectionTime(time32* t) override;
  void DeleteSelectedItem() override;
  int GetCameraCount() const override { return m_pView->GetCombo()->GetCount(); }
  bool GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const override {
    return m_pView->GetCombo()->GetEntry(index, cameraIndex, label, path) != 0;
  }
  bool GetCurrentCameraPath(std::string* path) const override {
    return m_pView->GetCombo()->GetCurrent(nullptr, nullptr, path) != 0;
  }

  bool FollowRecord(time32 tStart) override { return m_pView->GetTree()->FollowRecord(tStart); }
  void SetTreeObserver(std::function<void(bool itemsChanged)> observer) override;
  void SetNewestDaysFirst(bool on) override { m_pView->GetTree()->SetNewestFirst(on); }

  std::vector<CameraEntry> GetCameras() const override;
  int GetCurrentCamera() const override { return m_pView->GetCombo()->GetCurrentEntry(); }

 private:
  CLeftView* m_pView;
  std::function<void(bool)> m_observer;
};

}  // namespace vt
