// Process-wide review mode: while it is on, nothing writes, renames or deletes anything in the
// recorder's data (index files, record files, vantor.ini). Exports into another folder still write.
#pragma once

#include <string>

namespace vt {

void SetReadOnlyData(bool on);
bool IsReadOnlyData();

// Whether folder can be written by this process, found out without creating anything in it
// (access W_OK|X_OK on the folder, or on its nearest existing ancestor when it is missing).
bool IsFolderWritable(const std::string& folder);

// Data that cannot be changed: review mode, or a folder the process may not write. Returns an
// empty text when the folder is writable and review mode is off, else a one-line reason for
// a status bar or message box ("read-only review mode" / "folder is not writable: PATH").
std::string DataWriteBlockedReason(const std::string& folder);

}  // namespace vt
