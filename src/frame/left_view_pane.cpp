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

void CLeftViewPane::SetTreeObserver(std::function<void(bool itemsChanged)> observer) {
  const bool first = !m_observer;
  m_observer = std::move(observer);
  if (!first) return;
  CRecordTree* tree = m_pView->GetTree();
  auto items = [this] {
    if (m_observer) m_observer(true);
  };
  QObject::connect(tree->GetModel(), &QAbstractItemModel::modelReset, tree, items);
  QObject::connect(tree->GetModel(), &QAbstractItemModel::rowsRemoved, tree, items);
  QObject::connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, tree, [this] {
    if (m_observer) m_observer(false);
  });
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
