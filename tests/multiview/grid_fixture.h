// Four cameras of generated recordings for the side-by-side tests, each frame with its number as
// a barcode and its wall-clock time drawn (192 x 144 MJPEG, UTC):
//   C1 Gate  25 fps    10:00:00-10:00:06
//   C2 Yard  25 fps    10:00:02-10:00:08
//   C3 Door  25 fps    10:00:01-10:00:03, gap, 10:00:05-10:00:07 (its frames numbered from 1000)
//   C4 Lane  12.5 fps  10:00:01-10:00:07
// on 2024-05-10, in camera folders under one data folder with a vantor.ini naming them. The
// indexes are left to be built from the folders, except when a test writes one.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/scoped_tz.h"
#include "common/temp_dir.h"
#include "multiview/camera_grid.h"
#include "playback/gst/test_media.h"
#include "recorddb/record_db.h"

namespace vt::test {

namespace fs = std::filesystem;

inline time32 GridUtc(int h, int mi, int s) {
  struct tm tm {};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 4;
  tm.tm_mday = 10;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return static_cast<time32>(::timegm(&tm));
}

struct GridRec {
  int fromS, toS;  // seconds after 10:00:00
  int firstNumber;
};
struct GridCam {
  const char* name;
  int fps, fpsDen;
  std::vector<GridRec> recs;
};

inline const std::vector<GridCam>& GridCams() {
  static const std::vector<GridCam> cams = {
      {"Gate", 25, 1, {{0, 6, 0}}},
      {"Yard", 25, 1, {{2, 8, 0}}},
      {"Door", 25, 1, {{1, 3, 0}, {5, 7, 1000}}},
      {"Lane", 25, 2, {{1, 7, 0}}},
  };
  return cams;
}

inline constexpr int kGridClipWidth = 192;
inline constexpr int kGridClipHeight = 144;

// The generated data, made once per test program.
class GridData {
 public:
  static GridData& Get() {
    static GridData data;
    return data;
  }
  const fs::path& Root() const { return root_; }
  fs::path CameraFolder(int cam) const { return root_ / ("cam" + std::to_string(cam + 1)); }
  fs::path IniPath() const { return root_ / "data/vantor.ini"; }
  CameraEntry Camera(int cam) const {
    return {cam, "C" + std::to_string(cam + 1) + ":" + GridCams()[static_cast<size_t>(cam)].name, CameraFolder(cam).string()};
  }
  std::vector<std::optional<CameraEntry>> Cameras() const {
    std::vector<std::optional<CameraEntry>> out;
    for (int c = 0; c < 4; ++c) out.push_back(Camera(c));
    return out;
  }
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  // The barcode the camera's picture carries at t (100 ns since 1970), -1 where it has none.
  static int ExpectedNumber(int cam, int64_t t) {
    const GridCam& c = GridCams()[static_cast<size_t>(cam)];
    const int64_t base = TicksOf(GridUtc(10, 0, 0));
    for (const GridRec& r : c.recs) {
      const int64_t from = base + r.fromS * kTicksPerSecond, to = base + r.toS * kTicksPerSecond;
      if (t < from || t >= to) continue;
      const int64_t frameTime = kTicksPerSecond * c.fpsDen / c.fps;
      return r.firstNumber + static_cast<int>((t - from) / frameTime);
    }
    return -1;
  }

 private:
  GridData() {
    ScopedTz utc("UTC0");
    const std::string day = "2024-05-10";
    for (size_t c = 0; c < GridCams().size() && error_.empty(); ++c) {
      const GridCam& cam = GridCams()[c];
      for (const GridRec& r : cam.recs) {
        const time32 from = GridUtc(10, 0, 0) + r.fromS, to = GridUtc(10, 0, 0) + r.toS;
        const fs::path folder = CameraFolder(static_cast<int>(c)) / day;
        fs::create_directories(folder);
        char name[32];
        std::snprintf(name, sizeof name, "00%s%s0.avi", Hms(from).c_str(), Hms(to).c_str());
        TestClipSpec spec;
        spec.codec = TestClipSpec::kMjpeg;
        spec.width = kGridClipWidth;
        spec.height = kGridClipHeight;
        spec.fps = cam.fps;
        spec.fpsDen = cam.fpsDen;
        spec.frames = (r.toS - r.fromS) * cam.fps / cam.fpsDen;
        spec.firstNumber = r.firstNumber;
        spec.wallClock = from;
        if (!MakeTestClip(spec, (folder / name).string(), &error_)) break;
      }
    }
    fs::create_directories(root_ / "data");
    std::ofstream ini(IniPath());
    for (size_t c = 0; c < GridCams().size(); ++c)
      ini << "[Storage_ch0" << c + 1 << "]\r\nsStoragePath=" << CameraFolder(static_cast<int>(c)).string()
          << "\r\n[Preference_ch0" << c + 1 << "]\r\nsCameraName=" << GridCams()[c].name << "\r\n";
  }
  static std::string Hms(time32 t) {
    char s[8];
    const time_t tt = t;
    struct tm tm {};
    gmtime_r(&tt, &tm);
    std::snprintf(s, sizeof s, "%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return s;
  }

  TempDir dir_{"vt_grid_data"};
  fs::path root_{dir_.path()};
  std::string error_;
};

// Writes cam's index as a recorder on Windows stores it: every record path a drive-letter path
// ("D:\rec\ch03\2024-05-10\00100001100003000.avi"), none of which exists here.
inline bool WriteWindowsIndex(const fs::path& cameraFolder, int channel) {
  CRecordDB db;
  db.SetFolder(cameraFolder.string());
  if (!db.Reload(nullptr) || !db.GetIndex()) return false;
  RdbIndex index = *db.GetIndex();
  for (auto& y : index.years)
    for (auto& m : y.months)
      for (auto& d : m.days)
        for (auto& r : d.records) {
          const fs::path native(r.szFilePath);
          const std::string windows = "D:\\rec\\ch0" + std::to_string(channel + 1) + "\\" +
                                      native.parent_path().filename().string() + "\\" + native.filename().string();
          std::memset(r.szFilePath, 0, sizeof r.szFilePath);
          std::memcpy(r.szFilePath, windows.data(), windows.size());
        }
  return CRecordDB::WriteIndexFile(db.GetIndexPath(), index);
}

}  // namespace vt::test
