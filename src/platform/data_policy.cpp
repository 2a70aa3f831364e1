#include "platform/data_policy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace vt {
namespace {

std::atomic<bool> g_readOnlyData{false};
std::mutex g_mutex;
std::vector<std::string> g_protected;  // canonical paths

// Canonical form of path: realpath of its nearest existing ancestor, then the missing rest
// applied to it ("." dropped, ".." taking the last component off; the missing part holds no
// symbolic links, so that is exact).
std::string Canonical(const std::string& path) {
  std::string head = path.empty() ? "." : path;
  std::vector<std::string> rest;  // missing components, last first
  char buf[PATH_MAX];
  while (!::realpath(head.c_str(), buf)) {
    const size_t slash = head.find_last_of('/');
    if (slash == std::string::npos) {
      rest.push_back(head);
      if (!::realpath(".", buf)) return path;
      break;
    }
    rest.push_back(head.substr(slash + 1));
    head = slash == 0 ? "/" : head.substr(0, slash);
  }
  std::string out = buf;
  for (auto it = rest.rbegin(); it != rest.rend(); ++it) {
    if (it->empty() || *it == ".") continue;
    if (*it == "..") {
      const size_t slash = out.find_last_of('/');
      out = slash == 0 || slash == std::string::npos ? "/" : out.substr(0, slash);
      continue;
    }
    if (out != "/") out.push_back('/');
    out.append(*it);
  }
  return out;
}

}  // namespace

void ProtectDataFolder(const std::string& folder) {
  if (folder.empty()) return;
  const std::string c = Canonical(folder);
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const auto& p : g_protected)
    if (p == c) return;
  g_protected.push_back(c);
}

bool IsInProtectedData(const std::string& path) {
  const std::string c = Canonical(path);
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const auto& p : g_protected) {
    if (c == p) return true;
    if (p == "/" || (c.size() > p.size() && c.compare(0, p.size(), p) == 0 && c[p.size()] == '/')) return true;
  }
  return false;
}

std::string ExportDestinationRefusal(const std::string& folder) {
  // Trees that hold the system; nothing of an export belongs in them.
  static const char* const kSystemTrees[] = {"/bin", "/boot", "/dev",  "/etc",   "/lib", "/lib32",
                                             "/lib64", "/libx32", "/proc", "/sbin", "/sys", "/usr"};
  // Folders that only hold other folders (homes, mount points); their sub-folders are fine.
  static const char* const kSystemFolders[] = {"/home", "/media", "/mnt", "/run", "/var", "/srv", "/opt"};
  const std::string c = Canonical(folder);
  if (c == "/") return "refused: " + folder + " is the root of the file system";
  for (const char* tree : kSystemTrees) {
    const std::string t = tree;
    if (c == t || (c.size() > t.size() && c.compare(0, t.size(), t) == 0 && c[t.size()] == '/'))
      return "refused: " + folder + " is a system folder";
  }
  for (const char* f : kSystemFolders)
    if (c == f) return "refused: " + folder + " is a system folder";
  if (IsWriteRefused(folder)) return "refused: " + folder + " lies inside the data under review";
  return {};
}

bool IsWriteRefused(const std::string& path) { return IsReadOnlyData() && IsInProtectedData(path); }

void SetReadOnlyData(bool on) { g_readOnlyData.store(on); }
bool IsReadOnlyData() { return g_readOnlyData.load(); }

bool IsFolderWritable(const std::string& folder) {
  std::string path = folder;
  while (!path.empty()) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) break;
    path = slash == 0 ? "/" : path.substr(0, slash);
    if (path == "/") return ::access("/", W_OK | X_OK) == 0;
  }
  return ::access(".", W_OK | X_OK) == 0;
}

std::string DataWriteBlockedReason(const std::string& folder) {
  if (IsReadOnlyData()) return "read-only review mode";
  if (!folder.empty() && !IsFolderWritable(folder)) return "folder is not writable: " + folder;
  return {};
}

}  // namespace vt
