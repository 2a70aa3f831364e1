// The main window's part in evidence export: File > Export Clip... on the current camera, with
// the span of the tree's selection proposed.
#include <QDir>
#include <QStandardPaths>

#include "export/ui/export_clip_dlg.h"
#include "frame/main_frame.h"

namespace vt {

void CMainFrame::OnExportCommand(uint32_t id) {
  CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
  if (id != ID_EXPORT_CLIP || !list) return;
  ExportClipSetup setup;
  // A database opened with Open Record DB is its own data folder.
  setup.dataFolder = m_bMainDb ? m_ctx.strDataFolder : list->m_strOpenFolder;
  setup.camera = {m_nCurrentCamera + 1, "", list->GetCameraFolder()};
  for (int i = 0; i < GetCameraCount(); ++i) {
    int channelIndex = -1;
    std::string label, path;
    if (GetCameraEntry(i, &channelIndex, &label, &path) && channelIndex == m_nCurrentCamera) setup.camera.label = label;
  }
  setup.db = &list->GetDB();
  time32 t = 0;
  const int kind = m_pLeftPane->GetSelectionTime(&t);
  setup.span = DefaultExportSpan(list->GetDB(), kind == kSelectionNone ? 0 : t, kind == kSelectionDay);
  QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  setup.folder = (movies.isEmpty() || !QDir(movies).exists() ? QDir::homePath() : movies).toStdString();
  CExportClipDlg dlg(std::move(setup), this);
  dlg.exec();
}

}  // namespace vt
