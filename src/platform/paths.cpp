#include "platform/paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <algorithm>
#include <vector>

namespace vt {
namespace {

bool Exists(const std::string& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

// The entry of folder whose name equals name ignoring ASCII case; empty when none.
std::string FindNoCase(const std::string& folder, const std::string& name) {
  DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return {};
  std::string match;
  while (dirent* e = ::readdir(d)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      match = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return match;
}

}  // namespace

std::string NativePath(const std::string& stored) {
  std::string out = stored;
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string StoredPath(const std::string& native) {
  std::string out = native;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

std::string ResolvePathCase(const std::string& path) {
  if (path.empty() || Exists(path)) return path;
  std::string resolved = path[0] == '/' ? "/" : "";
  size_t pos = 0;
  while (pos < path.size()) {
    size_t slash = path.find('/', pos);
    size_t end = slash == std::string::npos ? path.size() : slash;
    std::string part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    std::string candidate = JoinPath(resolved, part);
    if (part != "." && part != ".." && !Exists(candidate)) {
      std::string match = FindNoCase(resolved, part);
      if (match.empty()) return path;
      candidate = JoinPath(resolved, match);
    }
    resolved = candidate;
  }
  if (path.back() == '/' && resolved.back() != '/') resolved += '/';
  return resolved;
}

std::string AbsolutePath(const std::string& path) {
  std::string in = path;
  if (in.empty() || in[0] != '/') {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return path;
    in = JoinPath(buf, path);
  }
  std::string out;
  size_t pos = 0;
  while (pos < in.size()) {
    size_t slash = in.find('/', pos);
    if (slash == std::string::npos) slash = in.size();
    const std::string part = in.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty() || part == ".") continue;
    out += "/" + part;
  }
  return out.empty() ? "/" : out;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  size_t start = 0;
  while (start < name.size() && name[start] == '/') ++start;
  if (folder.back() == '/') return folder + name.substr(start);
  return folder + "/" + name.substr(start);
}

}  // namespace vt
