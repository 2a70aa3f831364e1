// String ids of the record database (progress formats, default camera names, backup title)
// and the look-up of their built-in texts in the program's string table.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "res/strings.h"

namespace vt {

constexpr int kIdsSaveProgress = static_cast<int>(res::kIdsSaveProgress);
constexpr int kIdsRebuildProgress = static_cast<int>(res::kIdsRebuildProgress);
constexpr int kIdsBackupProgress = static_cast<int>(res::kIdsBackupProgress);
constexpr int kIdsCameraName = static_cast<int>(res::kIdsCameraName);
constexpr int kIdsDeleteProgress = static_cast<int>(res::kIdsDeleteProgress);
constexpr int kIdsBackupTitle = static_cast<int>(res::kIdsBackupTitle);

// Built-in text of a string id ("" when the table has none).
std::string RdbBuiltInText(int id);
// The text with one integer argument formatted in (printf rules of the format).
std::string FormatTextInt(const std::string& format, int value);

// Questions before a deletion, naming what goes: the record of camera label starting at t, or
// (day) every record of camera label on t's day; and Delete All's question text with the camera
// on a line of its own.
std::string DeleteRecordQuestion(const std::string& cameraLabel, time32 t, bool day);
std::string DeleteAllQuestion(const std::string& question, const std::string& cameraLabel);

}  // namespace vt
