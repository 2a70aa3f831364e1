#include "recorddb/record_path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

#include "platform/paths.h"

namespace vt {
namespace {

// Nesting below the camera folder that the search for a moved day folder goes into.
constexpr int kMaxDayFolderDepth = 4;

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDir(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> SubFolders(const std::string& folder) {
  std::vector<std::string> out;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return out;
  while (dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (e->d_type == DT_DIR || (e->d_type == DT_UNKNOWN && IsDir(JoinPath(folder, name)))) out.push_back(name);
  }
  ::closedir(dir);
  return out;
}

// name inside folder, exact or case-insensitive; empty when absent.
std::string FileIn(const std::string& folder, const std::string& name) {
  const std::string exact = JoinPath(folder, name);
  if (IsRegularFile(exact)) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (dirent* e = ::readdir(dir)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0 && IsRegularFile(JoinPath(folder, e->d_name))) {
      found = JoinPath(folder, e->d_name);
      break;
    }
  }
  ::closedir(dir);
  return found;
}

std::string Digits(const std::string& s) {
  std::string d;
  for (char c : s)
    if (c >= '0' && c <= '9') d.push_back(c);
  return d;
}

// A folder called day (any case) at any depth below folder that holds name. Only folders that
// can hold that day are entered: their digits begin the day's digits ("2008", "2008-05" for
// "2008-05-12"), so a missing file costs a few listings, not a walk over every day folder.
// seen: the digits of the folders entered so far.
std::string SearchDay(const std::string& folder, const std::string& day, const std::string& name,
                      const std::string& seen, int depth) {
  if (depth > kMaxDayFolderDepth) return {};
  const std::string dayDigits = Digits(day);
  for (const std::string& sub : SubFolders(folder)) {
    const std::string path = JoinPath(folder, sub);
    if (::strcasecmp(sub.c_str(), day.c_str()) == 0) {
      std::string hit = FileIn(path, name);
      if (!hit.empty()) return hit;
    }
    const std::string digits = seen + Digits(sub);
    if (sub[0] >= '0' && sub[0] <= '9' && digits.size() < dayDigits.size() &&
        dayDigits.compare(0, digits.size(), digits) == 0) {
      std::string hit = SearchDay(path, day, name, digits, depth + 1);
      if (!hit.empty()) return hit;
    }
  }
  return {};
}

}  // namespace

std::string ResolveRecordPath(const std::string& cameraFolder, const std::string& storedPath) {
  if (storedPath.empty() || IsRegularFile(storedPath)) return storedPath;
  if (cameraFolder.empty()) return storedPath;
  std::string native = NativePath(storedPath);
  while (!native.empty() && native.back() == '/') native.pop_back();
  const size_t nameAt = native.find_last_of('/');
  if (nameAt == std::string::npos || nameAt == 0) return storedPath;
  const std::string name = native.substr(nameAt + 1);
  const size_t dayAt = native.find_last_of('/', nameAt - 1);
  const std::string day = native.substr(dayAt == std::string::npos ? 0 : dayAt + 1,
                                        nameAt - (dayAt == std::string::npos ? 0 : dayAt + 1));
  if (name.empty() || day.empty() || day.find(':') != std::string::npos) return storedPath;
  // The day folder directly under the camera folder (the recorder's layout), any case.
  for (const std::string& sub : SubFolders(cameraFolder)) {
    if (::strcasecmp(sub.c_str(), day.c_str()) != 0) continue;
    std::string hit = FileIn(JoinPath(cameraFolder, sub), name);
    if (!hit.empty()) return hit;
  }
  std::string hit = SearchDay(cameraFolder, day, name, "", 0);
  return hit.empty() ? storedPath : hit;
}

}  // namespace vt
