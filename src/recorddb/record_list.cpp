#include "recorddb/record_list.h"

#include <sys/stat.h>

#include "platform/data_policy.h"
#include "platform/file_utils.h"

namespace vt {

namespace {
bool IsExistingFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

CRecordList::CRecordList() = default;

// Only a changed index is written back: an unchanged copy may be older than the file the
// recorder has written meanwhile.
CRecordList::~CRecordList() {
  EndChange();
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
  EndChange();
  std::string target = folder;
  if (target.empty()) {
    if (!Pick(&m_strOpenFolder, false, "")) return 0;
    target = m_strOpenFolder;
  }
  // A folder of a Windows recorder's configuration ("D:\rec\ch01") must not become folders
  // below the working folder: the camera shows empty, with the reason.
  if (const std::string problem = StorageFolderProblem(target); !problem.empty()) {
    m_strWriteBlocked = problem;
    m_strCameraFolder.clear();
    m_db.SetFolder("");
    m_db.NewEmpty();
    if (tree) m_db.FillTree(tree);
    m_bLastOpenOk = false;
    return 0;
  }
  // Review mode and folders this process may not write are opened as they are: no test file,
  // no folder made; the reason is kept for the window to show.
  std::string blocked = DataWriteBlockedReason(target);
  if (blocked.empty()) {
    if (!MakeFolderPath(target)) return 0;
  } else if (!IsExistingFolder(target)) {
    return 0;
  }
  ProtectDataFolder(target);
  m_strWriteBlocked = std::move(blocked);
  m_strCameraFolder = target;
  m_bLastOpenOk = m_db.Open(target);
  if (m_bLastOpenOk && tree) m_db.FillTree(tree);
  return 1;
}

std::string CRecordList::ResolvePath(const RDB_RECORD& record) const { return m_db.ResolvePath(record); }

int CRecordList::Update(IRecordTree* tree) {
  EndChange();
  if (tree) m_db.Reload(tree);
  return 1;
}

}  // namespace vt
