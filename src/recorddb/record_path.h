// Where a record's file is now. Indexes written on Windows hold paths such as
// "D:\rec\ch01\2008-05-10\011020301120340.avi", and a camera folder may have been moved or
// copied; the file is then found under the camera folder by its day folder and file name.
#pragma once

#include <string>

namespace vt {

// storedPath when it names an existing file; else cameraFolder/<day>/<name> matched
// case-insensitively, where <day> and <name> are the last two components of storedPath
// (backslashes or slashes); else a folder named <day> found below cameraFolder's year or month
// folders ("2008/2008-05-12", "2008-05/2008-05-12") holding <name>; else storedPath unchanged.
// Nothing is written: the index keeps the stored form.
std::string ResolveRecordPath(const std::string& cameraFolder, const std::string& storedPath);

}  // namespace vt
