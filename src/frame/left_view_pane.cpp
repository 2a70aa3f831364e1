#include "frame/left_view_pane.h"

namespace vt {

static_assert(kSelectionNone == kSelNone && kSelectionRecord == kSelRecord && kSelectionDay == kSelDay);

CLeftViewPane::CLeftViewPane(bool remoteViewer, QWidget* parent) : m_pView(new CLeftView(remoteViewer, parent)) {}

int CLeftViewPane::GetSelectionTime(time32* t) {
  return m_pView->GetTree()->GetRecordTimeOfSelection(t, nullptr);
}

void CLeftViewPane::DeleteSelectedItem() {
  CRecordTree* tree = m_pView->GetTree();
  QModelIndex item = tree->currentIndex();
  if (item.isValid()) tree->DeleteItem(item);
}

std::vector<CameraEntry> CLeftViewPane::GetCameras() const {
  std::vector<CameraEntry> out;
  const CCameraCombo* combo = m_pView->GetCombo();
  for (int i = 0; i < combo->GetCount(); ++i) {
    CameraEntry e;
    if (combo->GetEntry(i, &e.nChannel, &e.strLabel, &e.strFolder)) out.push_back(e);
  }
  return out;
}

}  // namespace vt
