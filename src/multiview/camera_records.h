// The recordings of one camera as the grid reads them: its record index (loaded, or rebuilt in
// memory from the folder when missing; never written here), the recordings in start order, and
// each recording's file found through the camera-folder rule.
#pragma once

#include <string>
#include <vector>

#include "multiview/camera_frames.h"
#include "recorddb/record_db.h"
#include "recorddb/record_list.h"

namespace vt {

class CCameraRecords {
 public:
  explicit CCameraRecords(CameraEntry camera);
  CCameraRecords(const CCameraRecords&) = delete;
  CCameraRecords& operator=(const CCameraRecords&) = delete;

  // Reads the index again; false when neither the index nor the folder could be read.
  bool Load();
  const CameraEntry& Camera() const { return m_camera; }
  const std::vector<TimelineSpan>& Sequence() const { return m_seq; }
  // The file of recording index, empty when it is not found inside the camera folder.
  std::string FileOf(int index);
  // Frame time of the recordings opened so far (100 ns), the assumption for the others.
  int64_t FrameTime() const { return m_llFrameTime; }
  void LearnFrameTime(int64_t frameTime) {
    if (frameTime > 0) m_llFrameTime = frameTime;
  }

 private:
  CameraEntry m_camera;
  CRecordDB m_db;
  std::vector<TimelineSpan> m_seq;
  std::vector<const RDB_RECORD*> m_records;  // of m_seq, in m_db's index
  int64_t m_llFrameTime = kAssumedFrameTime;
};

}  // namespace vt
