// String ids and built-in texts of the record database (progress formats, default camera
// names, backup title). Kept in one place so the shared string table can take them over.
#pragma once

#include <string>

namespace vt {

constexpr int kIdsSaveProgress = 59426;     // "Save record files:  %d%% completed"
constexpr int kIdsRebuildProgress = 59427;  // "Rebuild record database (scanned files: %d )"
constexpr int kIdsBackupProgress = 59428;   // "Back up record database ( %d file saved )"
constexpr int kIdsCameraName = 59429;       // "Camera %02d"
constexpr int kIdsDeleteProgress = 59430;   // "Delete record files (%d file deleted)"
constexpr int kIdsBackupTitle = 59431;      // "Select a folder to back up record database of camera %d."

// Built-in text of one of the ids above ("" for any other id).
std::string RdbBuiltInText(int id);
// The text with one integer argument formatted in (printf rules of the format).
std::string FormatTextInt(const std::string& format, int value);

}  // namespace vt
