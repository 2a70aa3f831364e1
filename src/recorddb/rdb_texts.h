// String ids of the record database (progress formats, default camera names, backup title)
// and the look-up of their built-in texts in the program's string table.
#pragma once

#include <string>

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

}  // namespace vt
