// Stand-ins for the desktop's opener, as shell scripts in a folder of their own: one that finds
// no viewer, one that hands the file on and ends, one that runs the viewer in the foreground.
#pragma once

#include <sys/stat.h>

#include <fstream>
#include <string>

namespace vt::test {

// Writes an executable script `name` into dir that runs body; "$1" is the file to open, and
// every call appends it to dir/opened.
inline std::string WriteOpenerScript(const std::string& dir, const std::string& name, const std::string& body) {
  const std::string path = dir + "/" + name;
  std::ofstream(path) << "#!/bin/sh\necho \"$1\" >> '" << dir << "/opened'\n" << body << "\n";
  ::chmod(path.c_str(), 0755);
  return path;
}

inline constexpr const char* kNoViewerBody = "echo 'xdg-open: no method available for opening' >&2\nexit 3";
inline constexpr const char* kHandedOnBody = "exit 0";
// A viewer in the foreground: writes its pid and waits.
inline constexpr const char* kForegroundBody = "echo $$ > \"$(dirname \"$0\")/viewer.pid\"\nexec sleep 30";

}  // namespace vt::test
