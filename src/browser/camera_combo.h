// Camera selector of the left pane: up to 16 cameras, labels in the order added.
#pragma once

#include <QComboBox>
#include <string>

#include "recorddb/camera_config.h"

namespace vt {

constexpr int kMaxCameraEntries = 16;
constexpr QRgb kComboTextColour = 0xFF00FFFF;  // cyan on black

class CCameraCombo : public QComboBox {
  Q_OBJECT
 public:
  explicit CCameraCombo(QWidget* parent = nullptr);

  void ResetCameras();
  // False when all 16 entries are in use.
  bool AddCamera(int cameraIndex, const std::string& label, const std::string& path);
  // Selects an entry and reports it to the main window (open-camera message); nothing is
  // posted when the selection is no entry.
  void SelectCamera(int entry);

  int GetCount() const { return m_nCount; }
  int GetEntry(int entry, int* cameraIndex, std::string* label, std::string* path) const;
  int GetCurrent(int* cameraIndex, std::string* label, std::string* path) const;
  // Entry index last reported to the main window; -1 before the first.
  int GetCurrentEntry() const { return m_nCurrent; }

  // A choice by the user: reported unless it is the entry already shown.
  void OnSelChange();

 private:
  void PostOpenCamera(int entry);

  struct Entry {
    int nCameraIndex = 0;
    std::string strLabel;
    // Fixed storage: the open-camera message carries a pointer to it, and it stays valid for
    // the selector's lifetime even after the entry is reset or replaced.
    char szPath[4096] = {};
  };
  int m_nCount = 0;
  int m_nCurrent = -1;
  Entry m_entries[kMaxCameraEntries];
};

}  // namespace vt
