#include "vtdb_demo.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "recorddb/record_db.h"

namespace vt::vtdb {

namespace {

struct DemoCamera {
  int channel;
  const char* name;
};
constexpr DemoCamera kCameras[] = {{1, "Front door"}, {2, "Yard"}, {4, "Garage"}};
constexpr int kDays = 3;
constexpr const char* kMarker = ".vtdb-demo";

bool FolderIsEmptyOrMissing(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return true;
  bool empty = true;
  while (dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) empty = false;
  }
  ::closedir(d);
  return empty;
}

bool WritePlaceholder(const std::string& path, int seed) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  char buf[4096];
  std::memset(buf, ' ', sizeof buf);
  int n = std::snprintf(buf, sizeof buf, "VTDEMO placeholder record %d\n", seed);
  buf[n] = ' ';
  bool ok = ::write(fd, buf, sizeof buf - static_cast<size_t>(seed % 7) * 100) > 0;
  return (::close(fd) == 0) && ok;
}

std::string CameraFolder(const std::string& dir, int channel) {
  char name[32];
  std::snprintf(name, sizeof name, "camera%02d", channel);
  return JoinPath(dir, name);
}

// A folder this command made before (it carries the marker) is made afresh.
bool ClearPreviousDemo(const std::string& dir) {
  struct stat st {};
  if (::stat(JoinPath(dir, kMarker).c_str(), &st) != 0) return false;
  std::error_code ec;
  for (const DemoCamera& cam : kCameras) std::filesystem::remove_all(CameraFolder(dir, cam.channel), ec);
  ::unlink(JoinPath(dir, "vantor.ini").c_str());
  ::unlink(JoinPath(dir, kMarker).c_str());
  return true;
}

}  // namespace

bool MakeDemo(const std::string& dir, std::string* error, std::string* summary) {
  if (!FolderIsEmptyOrMissing(dir) && !ClearPreviousDemo(dir)) {
    *error = dir + " is not empty (and was not made by vtdb demo)";
    return false;
  }
  if (!MakeFolderPath(dir)) {
    *error = "cannot create " + dir;
    return false;
  }
  const std::string ini = JoinPath(dir, "vantor.ini");
  LocalFields today;
  SplitLocalTime(Now32(), &today);
  int files = 0;
  for (const DemoCamera& cam : kCameras) {
    char section[32];
    const std::string storage = CameraFolder(dir, cam.channel);
    std::snprintf(section, sizeof section, "Storage_ch%02d", cam.channel);
    WriteProfileString(ini, section, "sStoragePath", storage);
    std::snprintf(section, sizeof section, "Preference_ch%02d", cam.channel);
    WriteProfileString(ini, section, "sCameraName", cam.name);
    for (int back = kDays; back >= 1; --back) {
      // Local noon of the day, so daylight saving never moves the date.
      LocalFields day;
      SplitLocalTime(MakeLocalTime(today.year, today.month, today.day - back, 12, 0, 0), &day);
      const std::string dayFolder = CRecordDB::DayFolderName(storage, day.year, day.month, day.day);
      if (!MakeFolderPath(dayFolder)) {
        *error = "cannot create " + dayFolder;
        return false;
      }
      // A few recordings spread over the day; an event recording (kind 1) now and then, and
      // on the last day one that runs past midnight.
      const int starts[][3] = {{6, 30, 0}, {8, 5, 12}, {12, 0, 0}, {17, 45, 30}, {23, 50, 0}};
      for (int i = 0; i < 5; ++i) {
        int sh = starts[i][0], sm = starts[i][1], ss = starts[i][2];
        int eh = sh, em = sm + 4 + i, es = ss;
        if (i == 4) {
          if (back != 1) continue;
          eh = 0;
          em = 10;
        }
        if (em >= 60) {
          em -= 60;
          ++eh;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%02d%02d%02d%02d%02d%02d%02d%d.avi", cam.channel, sh, sm, ss, eh, em, es,
                      (i + cam.channel) % 3 == 0 ? 1 : 0);
        if (!WritePlaceholder(JoinPath(dayFolder, name), ++files)) {
          *error = "cannot write " + JoinPath(dayFolder, name);
          return false;
        }
      }
    }
  }
  WriteProfileString(ini, "Preference", "fAutoPlay", "1");
  CRecordDB first;
  if (!first.Open(CameraFolder(dir, kCameras[0].channel))) {
    *error = "cannot write the index of camera 1";
    return false;
  }
  int marker = ::open(JoinPath(dir, kMarker).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (marker >= 0) ::close(marker);
  *summary = ini + "\n" + std::to_string(sizeof kCameras / sizeof kCameras[0]) + " cameras, " +
             std::to_string(files) + " record files, index " + first.GetIndexPath() + "\n";
  return true;
}

}  // namespace vt::vtdb
