#include "app/wait_cursor.h"
#include "snapshot/snapshot_dlg.h"
#include "snapshot/snapshot_settings.h"

namespace vt {

int CSnapshotSettings::ShowDialog(const uint8_t* picture, size_t pictureSize, const time32* time,
                                  const std::string& camera) {
  CSnapshotDlg dlg(nullptr);
  dlg.m_pLogFont = &m_lf;
  dlg.m_pColor = &m_crColor;
  dlg.m_time = time ? *time : 0;
  dlg.m_strCamera = camera;
  dlg.SetPicture(picture, pictureSize);
  dlg.m_pFont.reset();
  dlg.m_bCaption = 1;
  dlg.OnInitDialog();
  // The wait since the snapshot was asked for ends as the dialog appears.
  WaitCursor(false);
  const int result = dlg.exec();
  dlg.m_pFont.reset();
  return result == QDialog::Accepted ? IDOK : IDCANCEL;
}

}  // namespace vt
