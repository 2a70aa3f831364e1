#include "recorddb/record_list.h"

#include "platform/file_utils.h"

namespace vt {

CRecordList::CRecordList() = default;

// Only a changed index is written back: an unchanged copy may be older than the file the
// recorder has written meanwhile.
CRecordList::~CRecordList() {
  if (m_db.HasUnsavedChanges()) m_db.Save();
}

void CRecordList::SetContext(RecordListContext context) {
  m_ctx = std::move(context);
  m_db.SetProgressTarget(m_ctx.pMainWnd);
  m_db.SetRepaint(m_ctx.repaint);
}

void CRecordList::Busy(bool on) const {
  if (m_ctx.waitCursor) m_ctx.waitCursor(on);
}

bool CRecordList::Pick(std::string* buffer, bool allowNew, const std::string& title) const {
  if (!m_ctx.pickFolder) return false;
  std::string path = *buffer;
  if (!m_ctx.pickFolder(path, allowNew, title) || path.empty()) return false;
  *buffer = path;
  return true;
}

int CRecordList::OpenCamera(const std::string& folder, IRecordTree* tree) {
  std::string target = folder;
  if (target.empty()) {
    if (!Pick(&m_strOpenFolder, false, "")) return 0;
    target = m_strOpenFolder;
  }
  if (!MakeFolderPath(target)) return 0;
  m_strCameraFolder = target;
  m_bLastOpenOk = m_db.Open(target);
  if (m_bLastOpenOk && tree) m_db.FillTree(tree);
  return 1;
}

int CRecordList::Update(IRecordTree* tree) {
  if (tree) m_db.Reload(tree);
  return 1;
}

}  // namespace vt
