// Process-wide review mode: while it is on, nothing writes, renames or deletes anything in the
// recorder's data (index files, record files, vantor.ini). Exports into another folder still write.
#pragma once

#include <string>

namespace vt {

void SetReadOnlyData(bool on);
bool IsReadOnlyData();

// Folders that hold the data under review (the data folder, each opened camera folder). In
// review mode an export whose destination lies inside one of them is refused.
void ProtectDataFolder(const std::string& folder);
// True when path (existing or not) is one of the protected folders or lies below one; symbolic
// links and "." / ".." are resolved through the nearest existing ancestor.
bool IsInProtectedData(const std::string& path);
// Review mode is on and path lies in the protected data: writing there is refused.
bool IsWriteRefused(const std::string& path);

// Why folder cannot take an export: the file-system root, a system folder (/etc, /usr, /proc,
// ... and what lies below them; /home, /media, /mnt, /run, /var themselves), or in review mode
// a folder inside the data. Links are resolved first. Empty when it can.
std::string ExportDestinationRefusal(const std::string& folder);

// Whether folder can be written by this process, found out without creating anything in it
// (access W_OK|X_OK on the folder, or on its nearest existing ancestor when it is missing).
bool IsFolderWritable(const std::string& folder);

// Data that cannot be changed: review mode, or a folder the process may not write. Returns an
// empty text when the folder is writable and review mode is off, else a one-line reason for
// a status bar or message box ("read-only review mode" / "folder is not writable: PATH").
std::string DataWriteBlockedReason(const std::string& folder);

}  // namespace vt
