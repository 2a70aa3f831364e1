#include "multiview/camera_records.h"

namespace vt {

CCameraRecords::CCameraRecords(CameraEntry camera) : m_camera(std::move(camera)) {}

bool CCameraRecords::Load() {
  m_db.SetFolder(m_camera.strFolder);
  // Reload never saves: a rebuilt index stays in memory.
  const bool ok = m_db.Reload(nullptr);
  const RdbIndex* index = m_db.GetIndex();
  m_records.clear();
  m_seq = ok && index ? CollectSpans(*index, &m_records) : std::vector<TimelineSpan>();
  return ok;
}

std::string CCameraRecords::FileOf(int index) {
  if (index < 0 || index >= static_cast<int>(m_records.size())) return {};
  return m_db.ResolvePath(*m_records[static_cast<size_t>(index)]);
}

}  // namespace vt
