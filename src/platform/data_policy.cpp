#include "platform/data_policy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace vt {
namespace {
std::atomic<bool> g_readOnlyData{false};
}  // namespace

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
