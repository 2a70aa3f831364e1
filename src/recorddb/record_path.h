// Where a record's file is. Every place that opens, plays, copies or deletes a record file asks
// here, so that only the camera folder being browsed is ever touched: an index may have been
// copied with its camera folder (its paths then name the original's files), written on Windows
// ("D:\rec\ch01\2008-05-10\011020301120340.avi"), or planted with paths such as /etc/shadow or
// /dev/zero.
//
// The rule: the stored path is used only when it lies inside the camera folder (both compared
// as absolute paths with symbolic links resolved) and names a regular file there. Otherwise the
// file is looked up under the camera folder by the stored path's last two components, day
// folder and file name: first in a day folder directly under the camera folder, then in day
// folders below year or month folders ("2008/2008-05-12", "2008-05/2008-05-12"); names match
// exactly or else ignoring ASCII case. A symbolic link found on the way counts only when its
// target is a regular file inside the camera folder. Nothing is found: empty result. Nothing is
// ever written; the index keeps the stored form.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace vt {

class CRecordFileFinder {
 public:
  explicit CRecordFileFinder(const std::string& cameraFolder = {});
  CRecordFileFinder(const CRecordFileFinder&) = delete;
  CRecordFileFinder& operator=(const CRecordFileFinder&) = delete;

  // Another camera folder; forgets everything looked up so far.
  void SetCameraFolder(const std::string& cameraFolder);
  // Forgets the folder listings looked up so far (after files were added or removed).
  void Forget();
  // Absolute camera folder with links resolved; empty when it does not exist.
  std::string CanonicalCameraFolder();

  // The regular file for a record whose szFilePath is storedPath (backslash or native form):
  // an absolute path without symbolic links, inside the camera folder; empty when there is none.
  // Each day folder is listed at most once per finder, so looking up every record of a camera
  // costs one listing per day, not one per record.
  std::string Find(const std::string& storedPath);

 private:
  std::string InsideCamera(const std::string& path);
  std::string FindByDayAndName(const std::string& day, const std::string& name);
  const std::vector<std::string>& DayFolders(const std::string& day);
  const std::vector<std::string>& SubFolders(const std::string& folder);
  std::string FileIn(const std::string& folder, const std::string& name);
  void SearchDay(const std::string& folder, const std::string& day, const std::string& seen, int depth,
                 std::vector<std::string>* out);
  bool IsInside(const std::string& canonical) const;
  std::string RegularInside(const std::string& path);

  std::mutex m_mutex;
  std::string m_strCameraFolder;
  std::string m_strCanonical;  // realpath of m_strCameraFolder; empty: not resolved yet / missing
  bool m_bResolved = false;
  std::unordered_map<std::string, std::string> m_parents;                   // folder -> canonical or ""
  std::unordered_map<std::string, std::vector<std::string>> m_dayFolders;  // day (lower case) -> folders
  std::unordered_map<std::string, std::shared_ptr<const std::vector<std::string>>> m_subFolders;  // folder -> sub-folders
  std::unordered_map<std::string, std::vector<std::string>> m_fileNames;   // folder -> entry names
};

// One look-up with a finder of its own (no caching between calls).
std::string ResolveRecordPath(const std::string& cameraFolder, const std::string& storedPath);

}  // namespace vt
