// Paths stored by the recorder family (drive letters, backslashes) and case-insensitive look-up.
#pragma once

#include <string>

namespace vt {

// "D:\rec\ch01" -> "D:/rec/ch01" style native form: backslashes become '/', nothing else changes
// (no lower-casing). Every path read from vantor.ini, recorddb.ini or rdb.ndx goes through here.
std::string NativePath(const std::string& stored);
// The reverse, for values written for the recorder family ("/camera03" -> "\camera03").
std::string StoredPath(const std::string& native);

// path itself when it exists; otherwise the existing path whose components match it
// case-insensitively (first match in directory order); otherwise path unchanged.
std::string ResolvePathCase(const std::string& path);

// path when it is absolute, else the working folder joined with it; "." components and a
// trailing '/' dropped. Links are not resolved (the name the user gave stays).
std::string AbsolutePath(const std::string& path);

// Joins folder and name with exactly one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace vt
