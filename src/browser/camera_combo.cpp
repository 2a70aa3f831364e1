#include "browser/camera_combo.h"

#include <QAbstractItemView>
#include <QPalette>
#include <cstring>

#include "app/message_window.h"
#include "app/ui_text.h"

namespace vt {

CCameraCombo::CCameraCombo(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setMaxVisibleItems(kMaxCameraEntries);
  QPalette pal = palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    for (auto role : {QPalette::Base, QPalette::Window, QPalette::Button})
      pal.setColor(group, role, Qt::black);
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
      pal.setColor(group, role, QColor::fromRgb(kComboTextColour));
  }
  setPalette(pal);
  view()->setPalette(pal);
  connect(this, &QComboBox::activated, this, [this](int) { OnSelChange(); });
}

void CCameraCombo::ResetCameras() {
  m_nCount = 0;
  clear();
}

bool CCameraCombo::AddCamera(int cameraIndex, const std::string& label, const std::string& path) {
  if (m_nCount >= kMaxCameraEntries) return false;
  Entry& e = m_entries[m_nCount++];
  e.nCameraIndex = cameraIndex;
  e.strLabel = label;
  std::strncpy(e.szPath, path.c_str(), sizeof e.szPath - 1);
  e.szPath[sizeof e.szPath - 1] = '\0';
  addItem(UiText(label));
  return true;
}

void CCameraCombo::SelectCamera(int entry) {
  setCurrentIndex(entry >= 0 && entry < count() ? entry : -1);
  m_nCurrent = currentIndex();
  if (m_nCurrent >= 0) PostOpenCamera(m_nCurrent);
}

void CCameraCombo::OnSelChange() {
  const int sel = currentIndex();
  if (sel == m_nCurrent) return;
  m_nCurrent = sel;
  if (IMessageTarget* main = GetMainWndTarget()) main->Post(kMsgVideoSize, 0, 0);
  if (sel >= 0) PostOpenCamera(sel);
}

void CCameraCombo::PostOpenCamera(int entry) {
  if (entry < 0 || entry >= m_nCount) return;
  if (IMessageTarget* main = GetMainWndTarget())
    main->Post(kMsgOpenCamera, reinterpret_cast<WPARAM>(m_entries[entry].szPath), m_entries[entry].nCameraIndex);
}

int CCameraCombo::GetEntry(int entry, int* cameraIndex, std::string* label, std::string* path) const {
  if (entry < 0 || entry >= m_nCount) return 0;
  const Entry& e = m_entries[entry];
  if (cameraIndex) *cameraIndex = e.nCameraIndex;
  if (label) *label = e.strLabel;
  if (path) *path = e.szPath;
  return 1;
}

int CCameraCombo::GetCurrent(int* cameraIndex, std::string* label, std::string* path) const {
  if (m_nCurrent == -1) return 0;
  return GetEntry(m_nCurrent, cameraIndex, label, path);
}

}  // namespace vt
