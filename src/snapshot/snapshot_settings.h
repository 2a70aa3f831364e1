// Caption font and colour of snapshots, kept in section "Snap" of the recorder's configuration.
// One object per Player window: loaded when the Player learns its paths, saved when it closes;
// the Snapshot dialog edits it in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt {

constexpr const char* kSnapSection = "Snap";
constexpr int32_t kDefaultCaptionHeight = 16;
constexpr const char* kDefaultCaptionFace = "Times New Roman";

class CSnapshotSettings {
 public:
  CSnapshotSettings();  // the defaults of a file without section "Snap"

  // Reads every key, each with its default. programFolder is not used.
  void Load(const std::string& iniPath, const std::string& programFolder);
  // Writes every key, one after the other in the fixed order. False when a write failed.
  bool Save(const std::string& iniPath) const;

  // Shows the modal Snapshot dialog on a packed 24-bit bottom-up picture (pictureSize bytes, header
  // first) taken at *time. The caller keeps the picture. Returns the dialog's result. Defined by
  // the UI library (vt_snapshot_ui). camera: the camera's label, for the name Save proposes.
  int ShowDialog(const uint8_t* picture, size_t pictureSize, const time32* time, const std::string& camera = {});

  LOGFONT m_lf;
  COLORREF m_crColor;
};

}  // namespace vt
