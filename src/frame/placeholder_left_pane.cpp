#include "frame/placeholder_left_pane.h"

#include <QComboBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>

#include "app/message_window.h"
#include "platform/local_time.h"

namespace vt {

CPlaceholderLeftPane::CPlaceholderLeftPane(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_pCombo = new QComboBox(this);
  m_pTree = new QTreeWidget(this);
  m_pTree->setHeaderHidden(true);
  m_pTree->setSortingEnabled(true);
  m_pTree->sortByColumn(0, Qt::AscendingOrder);
  layout->addWidget(m_pCombo);
  layout->addWidget(m_pTree, 1);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  connect(m_pCombo, &QComboBox::activated, this, [this](int i) { OnComboActivated(i); });
  connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
}

void CPlaceholderLeftPane::ResetCameras() {
  m_cameras.clear();
  m_pCombo->clear();
}

void CPlaceholderLeftPane::AddCamera(int channelIndex, const std::string& label, const std::string& folder) {
  if (m_cameras.size() >= 16) return;
  m_cameras.push_back({channelIndex, label, folder});
  m_pCombo->addItem(QString::fromLocal8Bit(label.c_str()));
}

void CPlaceholderLeftPane::SelectCamera(int index) {
  m_pCombo->setCurrentIndex(index);
  OnComboActivated(m_pCombo->currentIndex());
}

void CPlaceholderLeftPane::OnComboActivated(int index) {
  if (index < 0 || index >= static_cast<int>(m_cameras.size())) return;
  m_nCurrent = index;
  if (IMessageTarget* main = GetMainWndTarget()) {
    main->Post(kMsgOpenCamera, reinterpret_cast<WPARAM>(m_cameras[static_cast<size_t>(index)].strFolder.c_str()),
               m_cameras[static_cast<size_t>(index)].nChannel);
    main->Post(kMsgVideoSize, 0, 0);
  }
}

bool CPlaceholderLeftPane::HasTreeSelection() const { return m_pTree->currentItem() != nullptr; }

int CPlaceholderLeftPane::GetSelectionTime(time32* t) {
  QTreeWidgetItem* item = m_pTree->currentItem();
  if (!item) return kSelectionNone;
  QTreeWidgetItem* day = item->parent() ? item->parent() : item;
  QTreeWidgetItem* rec = item->parent() ? item : day->child(0);
  if (!rec) return kSelectionNone;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(day->text(0).toLatin1().constData(), "%d-%d-%d", &y, &mo, &d) != 3 ||
      std::sscanf(rec->text(0).toLatin1().constData(), "%d:%d:%d", &h, &mi, &s) != 3)
    return kSelectionNone;
  *t = MakeLocalTime(y, mo, d, h, mi, s);
  return item->parent() ? kSelectionRecord : kSelectionDay;
}

void CPlaceholderLeftPane::DeleteSelectedItem() { delete m_pTree->currentItem(); }

bool CPlaceholderLeftPane::GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const {
  if (index < 0 || index >= static_cast<int>(m_cameras.size())) return false;
  const CameraEntry& e = m_cameras[static_cast<size_t>(index)];
  if (cameraIndex) *cameraIndex = e.nChannel;
  if (label) *label = e.strLabel;
  if (path) *path = e.strFolder;
  return true;
}

bool CPlaceholderLeftPane::GetCurrentCameraPath(std::string* path) const {
  return GetCameraEntry(m_pCombo->currentIndex(), nullptr, nullptr, path);
}

void CPlaceholderLeftPane::Clear() { m_pTree->clear(); }

RecordTreeItem CPlaceholderLeftPane::InsertDay(const std::string& text) {
  auto* item = new QTreeWidgetItem(m_pTree, QStringList(QString::fromLatin1(text.c_str())));
  return reinterpret_cast<RecordTreeItem>(item);
}

RecordTreeItem CPlaceholderLeftPane::InsertRecord(RecordTreeItem day, const std::string& text, int kind) {
  auto* parent = reinterpret_cast<QTreeWidgetItem*>(day);
  if (!parent) return 0;
  auto* item = new QTreeWidgetItem(parent, QStringList(QString::fromLatin1(text.c_str())));
  if (kind != 0) item->setForeground(0, Qt::red);
  return reinterpret_cast<RecordTreeItem>(item);
}

void CPlaceholderLeftPane::OnSelectionChanged() {
  IMessageTarget* main = GetMainWndTarget();
  time32 t = 0;
  int kind = GetSelectionTime(&t);
  if (kind != kSelectionRecord) {
    m_tCurrentRecord = 0;
    if (main) main->Post(kMsgVideoSize, 0, 0);
    return;
  }
  m_tCurrentRecord = t;
}

}  // namespace vt
