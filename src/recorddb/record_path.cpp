#include "recorddb/record_path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform/paths.h"

namespace vt {
namespace {

// Nesting below the camera folder that the search for a moved day folder goes into.
constexpr int kMaxDayFolderDepth = 4;

std::string RealPath(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Digits(const std::string& s) {
  std::string d;
  for (char c : s)
    if (c >= '0' && c <= '9') d.push_back(c);
  return d;
}

// Entries of folder; folders only (not links to them) when foldersOnly.
std::vector<std::string> ListFolder(const std::string& folder, bool foldersOnly) {
  std::vector<std::string> out;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return out;
  while (dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (foldersOnly) {
      bool isDir = e->d_type == DT_DIR;
      if (e->d_type == DT_UNKNOWN) {
        struct stat st {};
        isDir = ::lstat(JoinPath(folder, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      }
      if (!isDir) continue;
    }
    out.push_back(name);
  }
  ::closedir(dir);
  // Directory order differs between copies of a folder; sorted, the first match is always the same.
  std::sort(out.begin(), out.end());
  return out;
}

// Sub-folder listings shared by every finder in the process. A camera folder of ten years holds
// some 3 650 day folders; listing them costs far more than the look-up that needs them (a day
// moved away), and a fresh finder is made for each delete. An entry is used while the folder's
// identity, link count, size and change times are as they were listed. A change made within the
// file system's timestamp granularity of the listing could leave those times as they were, so
// only a folder left unchanged for kSettled before its listing is kept.
class CSubFolderListings {
 public:
  std::shared_ptr<const std::vector<std::string>> Get(const std::string& folder) {
    struct stat before {};
    if (::stat(folder.c_str(), &before) != 0) return std::make_shared<const std::vector<std::string>>();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto it = m_entries.find(folder);
      if (it != m_entries.end() && Same(it->second.st, before)) return it->second.names;
    }
    auto names = std::make_shared<const std::vector<std::string>>(ListFolder(folder, true));
    struct stat after {};
    if (::stat(folder.c_str(), &after) == 0 && Same(before, after) && Settled(after)) {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_entries.size() >= kMaxEntries) m_entries.clear();
      m_entries[folder] = {after, names};
    }
    return names;
  }

 private:
  static constexpr size_t kMaxEntries = 64;
  static constexpr std::chrono::milliseconds kSettled{100};
  struct Entry {
    struct stat st;
    std::shared_ptr<const std::vector<std::string>> names;
  };
  static int64_t Ns(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }
  static bool Same(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_nlink == b.st_nlink && a.st_size == b.st_size &&
           Ns(a.st_mtim) == Ns(b.st_mtim) && Ns(a.st_ctim) == Ns(b.st_ctim);
  }
  static bool Settled(const struct stat& st) {
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
    return now - std::max(Ns(st.st_mtim), Ns(st.st_ctim)) >=
           std::chrono::duration_cast<std::chrono::nanoseconds>(kSettled).count();
  }

  std::mutex m_mutex;
  std::unordered_map<std::string, Entry> m_entries;
};

CSubFolderListings& SharedListings() {
  static CSubFolderListings listings;
  return listings;
}

}  // namespace

CRecordFileFinder::CRecordFileFinder(const std::string& cameraFolder) : m_strCameraFolder(cameraFolder) {}

void CRecordFileFinder::SetCameraFolder(const std::string& cameraFolder) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strCameraFolder = cameraFolder;
  m_strCanonical.clear();
  m_bResolved = false;
  m_parents.clear();
  m_dayFolders.clear();
  m_subFolders.clear();
  m_fileNames.clear();
}

void CRecordFileFinder::Forget() { SetCameraFolder(std::string(m_strCameraFolder)); }

std::string CRecordFileFinder::CanonicalCameraFolder() {
  if (!m_bResolved) {
    m_strCanonical = m_strCameraFolder.empty() ? std::string() : RealPath(m_strCameraFolder);
    m_bResolved = true;
  }
  return m_strCanonical;
}

bool CRecordFileFinder::IsInside(const std::string& canonical) const {
  const std::string& cam = m_strCanonical;
  if (cam.empty() || canonical.empty()) return false;
  if (canonical == cam) return true;
  if (cam == "/") return canonical[0] == '/';
  return canonical.size() > cam.size() && canonical.compare(0, cam.size(), cam) == 0 && canonical[cam.size()] == '/';
}

std::string CRecordFileFinder::RegularInside(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  if (S_ISREG(st.st_mode)) return path;
  if (!S_ISLNK(st.st_mode)) return {};  // folders, FIFOs, sockets, devices
  const std::string target = RealPath(path);
  if (!IsInside(target) || ::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return target;
}

std::string CRecordFileFinder::InsideCamera(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return {};
  auto it = m_parents.find(parent);
  if (it == m_parents.end()) {
    std::string canonical = RealPath(parent);
    if (!IsInside(canonical)) canonical.clear();
    it = m_parents.emplace(parent, std::move(canonical)).first;
  }
  if (it->second.empty()) return {};
  return RegularInside(JoinPath(it->second, name));
}

const std::vector<std::string>& CRecordFileFinder::SubFolders(const std::string& folder) {
  auto it = m_subFolders.find(folder);
  if (it == m_subFolders.end()) it = m_subFolders.emplace(folder, SharedListings().Get(folder)).first;
  return *it->second;
}

std::string CRecordFileFinder::FileIn(const std::string& folder, const std::string& name) {
  std::string hit = RegularInside(JoinPath(folder, name));
  if (!hit.empty()) return hit;
  auto it = m_fileNames.find(folder);
  if (it == m_fileNames.end()) it = m_fileNames.emplace(folder, ListFolder(folder, false)).first;
  for (const std::string& entry : it->second) {
    if (entry == name || ::strcasecmp(entry.c_str(), name.c_str()) != 0) continue;
    hit = RegularInside(JoinPath(folder, entry));
    if (!hit.empty()) return hit;
  }
  return {};
}

// Folders called day (any case) below year or month folders of folder. Only folders that can
// hold that day are entered: their digits begin the day's digits ("2008", "2008-05" for
// "2008-05-12"), so this costs a few listings, not a walk over every day folder.
// seen: the digits of the folders entered so far.
void CRecordFileFinder::SearchDay(const std::string& folder, const std::string& day, const std::string& seen,
                                  int depth, std::vector<std::string>* out) {
  if (depth > kMaxDayFolderDepth) return;
  const std::string dayDigits = Digits(day);
  // The cache is node-based: the recursion below adds entries without moving this one.
  const std::vector<std::string>& subs = SubFolders(folder);
  for (const std::string& sub : subs) {
    const std::string path = JoinPath(folder, sub);
    if (depth > 0 && ::strcasecmp(sub.c_str(), day.c_str()) == 0) out->push_back(path);
    const std::string digits = seen + Digits(sub);
    if (sub[0] >= '0' && sub[0] <= '9' && digits.size() < dayDigits.size() &&
        dayDigits.compare(0, digits.size(), digits) == 0)
      SearchDay(path, day, digits, depth + 1, out);
  }
}

const std::vector<std::string>& CRecordFileFinder::DayFolders(const std::string& day) {
  const std::string key = Lower(day);
  auto it = m_dayFolders.find(key);
  if (it != m_dayFolders.end()) return it->second;
  std::vector<std::string> folders;
  // The recorder's layout first: the day folder directly under the camera folder.
  for (const std::string& sub : SubFolders(m_strCanonical))
    if (::strcasecmp(sub.c_str(), day.c_str()) == 0) folders.push_back(JoinPath(m_strCanonical, sub));
  SearchDay(m_strCanonical, day, "", 0, &folders);
  return m_dayFolders.emplace(key, std::move(folders)).first->second;
}

std::string CRecordFileFinder::FindByDayAndName(const std::string& day, const std::string& name) {
  for (const std::string& folder : DayFolders(day)) {
    std::string hit = FileIn(folder, name);
    if (!hit.empty()) return hit;
  }
  return {};
}

std::string CRecordFileFinder::Find(const std::string& storedPath) {
  if (storedPath.empty()) return {};
  std::lock_guard<std::mutex> lock(m_mutex);
  if (CanonicalCameraFolder().empty()) return {};
  std::string native = NativePath(storedPath);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native[0] == '/') {
    std::string hit = InsideCamera(native);
    if (!hit.empty()) return hit;
  }
  const size_t nameAt = native.find_last_of('/');
  if (nameAt == std::string::npos || nameAt == 0) return {};
  const std::string name = native.substr(nameAt + 1);
  const size_t dayAt = native.find_last_of('/', nameAt - 1);
  const size_t dayBegin = dayAt == std::string::npos ? 0 : dayAt + 1;
  const std::string day = native.substr(dayBegin, nameAt - dayBegin);
  // "D:\x.avi" has no day folder; "." and ".." are none either.
  if (name.empty() || name == ".." || day.empty() || day == "." || day == ".." || day.find(':') != std::string::npos)
    return {};
  return FindByDayAndName(day, name);
}

std::string ResolveRecordPath(const std::string& cameraFolder, const std::string& storedPath) {
  CRecordFileFinder finder(cameraFolder);
  return finder.Find(storedPath);
}

}  // namespace vt
